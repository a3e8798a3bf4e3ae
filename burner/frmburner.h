#pragma once
// The audio-CD burner window: lists the music folder's WAV and MP3 files and builds a burn
// list from them. Its Burn button builds the plan of a burn job (which decodes the MP3 files
// into temporary WAV files and writes the list to a blank CD-R through the window's
// CD-writing control) and shows the job's steps.
#include <QGroupBox>
#include <functional>
#include <memory>
#include <vector>

#include "burner/burnlistsource.h"
#include "controls/acdwrite_types.h"
#include "shell/featureform.h"

class ACDWRITE;
class BurnCdJob;
class Mp3Play;
class Mp3ToWavJob;
struct JobOutcome;
class WriterSelection;

// How the burn's preparation (the decoding of its MP3 files) is shown. The program wires it
// where the windows are registered to the MP3-to-WAV progress window: watch makes that window
// show the decoding's files and steps (its Abort cancels the decoding, which ends the burn);
// fileStarted captions it for the burn and starts its bar again at each file.
struct BurnPreparationView {
    std::function<void(Mp3ToWavJob& job)> watch;
    std::function<void(const QString& caption)> fileStarted;
};

class frmBurner : public FeatureForm, public BurnListSource {
    Q_OBJECT
public:
    static BurnPreparationView& PreparationView();

    frmBurner();
    ~frmBurner() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    // Navigation that differs from the other feature windows.
    void picConvert_Click() override;

    // Burn list.
    void ListView1_DblClick();
    void ListView2_DblClick();
    QString GetTotalBurnSize();
    double GetTotalWAVSize();
    void EnableControls();
    // column: the header's index, from 1.
    void ListView1_ColumnClick(int column);
    void sscmdFolder_Click();
    void SSSearch_Click();

    // Burn button and the burn job's steps.
    void sscmdBurn_Click();
    // The write's start, once every track has its WAV file: the writer chosen again and an
    // over-full disc asked about. Returns how many tracks, from the first, are written (0:
    // none, the run ends).
    int Burn(const QStringList& trackFiles);
    // Before any MP3 is decoded: the burn list measured against the disc in the writer (an
    // MP3 by its length), and the over-full question when not every entry fits. Returns how
    // many entries, from the first, go on to the burn (0: the burn stops).
    int RowsThatFitTheDisc();
    // Deletes the temporary WAV files the run made, and only those.
    void DeleteTempWAVFiles();
    void ACDWRITE1_ActTrack(int track);
    void ACDWRITE1_TrackPercent(int percent);
    void ACDWRITE1_InfoMessage(const QString& text);
    void ACDWRITE1_Fixating();
    // The end of a run whose write had started.
    void ACDWRITE1_BurningProcessComplete(const JobOutcome& outcome);
    // The write was stopped by the user.
    void ACDWRITE1_UserStop();
    void Check1_Click();
    void sscmdEject_Click();

    // Temporary WAV preparation.
    int16_t checkfreediskspaceConvert();
    // Shows the preparation (the decoding of the burn list's MP3 entries into temporary WAV
    // files, the job's first step) in its progress window.
    void ConvertMP3();

    // Tooltips of the music-folder line.
    void Label28_MouseMove();
    void Label6_MouseMove();

    // Whether a burn or its preparation is going on (Burn click to the end of the write).
    bool BurnRunning() const { return m_running; }
    // The file a burn-list row writes: a WAV row's own file, an MP3 row's temporary WAV.
    QString TrackFile(int row) const;
    // Whether a burn-list (or file-list) row stands for an MP3 file.
    static bool IsMp3Row(const ListItem* item);
    // The burn list's titles, first row first.
    QStringList BurnListTitles() const override;

    ListView* ListView1;   // the music folder's WAV and MP3 files
    ListView* ListView2;   // the burn list
    ComboBox* Combo1;      // writing speed, "1X" to "10X"
    ComboBox* Combo2;      // the CD writers
    CheckBox* Check1;      // test mode
    CheckBox* Check2;      // store the burned disc in the CD catalogue
    Label* Label21;        // "Test  Mode (Will Not Burn)"
    Label* Label17;        // "Auto-Save CD Info"
    Label* Label28;        // the current music folder line
    Label* Label6;         // the file list's title
    Label* Label3;         // total burn size
    Label* Label30;
    Label* Label12;
    Label* Label18;
    Label* Label11;
    Label* Label25;
    Label* Label8;
    Label* lblTitle;
    Label* lblArtist;
    Label* lblLength;
    Label* lblCDTitle;
    Label* lblCategory;
    Label* lblLooking;     // says so while the writer or its disc is being looked at
    QGroupBox* burnPanel;  // "CD BURNER CONTROLS"
    TextBox* text1;
    SSCommand* SSSearch;
    SSCommand* sscmdFolder;
    SSCommand* sscmdBurn;
    SSCommand* sscmdEject;
    ACDWRITE* ACDWRITE1;
    Mp3Play* Mp3Play1;
    BurnCdJob* burnJob; // the burn run: preparation, write, clean-up
    std::unique_ptr<WriterSelection> writers;

    // Set by the Burn button for the preparation chain.
    int16_t MP3Total = 0;
    int16_t NextBurnItem = 0;
    int16_t MP3Number = 0;

private:
    void endRun();
    // After Yes to the over-full question: which entries stay behind (of rows, from fit on).
    void tellWhatStaysBehind(int fit, int rows);
    void prepFileStarted(int index, const QString& mp3Name, const QString& wavName);
    void writeStarting(int tracks);
    void burnFinished(const JobOutcome& outcome);
    std::vector<int> m_prepRows; // the burn-list row of each item of the preparation
    void listFolder();

    bool m_writerReady = false;
    bool m_running = false;
    bool m_preparing = false;
    bool m_fitAsked = false; // the over-full question was answered Yes before the decoding
    int m_burnCount = 0; // tracks handed to the writer by this run
};
