#pragma once
#include <QScrollArea>

#include "platform/controls.h"
#include "platform/forms.h"

// "CDDB Status": shows the connect line or the last reply of the CDDB conversation as
// plain text. Centred and on top of the other windows.
class frmCDDBStatus : public Form {
    Q_OBJECT
public:
    frmCDDBStatus();
    void Form_Load() override;

    Label* Label1;

private:
    QScrollArea* m_scroll;
};
