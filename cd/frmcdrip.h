#pragma once
// "MP3 Encode Status": shows the CD window's rip-and-encode run (a RipEncodeJob it watches):
// which track of how many, the WAV being read or the MP3 being encoded, a percentage and a
// progress bar, and the tracks read with sectors that could not be read exactly. Abort asks
// first, then cancels the run. Its reading control `ACD1` is the one the run reads with.
#include <QPointer>
#include <QTimer>
#include <cstdint>

#include "platform/controls.h"
#include "platform/forms.h"

class ACD;
class QProgressBar;
class RipEncodeJob;

class frmCDRip : public Form {
    Q_OBJECT
public:
    frmCDRip();
    ~frmCDRip() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;

    ACD* ACD1;
    SSCommand* AbortButton;
    QTimer* Timer1;
    TextBox* BeginSector;
    Label* lblProcess;
    Label* Label10; // "Ripping"
    Label* lblwave;
    Label* Label11; // "Encoding"
    Label* lblMP3;
    Label* nCompleted;
    Label* lblInexact; // the run's tracks that could not be read exactly
    QProgressBar* RipProgress;

    int16_t PercentDone = 0;
    int16_t ReadDone = 0;
    int32_t ExpectedMP3Size = 0;
    QString MP3Path;

    void initrip();
    // Shows `job`'s steps from now on, and lets Abort cancel it.
    void watch(RipEncodeJob& job);

    void ACD1_ActPosition(int32_t position);
    void ACD1_ReadComplete();
    void AbortButton_Click();
    void Timer1_Timer();

private:
    void showStep(bool ripping);
    bool running() const;

    QPointer<RipEncodeJob> m_job;
};
