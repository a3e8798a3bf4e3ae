#pragma once
// The rip-and-encode run: each track of the plan is read from the disc into a WAV file of
// the music folder, encoded into an MP3 file by the lame program (unless the plan keeps WAVs
// only), tagged and added to the song catalogue and, when asked, to a new playlist. While
// lame encodes one track, the next one is read ahead into a hidden file.
//
// The run is a chain of events: the reading control's "read done", lame's end, and a clock
// alarm for the one-second pause before an abandoned track's files are removed. It keeps
// the program-wide ConversionRunning and RipAbort current, and setting RipAbort to -1 ends
// it at its next step as a cancel() does. A track read with sectors that could not be read
// exactly is told (infoMessage, a warning) at the end of its read.
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

#include "jobs/job.h"

class ACD;
class ChildProcess;

struct RipTrack {
    int16_t number = 0; // on the disc, 1 = the first
    QString name;       // as listed; a blank name becomes "Track No. " and the number
    QString length;     // "mm:ss", for the tag comment and the records
};

// What the CD window asks for; built by its handler, never read back from the window.
struct RipPlan {
    QString folder;                // the music folder, ending in "/" (the program's MusicFolder)
    std::vector<RipTrack> tracks;  // in the order they are made
    int outputMode = 1;            // 1 MP3 only, 2 WAV only, 3 WAV and MP3
    QString bitRate;               // lame's bit-rate option ("-b128 "), "" for none
    QString artist;
    QString album;
    QString category;              // as typed; "Category" is the box's placeholder
    QString playlist;              // the playlist to fill, "" for none
};

class RipEncodeJob : public Job {
    Q_OBJECT
public:
    // reader: the CD reading control with the drive already chosen; it must outlive the run
    // (a reader that goes away ends the run as an abort).
    RipEncodeJob(RipPlan plan, ACD& reader, QObject* parent = nullptr);
    ~RipEncodeJob() override;

    void start() override;
    void cancel() override;
    // While held (the user is being asked whether to abort) the run takes no next step; the
    // read or encoder already running goes on. release() lets it go on.
    void hold();
    void release();

    const RipPlan& plan() const { return m_plan; }
    int tracksDone() const { return m_done; }

    // The messages the run ends with.
    static QString readErrorText();
    static QString encoderFailedText(const QString& wavName);
    static QString encoderMissingText();

signals:
    // The read of `track` into `wavName` is the step in hand (it may have begun ahead).
    void reading(int track, const QString& wavName);
    // A read of the disc began; ahead: quietly, for the track after the one in hand.
    void readStarted(int track, bool ahead);
    // lame encodes the track into mp3Path; expectedBytes is the MP3's expected size.
    void encoding(const QString& mp3Name, const QString& mp3Path, qint64 expectedBytes);
    // Track n of the run is made whole: its files, tag and records.
    void trackDone(int n, const QString& title);

private:
    enum class Stage { Idle, Reading, Encoding, CleaningUp };
    enum class Read { None, Current, Ahead };

    void advance();
    bool abortAsked() const;
    void startTrack();
    void afterRead();
    void startEncoder();
    void afterEncoder();
    void finishTrack(const QString& title);
    void startReadAhead();
    void dropReadAhead();
    bool encoderEnded();
    void onPosition(int32_t position);
    void onReadComplete();
    // Ends the run after removing `files`, each after a pause of a second; RipAbort stays -1.
    void endAfterCleanUp(const JobOutcome& outcome, QStringList files);
    void cleanUpNext();
    QString wavPath() const { return m_plan.folder + m_wavName; }
    QString mp3Path() const { return m_plan.folder + m_mp3Name; }

    RipPlan m_plan;
    QPointer<ACD> m_reader;
    Stage m_stage = Stage::Idle;
    bool m_inStep = false;
    bool m_held = false;
    bool m_cancelled = false;
    size_t m_index = 0; // into m_plan.tracks
    int m_done = 0;
    QString m_base;
    QString m_wavName;
    QString m_mp3Name;

    Read m_read = Read::None; // which read the reader runs
    bool m_readEnded = false; // the read of the track in hand has ended
    bool m_readFailed = false;
    bool m_readNoRoom = false;
    int m_readInexact = 0;    // its sectors not read exactly
    bool m_tookAhead = false; // the track in hand was read ahead

    int m_aheadIndex = -1; // the track read ahead, -1 none
    QString m_aheadPath;
    bool m_aheadEnded = false;
    bool m_aheadFailed = false;
    bool m_aheadNoRoom = false;
    int m_aheadInexact = 0;
    int m_aheadPercent = 0;

    std::unique_ptr<ChildProcess> m_encoder;
    bool m_encoderNotifies = false;
    quint64 m_encoderRun = 0;
    QTimer m_tick; // looks at RipAbort, and at an encoder that cannot report its end

    JobOutcome m_outcome;
    QStringList m_cleanUp;
    qint64 m_alarmAt = -1;
};
