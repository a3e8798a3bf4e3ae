#pragma once
#include "platform/controls.h"
#include "platform/forms.h"

class QGroupBox;

// The converter chooser: WAV to MP3 or MP3 to WAV. Topmost, centred. The window that
// opens it hides itself first; OK closes the other feature windows and opens the chosen
// converter, Cancel brings the hidden window back.
class frmConvertChoice : public Form {
    Q_OBJECT
public:
    frmConvertChoice();
    void Form_Load() override;

    QGroupBox* Frame1;
    OptionButton* Option1; // "WAV Files To MP3 Files"
    OptionButton* Option2; // "MP3 Files To WAV Files"
    PictureBox* Picture1;
    PictureBox* Picture2;
    SSCommand* btnOK;
    SSCommand* btnCancel;

    void btnOK_Click();
    void btnCancel_Click();
    void Picture1_Click();
    void Picture2_Click();
    void Picture1_MouseMove();
    void Picture2_MouseMove();
    // The background, the frame and both buttons: the pictures get their borders back.
    void Form_MouseMove();

    // Earlier names of the same controls and handlers, kept for existing callers.
    OptionButton*& optWAVToMP3 = Option1;
    OptionButton*& optMP3ToWAV = Option2;
    SSCommand*& cmdOK = btnOK;
    SSCommand*& cmdCancel = btnCancel;
    void cmdOK_Click() { btnOK_Click(); }
    void cmdCancel_Click() { btnCancel_Click(); }

protected:
    // The title bar's close box acts as Cancel, so the hidden window always comes back.
    void closeEvent(QCloseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};
