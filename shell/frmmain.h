#pragma once
#include "platform/forms.h"

// The launcher window.
class frmMain : public Form {
    Q_OBJECT
public:
    frmMain();
    void Form_Load() override;
};
