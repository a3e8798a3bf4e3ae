#pragma once
#include "platform/controls.h"
#include "platform/forms.h"

// The converter chooser: WAV to MP3 or MP3 to WAV. Topmost, centred.
class frmConvertChoice : public Form {
    Q_OBJECT
public:
    frmConvertChoice();
    void Form_Load() override;

    OptionButton* optWAVToMP3;
    OptionButton* optMP3ToWAV;
    SSCommand* cmdOK;
    SSCommand* cmdCancel;

    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void closeEvent(QCloseEvent* e) override;
};
