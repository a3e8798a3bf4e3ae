#pragma once
// The settings dialog ("Configure"): the encoder preset and rip output mode, the music
// folder, the CD drive used for ripping and the CDDB account and server, on four tabs.
// OK pushes the encoder choice into the CD and WAV-to-MP3 windows, writes "cddb.ini" and
// "cdrip.ini" for the tabs that were visited, checks, creates and stores the music folder
// ("MWFolders.ini"), refreshes the feature windows after a folder change and reloads the CD
// window after a visit to the drive tab. Shown modally: Forms::get<frmOptions>().Show(true),
// after selecting a tab through SSTab1 when the caller wants one.
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>
#include <array>
#include <cstdint>

#include "controls/acd.h"
#include "platform/controls.h"
#include "platform/forms.h"

class frmOptions : public Form {
    Q_OBJECT
public:
    frmOptions();
    void Form_Load() override;

    // Form-level flags (0 or -1). They belong to the dialog for the whole run: unloading the
    // dialog (OK, Cancel) and loading it again keeps them.
    struct Flags {
        int16_t CDFlag = 0;               // the "CD Options" tab was entered
        int16_t CDDBFlag = 0;             // the "CD DB Options" tab was entered
        int16_t bMP3FolderChangeFlag = 0; // the music folder was edited, browsed or reset
    };
    static Flags& flags() { return Forms::persistent<Flags>(); }

    // ---- Handlers ----
    void SSTab1_Click();
    void InitRipper();
    void DriveLetter_Click();
    void NextCDRom_Click();
    void PrevCDRom_Click();
    void Command2_Click();          // "Browse..."
    void cmdDefaultFolders_Click(); // "Back To Default"
    void txtMusicFolder_KeyPress();
    void PrintCDParms();
    void cmdClose_Click();          // "Cancel"
    void cmdOK_Click();             // "OK"

    // The preset texts of Combo1, in list order; the code is the first four characters.
    static const std::array<QString, 5>& EncoderPresets();

    // ---- Controls ----
    QTabWidget* SSTab1;
    ACD* ACD1;
    QPushButton* cmdOK;
    QPushButton* cmdClose;

    // Tab 0 "Encoder Options"
    QGroupBox* Frame3;
    OptionButton* Option4; // "LAME", the only encoder
    Label* Label4;
    ComboBox* Combo1;
    QGroupBox* Frame1;
    OptionButton* Option1; // MP3 only
    OptionButton* Option2; // WAV only
    OptionButton* Option3; // WAV and MP3
    Label* lblNote;

    // Tab 1 "Music Folder"
    std::array<Label*, 3> Label11;
    Label* Label9;
    TextBox* txtMusicFolder;
    QPushButton* Command2;
    QPushButton* cmdDefaultFolders;

    // Tab 2 "CD Options"
    QGroupBox* Frame2;
    std::array<Label*, 2> Label3; // "Drive No.", "Drive Brand"
    Label* Label12;
    TextBox* SelectedCDROM;
    QPushButton* PrevCDRom;
    QPushButton* NextCDRom;
    ComboBox* DriveLetter;
    TextBox* txtCDROMBrand;
    CheckBox* Check1;
    Label* lblCDStatus; // says why no drive can be chosen (no CD support, no drive)

    // Tab 3 "CD DB Options"
    Label* Label6;
    TextBox* txtEMail;
    Label* Label8;
    Label* lblAddress;
    TextBox* txtAddress;
    Label* lblPort;
    TextBox* txtPort;
    ListView* lvwSites;
    QPushButton* cmdGetCDSites;
    QPushButton* cmdCDDBDefault;
    Label* lblCDDBStatusTitle;
    Label* lblCDDBStatus;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Fill the CDDB boxes from the settings read, and the drive list from the drives found.
    void showCddbSettings();
    void showDrives(const QStringList& devices, int chosen);
    // Sets DriveLetter's entry i (which raises DriveLetter_Click) when it exists.
    void selectDrive(long i);
    void setCdStatus(const QString& text);
    // True while the drive list gets its first entry: the list then selects it by itself,
    // which is no choice of the user's or the code's.
    bool m_autoSelect = false;
    bool m_cdInterfaceReady = false;
};
