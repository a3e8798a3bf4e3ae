#pragma once
// The audio-CD burner window: lists the music folder's WAV and MP3 files, builds a burn
// list from them, decodes its MP3 files into temporary WAV files and writes the list to
// a blank CD-R through the CD-writing control, following the write by its events.
#include <QGroupBox>
#include <memory>
#include <vector>

#include "controls/acdwrite_types.h"
#include "shell/featureform.h"

class ACDWRITE;
class Mp3Play;
class Mp3ToWavJob;
struct JobOutcome;
class WriterSelection;

class frmBurner : public FeatureForm {
    Q_OBJECT
public:
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

    // Burn button and burn run.
    void sscmdBurn_Click();
    void Burn();
    void DeleteTempWAVFiles();
    void ACDWRITE1_ActTrack(int track);
    void ACDWRITE1_TrackPercent(int percent);
    void ACDWRITE1_InfoMessage(const QString& text);
    void ACDWRITE1_Fixating();
    void ACDWRITE1_BurningProcessComplete(const BurnOutcome& outcome);
    void ACDWRITE1_UserStop();
    void Check1_Click();
    void sscmdEject_Click();

    // Temporary WAV preparation.
    int16_t checkfreediskspaceConvert();
    // Decodes the burn list's MP3 entries into temporary WAV files; the burn follows.
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
    QGroupBox* burnPanel;  // "CD BURNER CONTROLS"
    TextBox* text1;
    SSCommand* SSSearch;
    SSCommand* sscmdFolder;
    SSCommand* sscmdBurn;
    SSCommand* sscmdEject;
    ACDWRITE* ACDWRITE1;
    Mp3Play* Mp3Play1;
    Mp3ToWavJob* prepJob; // the preparation's decoding run
    std::unique_ptr<WriterSelection> writers;

    // Set by the Burn button for the preparation chain.
    int16_t MP3Total = 0;
    int16_t NextBurnItem = 0;
    int16_t MP3Number = 0;

private:
    void endRun();
    void abortPreparation();
    void prepFileStarted(int index, const QString& mp3Name, const QString& wavName);
    void prepFinished(const JobOutcome& outcome);
    std::vector<int> m_prepRows; // the burn-list row of each item of the preparation
    void listFolder();

    bool m_writerReady = false;
    bool m_running = false;
    bool m_preparing = false;
    int m_burnCount = 0; // tracks handed to the writer by this run
};
