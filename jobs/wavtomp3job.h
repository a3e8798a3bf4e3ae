#pragma once
// Encodes WAV files of a folder into MP3 files, one after the other, with the encoder child
// process (through the child-process seam). The job goes on as soon as the process reports
// its end; it also looks at it on single-shot timers of the clock seam (progress, the abort
// flag, and the end of a process that cannot report it) and never waits in a loop.
//
// Program-wide variables it keeps current: ConversionRunning (1 from start to the end),
// EncodeAbort (0 as each file starts and at the end; -1 once aborted, and -1 set by anyone
// ends the run at the job's next look).
#include <QString>
#include <QStringList>
#include <memory>

#include "jobs/job.h"

class ChildProcess;

struct WavToMp3Plan {
    QString folder;      // ends in "/"
    QStringList wavNames; // the WAV files' names, in the order they are encoded
    QString rateText;    // the encoder's bit-rate option, "-b128 "
};

class WavToMp3Job : public Job {
    Q_OBJECT
public:
    explicit WavToMp3Job(QObject* parent = nullptr);
    ~WavToMp3Job() override;

    void setPlan(WavToMp3Plan plan) { m_plan = std::move(plan); }
    void start() override;
    void cancel() override;

    // While held (the abort question is open), an encoder that has ended is not followed by
    // the next file; cancel() then removes its MP3 as the file in hand.
    void hold() { m_held = true; }
    void release() { m_held = false; }

    // Milliseconds between two looks at the encoder.
    static constexpr int kPollMs = 250;
    // Milliseconds an aborted run waits before it removes the partial MP3.
    static constexpr int kAbortPauseMs = 1000;

signals:
    // Item index (from 0) starts: wavName into mp3Name (the name chosen), expected to reach
    // expectedSize bytes.
    void fileStarted(int index, const QString& wavName, const QString& mp3Name, qint64 expectedSize);

private:
    void next();
    void poll();
    void pollAfter(int ms);
    void abortRun();
    bool endOnWriteTrouble();
    void end(const JobOutcome& outcome);

    WavToMp3Plan m_plan;
    int m_next = 0;
    QString m_mp3Path;  // the MP3 being made now
    QString m_display;  // the encoder's command line, for the log
    qint64 m_expected = 0;
    int m_lastPercent = -1;
    std::unique_ptr<ChildProcess> m_encoder;
    quint64 m_encoderRun = 0; // counts the encoders started; an older one's end report is dropped
    quint64 m_look = 0;       // the look planned last; an earlier planned one is dropped
    bool m_held = false;
    bool m_aborting = false;
};

// The progress percent of an MP3 of length bytes expected to reach expected bytes:
// rounded to whole numbers (halves to even), at most 95; 0 when nothing is expected.
int16_t EncodePercent(qint64 length, qint64 expected);
