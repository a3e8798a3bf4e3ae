#pragma once
// Progress of the burner's preparation: each MP3 of the burn list decoded into a
// temporary WAV file, with the Abort button that stops the burner's decoder.
#include <QProgressBar>
#include <QPushButton>

#include "platform/controls.h"
#include "platform/forms.h"

class frmBurnPrep : public Form {
    Q_OBJECT
public:
    frmBurnPrep();
    void Form_Load() override;
    void AbortButton_Click();

    Label* lblMP3;       // the MP3 being decoded
    Label* lblProcess;   // "Processing n of m"
    Label* lblwave;      // the temporary WAV being written
    QProgressBar* RipProgress;
    Label* nCompleted;   // percent text
    QPushButton* AbortButton;

protected:
    // The close box asks as the Abort button does; the run itself closes the window.
    void closeEvent(QCloseEvent* e) override;
};
