#pragma once
#include <QString>
#include <cstdint>

#include "platform/controls.h"
#include "platform/forms.h"

class QProgressBar;
class QTimer;

// The WAV-to-MP3 progress window: which file is being encoded into which, how far the
// MP3 has grown against its expected size, and the Abort button. It runs the encoder.
class frmProgWAVToMP3 : public Form {
    Q_OBJECT
public:
    frmProgWAVToMP3();
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    Label* Label11; // "Converting "
    Label* lblwave; // the WAV file's name
    Label* lblProcess;
    Label* Label1; // "To"
    Label* lblMP3; // the MP3 file's name
    Label* Label8; // "Progress"
    QProgressBar* RipProgress;
    Label* nCompleted;
    SSCommand* AbortButton;
    QTimer* Timer1;

    int16_t PercentDone = 0;
    int32_t ExpectedSize = 0;
    QString MP3Path;

    // Encodes MusicFolder + lblwave into MusicFolder + lblMP3 with the encoder and returns
    // when it has ended or has been ended by an abort.
    void WAVToMP3Encode();
    void Timer1_Timer();
    void AbortButton_Click();

protected:
    // The close box asks for an abort like the Abort button.
    void closeEvent(QCloseEvent* e) override;
};

// The progress percent of an MP3 of length bytes expected to reach expected bytes:
// rounded to whole numbers (halves to even), at most 95; 0 when nothing is expected.
int16_t EncodePercent(qint64 length, qint64 expected);
