#pragma once
// The CD-writing control: finds the CD writers, takes a list of WAV files and writes
// them to a blank CD-R as audio tracks. The write runs on a worker thread; its events
// arrive on the thread that owns the control (the window thread), in this order:
// ActTrack and TrackPercent per track, InfoMessage at any time, Fixating, then
// BurningProcessComplete last (after an abort: UserStop, then BurningProcessComplete).
//
// Writers are the CD drives of the one drive enumerator (CdDrives) that can write CD-R,
// in its order, written through libburn; disc images join the list only when a test
// injects an image writer for them (ImageWriters::setInjected).
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "controls/acdwrite_types.h"

class ACDWRITE : public QObject {
    Q_OBJECT
public:
    // WriteCD results other than 0 (started); nothing is written for any of them.
    enum WriteRefusal { WriteStarted = 0, RefusedNoWriter = 1, RefusedBusy = 2, RefusedNoTracks = 3,
                        RefusedBadTrack = 4, RefusedTooLong = 5 };

    explicit ACDWRITE(QObject* parent = nullptr);
    ~ACDWRITE() override;

    // Looks for writers. 0 = at least one writer was found and is ready; 1 = none.
    int InitWriter();
    // Re-initialises the control: drops the track list and the writer choice; the next
    // InitWriter looks for writers again. A running write is not disturbed: it keeps its
    // writer and tracks, and InitWriter looks again only once it has ended.
    void Reset();

    // Drives the last look skipped because the disc in them is in use (held open by
    // another program, or mounted); each becomes a writer once its disc is ejected.
    QStringList DrivesInUse() const { return m_inUse; }

    int WriterCount() const;
    // Display name of writer index (from 0); "" when there is no such writer.
    QString WriterName(int index) const;
    // The writer's own device ("/dev/sr0", or an image's NAME.cue); "" for no such writer.
    // Eject and disc checks address the writer by this, never by a list position.
    QString WriterDevice(int index) const;
    // Makes writer index current; any other index (-1 included) leaves none current.
    void SelectWriter(int index);
    int SelectedWriter() const { return m_selected; }
    // Current writer's driver number, usable when 1 to 99; 0 when none is current.
    int WriterDriver() const;
    void SetDriver(int driver);
    int Driver() const { return m_driver; }

    // 0 = a blank CD-R is in the current writer; else a CdDiscState. DiscInUse names the
    // writer among DrivesInUse, and DiscNote() keeps what the drive's library said.
    int CheckDisc();
    QString DiscNote() const { return m_discNote; }

    // Burn settings.
    void Speed(int speed);          // 1, 2, 4, 6, 8 or 10 times the audio rate
    int Speed() const { return m_speed; }
    void TestMode(bool on);         // true = simulate, write nothing
    bool TestMode() const { return m_testMode; }
    void RealWrite(bool on);        // the negation of TestMode; a write is real only when both agree
    bool RealWrite() const { return m_realWrite; }
    void BurnOption(bool on);       // kept for callers; every disc is finalised
    bool BurnOption() const { return m_burnOption; }

    // Appends a WAV file as the next track (the second argument is not used).
    void AddTrack(const QString& path, long reserved = 0);
    QStringList Tracks() const { return m_tracks; }

    // How many of paths, taken from the first in order, fit together on the current writer's
    // disc (as WriteCD measures them); counting stops at the first that does not fit or is
    // not a CD-audio WAV. 0 when no writer is current.
    int TracksThatFit(const QStringList& paths) const;
    // The same for tracks known by their length only (stereo sample frames at 44,100 Hz),
    // as MP3 files are before they are decoded.
    int TracksThatFit(const std::vector<qint64>& frames) const;

    // Starts writing the tracks to the current writer. 0 = the write has started and goes
    // on after the call returns; other (a WriteRefusal) = nothing is written, and
    // LastOutcome() says why. The track list is used up either way.
    int WriteCD();
    // Stops a running write: UserStop, then BurningProcessComplete with the aborted outcome.
    // Once the disc is being finalised (Fixating) the write can no longer be stopped:
    // false then, and when no write is running.
    bool Abort();

    bool Writing() const { return m_running; }
    // How the last write ended, or why the last WriteCD was refused.
    BurnOutcome LastOutcome() const { return m_last; }

signals:
    // A look for writers or at the disc (seconds while a drive is busy or spins up) starts
    // (true) or has ended (false); the window shows meanwhile that it is looking.
    void Looking(bool on);
    void ActTrack(int track);
    void TrackPercent(int percent);
    void InfoMessage(int code, const QString& text);
    void Fixating();
    void BurningProcessComplete(const BurnOutcome& outcome);
    void UserStop();

private:
    class Reporter;
    void finishWrite(const BurnOutcome& outcome);
    int refuse(int code, BurnOutcome::Reason reason, const QString& message);

    std::vector<CdWriterPtr> m_writers;
    QStringList m_inUse;
    QString m_discNote;
    int m_selected = -1;
    int m_driver = 0;
    int m_speed = 0;
    bool m_testMode = false;
    bool m_realWrite = true;
    bool m_burnOption = false;
    QStringList m_tracks;
    BurnOutcome m_last;

    bool m_running = false;
    bool m_deliveringEnd = false; // the end events of a write are being delivered
    int m_endLooks = 0;           // writer looks made meanwhile
    // The running write's phase, shared with its worker.
    enum Phase { PhaseWriting, PhaseAbortRequested, PhaseFixating };
    std::shared_ptr<std::atomic<int>> m_phase;
    std::thread m_worker;
};

// Builds the writer list over the drive enumerator: real drives that libburn can write
// CD-R with, and injected image writers. Used by ACDWRITE::InitWriter. inUse receives
// the drives whose disc is in use (skipped as busy by libburn's scan, or mounted).
std::vector<CdWriterPtr> findCdWriters(QStringList* inUse = nullptr);
