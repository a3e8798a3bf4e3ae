#pragma once
#include <QString>
#include <cstdint>

#include "jobs/mp3towavjob.h"
#include "shell/featureform.h"

class Mp3Play;
class ListView;

// The MP3-to-WAV converter window: the MP3 files of the music folder with their song data
// (from the catalogue, else from the file's tag), the WAV size the selection needs, sorting,
// a search, and the Convert run that decodes the selected files one after the other through
// the window's MP3 control.
class frmMP3ToWAV : public FeatureForm {
    Q_OBJECT
public:
    frmMP3ToWAV();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    ListView* ListView2; // columns: song, artist, length, CD title, category
    Label* lblTitle;
    Label* lblArtist;
    Label* lblLength;
    Label* lblCDTitle;
    Label* lblCategory;
    TextBox* text1;
    SSCommand* SSSearch;
    SSCommand* SSFolder;
    SSCommand* SSConvert;
    Label* Label28; // the current music folder
    Label* Label3;  // total WAV size
    Label* Label6;  // "MP3 Files In Music Folder"
    Label* Label1;
    Label* Label11;
    Label* Label8; // "Change Music Folder"
    Mp3Play* Mp3Play1;

    // Run state: files selected at the start, the number of the file being decoded, and the
    // row from which the next selected row is looked for (1-based).
    int16_t TotFiles = 0;
    int16_t NumberofFile = 0;
    int16_t NumberProcess = 0;

    // The sort direction flags of the five columns; they outlive the window's unload.
    struct SortFlags {
        int16_t ColumnSortFlags[6] = {0, 0, 0, 0, 0, 0};
    };
    static SortFlags& sortFlags();

    void ListView2_Click();
    // columnHeader: 1 to 5.
    void ListView2_ColumnClick(int columnHeader);
    void lblTitle_Click();
    void lblArtist_Click();
    void lblLength_Click();
    void lblCDTitle_Click();
    void lblCategory_Click();
    void SSSearch_Click();
    void SSFolder_Click();
    void SSConvert_Click();
    void OpenSettings() override { SSFolder_Click(); }
    // Opens the other converter.
    void picConvert_Click() override;

    // Whole megabytes the WAV files of the selected rows will take (list is not used).
    long GetTotalWAVSize(ListView* list = nullptr);
    // 1 when the selected rows' WAV files would not fit on the music folder's drive with
    // 1 MB to spare (after telling the user), 0 when they fit.
    int16_t checkfreediskspaceConvert();

    void Label28_MouseMove();
    void Label6_MouseMove();

    bool isRunning() const { return job->running(); }

    // The Convert run: decodes the selected files, one after the other, by this window's MP3 control.
    Mp3ToWavJob* job;

private:
    long selectedSeconds(const QString& procedure);
    void finishRun(const JobOutcome& outcome);
};

// Seconds of a length text "m:ss" (the last two characters are the seconds, the text before
// the last three the minutes). Throws AppError 13 when the text is not of that form.
long LengthTextSeconds(const QString& length);
