#pragma once
// "MP3 Encode Status": reads one CD track into a WAV file and encodes a WAV file into an
// MP3 file with the lame encoder, each step as a method that returns when the step has
// ended while window events go on. Abort asks first, then stops the running step.
// While the encoder works on one track the caller may have the next track read ahead
// (ReadAhead): the read runs quietly into a hidden file, and StartRipping of that track
// takes it over, shows its progress and gives it the track's WAV name.
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
    // Starts reading `track` quietly while the current step goes on; nothing when the
    // read cannot start (StartRipping of the track then reads it and says why).
    void ReadAhead(int16_t track);

    void ACD1_ActPosition(int32_t position);
    void ACD1_ReadComplete();
    void AbortButton_Click();
    void Timer1_Timer();

    // The bit-rate option the CD window's buttons choose ("-b128 ", or "" when none is set).
    static QString BitRateFromCdWindow();

private:
    // Stops a read-ahead and removes its file.
    void dropReadAhead();

    std::unique_ptr<ChildProcess> m_encoder;
    bool m_stepRunning = false;
    int16_t m_aheadTrack = 0; // the track read ahead, 0 = none
    QString m_aheadPath;
    bool m_aheadQuiet = false; // its progress is not shown yet
    int32_t m_aheadPosition = 0;
};
