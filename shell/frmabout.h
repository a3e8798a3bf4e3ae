#pragma once
#include <QGroupBox>
#include <QPushButton>

#include "platform/controls.h"
#include "platform/forms.h"

// The About box: product name, version and credits. Loaded by its first showing, hidden by
// OK and shown again where it was left; it stays above the other windows.
class frmAbout : public Form {
    Q_OBJECT
public:
    frmAbout();
    void Form_Load() override;
    void Command1_Click();

    Label* Label1;  // product name
    Label* Label2;  // developer
    Label* Label3;  // version
    Label* Label4;  // encoder credit
    Label* Label5;  // decoder and tag credits
    Label* Label6;  // CD credits
    Label* Label7;  // licensing
    Label* Label8;  // year
    Label* Label9;  // web address
    Label* Label10; // support address
    PictureBox* Picture1;
    PictureBox* Picture2;
    PictureBox* Picture3;
    QGroupBox* Frame1;
    QPushButton* Command1;

protected:
    void closeEvent(QCloseEvent* e) override;
};
