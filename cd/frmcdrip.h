#pragma once
// "MP3 Encode Status": reads one CD track into a WAV file and encodes a WAV file into an
// MP3 file with the lame encoder, each step as a method that returns when the step has
// ended while window events go on. Abort asks first, then stops the running step.
#include <QTimer>
#include <cstdint>
#include <memory>

#include "platform/controls.h"
#include "platform/forms.h"

class ACD;
class ChildProcess;
class QProgressBar;

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
    QProgressBar* RipProgress;

    int16_t PercentDone = 0;
    int16_t ReadDone = 0;
    int32_t ExpectedMP3Size = 0;
    QString MP3Path;
    // The last encoder run failed on its own (not stopped by the user).
    bool EncodeFailed = false;

    void initrip();
    void StartRipping();
    void StartEncoding();

    void ACD1_ActPosition(int32_t position);
    void ACD1_ReadComplete();
    void AbortButton_Click();
    void Timer1_Timer();

    // The bit-rate option the CD window's buttons choose ("-b128 ", or "" when none is set).
    static QString BitRateFromCdWindow();

private:
    std::unique_ptr<ChildProcess> m_encoder;
    bool m_stepRunning = false;
};
