#pragma once
#include <QTimer>
#include <functional>
#include <memory>

#include "shell/featureform.h"

class CDAudio;
class CDDBClient;
class CdDiscId;
class QAction;
class QGroupBox;
struct JobOutcome;
struct RipPlan;

// Values of the CD window that outlive an unload of the window.
struct CdWindowState {
    QString cdidb;
    int16_t numtracks = 0;
    int16_t endflag = 0;
    int16_t compactflag = 0;
};

// The CD player and encoder window.
class frmCD : public FeatureForm {
    Q_OBJECT
public:
    frmCD();
    ~frmCD() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void OpenSettings() override;
    // "Close CD Player/Encoder": unloads the window itself.
    void CloseWindow() override;
    void picConvert_Click() override;

    // ---- Controls ----
    ListView* ListView1; // the disc's tracks: title, track number, length
    CheckBox* Check1;    // "Play Selected Tracks Only"
    Label* Label21;
    Label* Label24;
    TextBox* txtArtist;
    TextBox* txtCDTitle;
    TextBox* txtcategory;
    Label* Label3;
    Label* Label1;
    Label* Label4;
    TextBox* txtPlaying;
    Label* Label12;
    Label* label29;      // "CD Player (Drive ...)"
    Label* Label33;      // the music folder
    PictureBox* picPrev;
    PictureBox* picPlay;
    PictureBox* picPause;
    PictureBox* picStop;
    PictureBox* picNext;
    PictureBox* picEject;
    PictureBox* picUpDown;
    PictureBox* picCDDB;
    Label* Label32;      // "Connect To"
    QTimer* Timer1;
    SSCommand* ssCmdSelect;
    SSCommand* ssCmdDesel;
    SSCommand* sscmdSave;
    SSCommand* sscmdEncode;

    // Caption labels of the navigation pictures and the menu-bar labels, by their design names.
    Label* Label6;  // "Quillory"
    Label* Label8;  // "MP3 Player"
    Label* Label18; // "Converter"
    Label* Label9;  // "PlayLists"
    Label* Label31; // "CD Burner"
    Label* Label10; // "Exit"
    Label* Label7;  // "Remote CDDB"
    Label* Label22; // "File"
    Label* Label34; // "Skins"
    Label* Label26; // "Configure"
    Label* Label2;  // "WebSites"
    Label* Label23; // "Help"

    QGroupBox* fraEncoder;
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

    // ---- Form-level values ----
    std::unique_ptr<CDAudio> cdplayer;
    std::unique_ptr<CdDiscId> disc; // disc id, track count and table of contents of cdplayer's disc
    int16_t currenttrack = 0;
    int16_t lasttrack = 0;
    CdWindowState& state() const;

    // ---- Start-up, disc reading, layout ----
    void CDInfo();
    void LoadCDInfo();
    void picUpDown_Click();
    // shift: 1 = Shift held, 2 = Ctrl held, 3 = both.
    void ListView1_MouseUp(int button, int shift);
    void Check1_Click();
    void chkAutoCreate_Click();

    // ---- Transport ----
    void picPlay_Click();
    void picStop_Click();
    void picNext_Click();
    void picPrev_Click();
    void picPause_Click();
    void picEject_Click();
    void ssCmdSelect_Click();
    void ssCmdDesel_Click();
    void Timer1_Timer();

    // ---- CDDB and the CD catalogue ----
    void picCDDB_Click();
    void AccessCddb();
    void sscmdSave_Click();
    CDDBClient* cddb;

    // ---- Rip and encode ----
    void sscmdEncode_Click();
    void checkfreediskspace(int16_t& result);
    void sscmdOptions_Click();

    // ---- Chrome ----
    void Label6_MouseMove();
    void Label8_Click();
    void Label33_MouseMove();
    QAction* menuEntry(const QString& name) const;

    // The chosen bit rate as the encoder option text ("-b128 "); "" when none is chosen.
    QString BitRateOption() const;
    // Output-mode text of lblConfig for EncodeOutputMode.
    static QString OutputModeText(int mode);
    // Title bar text for the selected-tracks mode.
    static inline const QString kCaption = QStringLiteral("The CD Player / MP3 Encoder");
    static inline const QString kCaptionSelected =
        QStringLiteral("The CD Player / MP3 Encoder (Play Selected Tracks Only)");

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    bool rowSelected(int row) const; // 1-based
    void setRowSelected(int row, bool on);
    int rowCount() const;
    void removeDiscRecords();
    void setRunning(bool running);
    // The run's plan from the list, the boxes and the encoder panel.
    RipPlan ripPlan() const;
    // Runs the plan and returns once it has ended, with how it ended.
    JobOutcome encodeTracks();
    void fullLayout(bool full);

    bool m_readingDisc = false;
    bool m_inTick = false;
    bool m_lookupRunning = false;
    std::vector<QWidget*> m_disabledWidgets;
    std::vector<QAction*> m_disabledActions;
};

// Disable / enable the CD window's bit-rate choices, their labels and the auto-playlist
// box (only when the CD window is loaded).
void turnoffEncOptions();
void turnonencoptions();
