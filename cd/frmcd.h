#pragma once
#include "shell/featureform.h"

// The CD player and encoder window.
class frmCD : public FeatureForm {
    Q_OBJECT
public:
    frmCD();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void OpenSettings() override;
    // Its "Close" entry unloads the window itself, so that the closing rule brings back the main window.
    void CloseWindow() override;

    ListView* lvwTracks;   // the disc's tracks
    Label* lblConfig;      // rip output mode
    Label* Label27;        // "Encoder Selection:"
    Label* Label28;        // the preset's bit-rate text
    OptionButton* Opt320;
    OptionButton* Opt256;
    OptionButton* Opt192;
    OptionButton* Opt128;
    OptionButton* Opt64;
    Label* Label30;        // "320 Kbps Ultra-Fi "
    Label* Label25;        // "256 Kbps Super-Fi "
    Label* Label20;        // "192 Kbps HiFi+ "
    Label* Label15;        // "128 Kbps CD Quality"
    Label* Label19;        // "64 Kbps Near CD "
    CheckBox* chkAutoCreate;
    Label* Label35;        // "Auto-Create Playlist"
    SSCommand* sscmdOptions;

    void chkAutoCreate_Click();
    void sscmdOptions_Click();

    // The chosen bit rate as the encoder option text ("-b128 ").
    QString BitRateOption() const;
    // Output-mode text of lblConfig for EncodeOutputMode.
    static QString OutputModeText(int mode);

private:
    // Opens the CD drive and lists its audio tracks: 0 = done, 1 = the drive cannot be
    // opened, 2 = no audio CD in it.
    int readDisc();
};
