#pragma once
#include <cstdint>

#include "jobs/wavtomp3job.h"
#include "shell/featureform.h"

class ListItem;

// The WAV-to-MP3 converter window: the WAV files of the music folder, checked when picked,
// five bit rates, the encoder preset, a search, and the Convert run that encodes the
// selected files one after the other with the MP3 encoder.
class frmWAVToMP3 : public FeatureForm {
    Q_OBJECT
public:
    frmWAVToMP3();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    ListView* ListView2; // the WAV files: one column, the file name with its extension
    Label* lblTitle;     // "WAV File Name", the list's heading
    TextBox* text1;      // the search text
    SSCommand* SSSearch;
    SSCommand* SSConvert;
    PictureBox* Picture2; // panel of the settings button
    SSCommand* SSFolder;
    Label* Label24;
    Label* Label8;
    Label* Label17; // the current music folder
    Label* Label6;  // "WAV Files In Music Folder"
    Label* Label1;
    Label* Label11;
    PictureBox* Picture1; // the encoder panel
    Label* Label4;        // "Encoder Controls"
    Label* Label21;       // "Encoder Selection:"
    Label* Label23;       // the preset's bit-rate text
    OptionButton* Opt320;
    OptionButton* Opt256;
    OptionButton* Opt192;
    OptionButton* Opt128;
    OptionButton* opt64;
    Label* Label25;
    Label* Label20;
    Label* Label2;
    Label* Label19;
    Label* Label18;

    // Run state: the files selected when Convert was pressed, and the one being encoded.
    int16_t TotFiles = 0;
    int16_t NumberofFile = 0;

    void ListView2_Click();
    void SSSearch_Click();
    void SSFolder_Click();
    void SSConvert_Click();
    // Opens the other converter.
    void picConvert_Click() override;
    void OpenSettings() override { SSFolder_Click(); }

    // Pointer handlers: tooltips of the music-folder line, and the bold captions of the
    // encoder and converter buttons, which lie side by side here.
    void Label17_MouseMove();
    void Label6_MouseMove();
    void Label14_MouseMove();
    void Label7_MouseMove();
    void picEncoder_MouseMove();
    void picConvert_MouseMove();

    // Whether a Convert run is going on.
    bool isRunning() const { return job->running(); }

    // The Convert run: encodes the selected files, one after the other.
    WavToMp3Job* job;

private:
    void endRun(const JobOutcome& outcome);
};
