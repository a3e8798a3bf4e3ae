#pragma once
// The CD reading control: lists the CD drives (through the one drive enumerator) and
// reads an audio track into a WAV file (44,100 Hz, 16-bit, stereo) with
// libcdio-paranoia on a worker thread. Progress and the end of a read arrive as
// queued signals on the thread the control lives on (the window thread).
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class ACD : public QObject {
    Q_OBJECT
public:
    // ReadTrack results.
    enum ReadResult : int16_t {
        Started = 0,
        NoDisc = 1,      // no drive selected, no such drive or no readable disc in it
        NoSuchTrack = 2,
        DataTrack = 3,
        CannotWrite = 4, // the WAV file cannot be created
        Busy = 5,        // a read is already running
    };

    explicit ACD(QObject* parent = nullptr);
    ~ACD() override;

    // 0: the control can read CDs (a machine without drives lists none); 1: libcdio has
    // no usable driver.
    int16_t InitStatus() const;
    int16_t DriveCount() const;
    // The brand text of drive n (1 = the first drive); empty for no such drive.
    QString DriveName(int16_t n) const;
    // Selects drive n (1 = the first) for later reads; 0 when it exists, else -1.
    int16_t SelectDrive(int16_t n);
    // Starts reading `track` into `path`; 0 when the read has started (ActPosition and
    // ReadComplete follow), else a ReadResult telling why the track cannot be read.
    int16_t ReadTrack(int16_t& track, const QString& path);
    // Stops a running read and returns at once: the reader stops before its next sector (a
    // sector the drive is still retrying is finished first; paranoia cannot be cut short) and
    // ends by itself, holding the drive until then; the partial file is removed now. No
    // signal of that read arrives afterwards, and a new read may start while the stopped one
    // is still ending.
    void StopRead();
    // Whether the last read ended without the whole track in its file (a read error:
    // the partial file is removed). False after a complete read.
    bool ReadFailed() const { return m_failed; }
    // Whether that failure was a write refused for lack of room (a full disk or quota),
    // rather than a sector the drive could not read.
    bool ReadFailedForRoom() const { return m_failed && m_noRoom; }
    // The sectors of the last read that paranoia could not read exactly (skipped or repaired
    // after its retries); 0 after an exact read.
    int InexactSectors() const { return m_inexact; }
    // The text that tells of them: "n sectors could not be read exactly".
    static QString inexactText(int sectors);
    // Whether a reader thread of any control runs, a stopped one that is still ending included.
    static bool ReaderRunning();

    // Tests: the reader stops before frame `frames` of the track and waits there until
    // StopRead (or until holdAtFrame(-1) lets it go on).
    void holdAtFrame(long frames);
    // Tests: the read of frame `frames` does not return (as a scratched sector that the drive
    // retries for minutes) until stallAtFrame(-1); a stop does not end it. stalled() tells
    // whether a reader waits there.
    void stallAtFrame(long frames);
    bool stalled() const;
    // Tests: paranoia's reports (frame of the track, paranoia_cb_mode_t) that the reader's
    // callback is given before that frame of each read is read.
    void setParanoiaReports(std::vector<std::pair<long, int>> reports);
    // Tests: the disk takes `frames` frames of each read's WAV, then the next write fails as
    // on a full disk (-1: no limit).
    void setRoomForFrames(long frames);

signals:
    // Progress of the running read in tenths of a percent (0 to 1000).
    void ActPosition(int32_t position);
    // The running read has ended (see ReadFailed).
    void ReadComplete();

private:
    struct Shared;
    struct Run;
    static void worker(std::shared_ptr<Shared> shared, std::shared_ptr<Run> run, void* job);

    QString m_device;
    // What the control and its reader threads share; a stopped reader keeps it after the
    // control is gone.
    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<Run> m_run; // the read in hand
    std::atomic<quint64> m_generation{0};
    bool m_failed = false;
    bool m_noRoom = false;
    int m_inexact = 0;
};
