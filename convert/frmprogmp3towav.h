#pragma once
#include <QPointer>

#include "platform/controls.h"
#include "platform/forms.h"

class Mp3ToWavJob;
class QProgressBar;

// The MP3-to-WAV progress window: which MP3 is being decoded into which WAV, how far, and
// the Abort button. It shows one decoding run (the converter's or the burner's preparation
// of temporary WAV files); its Abort asks, then stops that run.
class frmProgMP3ToWAV : public Form {
    Q_OBJECT
public:
    frmProgMP3ToWAV();
    void Form_Load() override;

    Label* Label11; // "Converting "
    Label* lblMP3;
    Label* lblProcess;
    Label* Label1; // "To"
    Label* lblwave;
    Label* Label8; // "Progress"
    QProgressBar* RipProgress;
    Label* nCompleted;
    SSCommand* AbortButton;

    // Shows job's files and progress from now on; Abort stops job.
    void watch(Mp3ToWavJob& job);

    void AbortButton_Click();

protected:
    QPointer<Mp3ToWavJob> m_job;

    // The close box asks for an abort like the Abort button.
    void closeEvent(QCloseEvent* e) override;
};
