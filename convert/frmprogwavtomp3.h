#pragma once
#include <QPointer>
#include <QString>
#include <cstdint>

#include "platform/controls.h"
#include "platform/forms.h"

#include "jobs/wavtomp3job.h"

class QProgressBar;
class QTimer;

// The WAV-to-MP3 progress window: which file is being encoded into which, how far the
// MP3 has grown against its expected size, and the Abort button. It shows one encoding run;
// its Abort asks, then stops that run.
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

    // Shows job's files and progress from now on; Abort stops job.
    void watch(WavToMp3Job& job);
    void Timer1_Timer();
    void AbortButton_Click();

protected:
    QPointer<WavToMp3Job> m_job;

    // The close box asks for an abort like the Abort button.
    void closeEvent(QCloseEvent* e) override;
};
