#pragma once
// What a CD writer backend needs to burn audio tracks and what it reports back.
// Shared by the writing control and its two backends (real drives, disc images).
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <vector>

// Audio CD geometry: 2352 bytes a sector, 588 stereo 16-bit frames at 44,100 Hz, 75 a second.
constexpr int kCdSectorBytes = 2352;
constexpr int kCdFramesPerSector = 588;
constexpr int kCdSectorsPerSecond = 75;
// A nominal 80-minute CD-R.
constexpr qint64 kCdR80Sectors = 80LL * 60 * kCdSectorsPerSecond;
// A disc-at-once write on a real disc puts a 2-second pregap before track 1 and pads
// every track shorter than 4 seconds to 4 seconds.
constexpr qint64 kCdFirstPregapSectors = 2 * kCdSectorsPerSecond;
constexpr qint64 kCdShortestTrackSectors = 4 * kCdSectorsPerSecond;

// What CheckDisc finds in a writer: 0 = a blank CD-R, ready to be written. DiscInUse: the
// drive is held by another program or a mounted disc and cannot be opened until it is out.
enum CdDiscState { DiscBlank = 0, DiscNone = 1, DiscNotBlank = 2, DiscNoWriter = 3, DiscBusy = 4, DiscNoAccess = 5,
                   DiscInUse = 6 };

// How a write ended. BurningProcessComplete carries one, so callers never have to
// guess the outcome from how long the write took.
struct BurnOutcome {
    enum Kind { Written, TestRunDone, Aborted, Failed };
    enum Reason { None, NoWriter, Busy, NoTracks, BadTrack, TooLong, NoDisc, DiscNotBlank, WriteError, InUse, Other };
    Kind kind = Failed;
    Reason reason = Other;
    QString message; // what went wrong, for the user; empty when it went well

    bool succeeded() const { return kind == Written || kind == TestRunDone; }
    static BurnOutcome written() { return {Written, None, {}}; }
    static BurnOutcome testRunDone() { return {TestRunDone, None, {}}; }
    static BurnOutcome aborted() { return {Aborted, None, QStringLiteral("Burning Stopped By User")}; }
    static BurnOutcome failed(Reason r, const QString& msg) { return {Failed, r, msg}; }
};
Q_DECLARE_METATYPE(BurnOutcome)

// Texts the writers report (InfoMessage and the outcome's message).
namespace BurnText {
inline QString noWriter() { return QStringLiteral("No CD Writer Selected"); }
inline QString busy() { return QStringLiteral("The CD Writer Is Busy"); }
inline QString noTracks() { return QStringLiteral("No Tracks To Write"); }
inline QString badTrack(const QString& path)
{
    return QStringLiteral("Not A Standard PCM 44,100 Hz, 16 Bit, Stereo WAV File: ") + path;
}
inline QString tooLong(qint64 need, qint64 room)
{
    return QStringLiteral("The Tracks Need %1 Sectors But The Disc Holds Only %2").arg(need).arg(room);
}
inline QString discInUse(const QStringList& devices)
{
    return QStringLiteral("The Disc In %1 Is In Use And Must Be Ejected First.\n"
                          "Eject It, Insert A Blank CD-R And Press Burn Again.")
        .arg(devices.join(QStringLiteral(", ")));
}
inline QString noDisc() { return QStringLiteral("No Disc In The CD Writer"); }
inline QString notBlank() { return QStringLiteral("The Disc In The CD Writer Is Not A Blank CD-R"); }
inline QString writeError(qint64 sector) { return QStringLiteral("Write Error At Sector %1").arg(sector); }
} // namespace BurnText

// One audio track of a burn: a 44,100 Hz 16-bit stereo WAV file.
struct BurnTrack {
    QString path;
    qint64 frames = 0; // stereo sample frames of its PCM data
    // Sectors the track takes; the last one is padded with silence.
    qint64 sectors() const { return (frames + kCdFramesPerSector - 1) / kCdFramesPerSector; }
};

struct BurnJob {
    std::vector<BurnTrack> tracks;
    int speed = 0;          // times the 1x audio rate; 0 or less = the drive's fastest
    bool simulate = false;  // test mode: run the whole write, put nothing on the disc
    qint64 totalSectors() const
    {
        qint64 n = 0;
        for (const auto& t : tracks)
            n += t.sectors();
        return n;
    }
    // Sectors of the tracks with short ones padded to the shortest a disc takes.
    qint64 paddedTrackSectors() const
    {
        qint64 n = 0;
        for (const auto& t : tracks)
            n += std::max(t.sectors(), kCdShortestTrackSectors);
        return n;
    }
    // Sectors the tracks take on a real disc, first pregap and padding included.
    qint64 discSectors() const { return kCdFirstPregapSectors + paddedTrackSectors(); }
};

// The worker thread's line back to the control. Calls are turned into the control's
// events on the window thread, in the order they are made.
class BurnReporter {
public:
    virtual ~BurnReporter() = default;
    virtual void actTrack(int track) = 0;       // from 1
    virtual void trackPercent(int percent) = 0; // repeated values are dropped
    virtual void info(const QString& text) = 0;
    // The disc is being finalised from now on and Abort no longer stops the write.
    // false when Abort came first: the backend stops instead.
    virtual bool fixating() = 0;
    // Whether Abort was called; a backend stops at its next step and cleans up.
    virtual bool abortRequested() const = 0;
};

// One writer: a real drive or a disc image.
class CdWriter {
public:
    virtual ~CdWriter() = default;
    // The writer's own device: "/dev/sr0", or the NAME.cue path of an image.
    virtual QString device() const = 0;
    virtual QString name() const = 0;
    // Usable when 1 to 99.
    virtual int driver() const = 0;
    // A CdDiscState.
    virtual int checkDisc() = 0;
    // Sectors the disc can hold: the disc's own once a check found it blank, else as far
    // as known before the disc is looked at.
    virtual qint64 capacitySectors() const = 0;
    // What the drive's library said when the last check could not open the drive ("" when
    // it said nothing of note).
    virtual QString discNote() const { return {}; }
    // Sectors the job takes on this writer's disc (compared with capacitySectors).
    virtual qint64 sectorsNeeded(const BurnJob& job) const { return job.totalSectors(); }
    // Runs on the worker thread and returns once the write has ended.
    virtual BurnOutcome write(const BurnJob& job, BurnReporter& report) = 0;
};
using CdWriterPtr = std::shared_ptr<CdWriter>;

// Checks one track for a burn: a 44,100 Hz 16-bit stereo PCM WAV. Fills frames.
bool inspectBurnTrack(BurnTrack& track, QString* why);
