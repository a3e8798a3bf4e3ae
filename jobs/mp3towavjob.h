#pragma once
// Decodes MP3 files of a folder into WAV files (PCM 44,100 Hz, 16 bit, stereo), one after the
// other, driven by the MP3 control's events. The MP3-to-WAV converter runs it, and the
// burner's preparation of temporary WAV files.
//
// Program-wide variables it keeps current: ProgressPercent (decoding percent of the file),
// DecodeAbort (0 as each file starts, -1 once the run is aborted; -1 set by anyone ends the
// run at the file's end), ConversionRunning (1 from start; 0 at the end when the plan says
// the run ends with the decoding).
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>

#include "jobs/job.h"

class Mp3Play;

struct Mp3ToWavPlan {
    struct Item {
        QString mp3Name; // the MP3 file's name in the folder
        QString wavName; // the WAV name wanted; numbered ("name(1).wav") when taken
    };
    QString folder; // ends in "/"
    QVector<Item> items;
    // A file that cannot be decoded: true = the run fails; false = it is reported (logError)
    // and the run goes on with the next.
    bool stopAtUnreadable = false;
    // Milliseconds an aborted run waits before it removes the partial WAV file.
    int abortPauseMs = 0;
    // Whether ConversionRunning returns to 0 when the decoding ends.
    bool endsRun = true;
};

class Mp3ToWavJob : public Job {
    Q_OBJECT
public:
    // The job decodes through player, whose events drive it; player outlives the job.
    explicit Mp3ToWavJob(Mp3Play& player, QObject* parent = nullptr);

    void setPlan(Mp3ToWavPlan plan) { m_plan = std::move(plan); }
    const Mp3ToWavPlan& plan() const { return m_plan; }
    void start() override;
    void cancel() override;

    // The WAV file each item was decoded into (full path; empty for an item not begun or not
    // opened). A file of an aborted or failed item is removed and its entry cleared.
    QStringList madeWavs() const { return m_made; }
    // The MP3 name of the item a failed run stopped at.
    QString failedMp3() const { return m_failedMp3; }

signals:
    // Item index (from 0) starts decoding from mp3Name into wavName (the name chosen).
    void fileStarted(int index, const QString& mp3Name, const QString& wavName);

private:
    void next();
    void onFrame(int32_t frame);
    void onEnded();
    void endAborted(const QString& partial);
    void end(const JobOutcome& outcome);

    Mp3Play& m_player;
    Mp3ToWavPlan m_plan;
    QStringList m_made;
    QString m_failedMp3;
    int m_next = 0;         // the next item to look at
    int m_current = -1;     // the item decoding now
    QString m_currentWav;   // the WAV the decoder is writing now
    QString m_partial;      // the WAV being written when the abort came
    bool m_cancelled = false;
    bool m_endQueued = false; // an end step is queued (no decoder event will come)
    bool m_cleaningUp = false;
};

// The decoding percent: frame of the frame total (half the frame count at 48,000 bits a
// second or less), at most 100; previous when the total is 0.
int16_t DecodePercent(int32_t frame, int32_t frameCount, int32_t bitRate, int16_t previous);
