#pragma once
#include <QPointer>

#include "platform/controls.h"
#include "platform/forms.h"

class Mp3Play;
class QProgressBar;

// The MP3-to-WAV progress window: which MP3 is being decoded into which WAV, how far, and
// the Abort button. The converter and the burner's preparation of temporary WAV files both
// use it; a caption holding "Burn" makes Abort act on the burner's MP3 control.
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

    // The burner's MP3 control, which Abort stops and closes when the caption holds "Burn".
    // The burner sets it when it captions the window.
    QPointer<Mp3Play> BurnerMp3Play;

    void AbortButton_Click();

protected:
    // The close box asks for an abort like the Abort button.
    void closeEvent(QCloseEvent* e) override;
};
