#pragma once
// The burn of an audio CD: the MP3 tracks of the plan are decoded into temporary WAV files of
// the folder (the preparation, an Mp3ToWavJob), then every track is written to the disc by
// the CD-writing control, and at the end (done, aborted or failed) the temporary WAV files the
// run made are removed again, also when a signal (Ctrl-C, logout, a closed terminal) ends the
// program meanwhile. Files it did not make are never touched.
//
// The run is a chain of events: the decoder's (through the preparation job) and the writer's
// (ActTrack, TrackPercent, InfoMessage, Fixating, BurningProcessComplete). During the
// preparation the preparation job reports its own files and steps; nextTrack, percent and
// infoMessage of this job are the write's.
//
// Program-wide variables it keeps current: ConversionRunning (1 from start to the end),
// ProgressPercent (the write's percent of the track), BurnAbort (0 at the start and when the
// write starts, -1 once the write is stopped; -1 set by anyone stops the write at its next
// event) and, through the preparation, DecodeAbort.
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

#include "controls/acdwrite_types.h"
#include "jobs/job.h"

class ACDWRITE;
class Mp3Play;
class Mp3ToWavJob;
class SignalCleanup;

// What the burner asks for; built by its handler, never read back from a window.
struct BurnPlan {
    struct Track {
        QString fileName; // the file in the folder
        bool mp3 = false; // decoded into a temporary WAV file first
        QString wavName;  // an MP3's temporary WAV name wanted; numbered ("name(1).wav") when taken
    };
    QString folder;        // the music folder, ends in "/"
    QVector<Track> tracks; // in the order they are written
    int speed = 1;         // times the audio rate
    bool testMode = false; // simulate: the write runs through and puts nothing on the disc
};

class BurnCdJob : public Job {
    Q_OBJECT
public:
    // Called once every track has its WAV file, just before the write, with the WAV file of
    // each track in plan order: returns how many tracks, from the first, are written. 0 (or
    // less) ends the run as aborted, with nothing written.
    using WriteGate = std::function<int(const QStringList& trackFiles)>;

    // writer: the control with the writer already chosen; player: the decoder of the
    // preparation. Both outlive the job.
    BurnCdJob(ACDWRITE& writer, Mp3Play& player, QObject* parent = nullptr);
    ~BurnCdJob() override;

    void setPlan(BurnPlan plan) { m_plan = std::move(plan); }
    const BurnPlan& plan() const { return m_plan; }
    // Without a gate every track is written.
    void setWriteGate(WriteGate gate) { m_gate = std::move(gate); }

    void start() override;
    // During the preparation: stops the decoding. During the write: stops it, unless the disc
    // is already being finalised; then the write goes on to its end and stopping() stays false.
    void cancel() override;
    // Whether a stop was accepted: the run ends as aborted.
    bool stopping() const { return m_cancelled; }

    // The decoding of the preparation; a progress window may watch it (its cancel ends this
    // run too).
    Mp3ToWavJob& preparation() { return *m_prep; }
    // Whether the writer took the tracks and started writing.
    bool writeStarted() const { return m_writeStarted; }
    // How the write ended (Written or TestRunDone after a write that went well).
    BurnOutcome writeOutcome() const { return m_writeOutcome; }
    // The temporary WAV files made by this run and not yet removed.
    QStringList madeWavs() const;
    // Removes the temporary WAV files this run made (a file already gone is no error). Every
    // end of the run does it.
    void removeMadeWavs();

    // The messages a failed run ends with.
    static QString prepFailedText(const QString& mp3Name, const QString& why);
    static QString writeFailedText(const BurnOutcome& outcome);

    static QString prepareTask() { return QStringLiteral("Converting MP3 Files To Temp WAV Files"); }
    static QString burnTask() { return QStringLiteral("Burning"); }

signals:
    // The write starts with tracks tracks (the first of the plan).
    void writeStarting(int tracks);
    // The disc is being finalised: from now on the write can no longer be stopped.
    void fixating();

private:
    enum class Stage { Idle, Preparing, Gate, Writing };

    void onPrepFileStarted(int index, const QString& mp3Name, const QString& wavName);
    void onPrepFinished(const JobOutcome& outcome);
    void write();
    bool flagStops();
    void onActTrack(int track);
    void onTrackPercent(int value);
    void onInfoMessage(const QString& text);
    void onFixating();
    void onWriteComplete(const BurnOutcome& outcome);
    void end(const JobOutcome& outcome);

    ACDWRITE& m_writer;
    Mp3Play& m_player;
    Mp3ToWavJob* m_prep;
    BurnPlan m_plan;
    WriteGate m_gate;
    Stage m_stage = Stage::Idle;
    QVector<int> m_prepTracks; // the plan's track of each item of the preparation
    QStringList m_made;        // per plan track: the temporary WAV file made for it
    // From start to end: a signal that ends the program first removes the WAVs made.
    std::unique_ptr<SignalCleanup> m_signalCleanup;
    int m_count = 0;           // tracks handed to the writer
    bool m_cancelled = false;
    bool m_writeStarted = false;
    BurnOutcome m_writeOutcome;
};
