#include "controls/burnlibburn.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <atomic>
#include <mutex>

#include <QRegularExpression>

#include <libburn/libburn.h>

#include "controls/wavpcmreader.h"
#include "platform/cddrives.h"
#include "platform/services.h"
#include "platform/signalcleanup.h"

using namespace burn;

namespace {
// libburn keeps one drive list for the process: scans, grabs and writes take turns.
std::mutex g_burnMutex;
LibburnCalls* g_calls = nullptr;
std::atomic<bool> g_acceptPseudoDrive{false};
std::atomic<bool> g_dataTracksForTests{false};
// libburn's profile of a "stdio:" pseudo-drive.
constexpr int kPseudoDriveProfile = 0xffff;

void pause(qint64 ms)
{
    Clocks().sleepUntilMs(Clocks().monotonicMs() + ms);
}

// A libburn data source that reads a WAV file's PCM through libsndfile.
struct WavSource {
    WavPcmReader reader;
    off_t fixedSize = 0;
};

int wavRead(burn_source* src, unsigned char* buffer, int size)
{
    auto* w = static_cast<WavSource*>(src->data);
    const qint64 got = w->reader.read(reinterpret_cast<char*>(buffer), size / 4);
    return got < 0 ? -1 : static_cast<int>(got * 4);
}
off_t wavGetSize(burn_source* src)
{
    auto* w = static_cast<WavSource*>(src->data);
    return w->fixedSize > 0 ? w->fixedSize : static_cast<off_t>(w->reader.frames() * 4);
}
int wavSetSize(burn_source* src, off_t size)
{
    static_cast<WavSource*>(src->data)->fixedSize = size;
    return 1;
}
void wavFree(burn_source* src)
{
    delete static_cast<WavSource*>(src->data);
}

burn_source* makeWavSource(const QString& path, QString* why)
{
    auto* w = new WavSource;
    if (!w->reader.open(path, why)) {
        delete w;
        return nullptr;
    }
    // libburn frees the struct itself with free().
    auto* src = static_cast<burn_source*>(std::calloc(1, sizeof(burn_source)));
    if (!src) {
        delete w;
        return nullptr;
    }
    src->refcount = 1;
    src->read = wavRead;
    src->get_size = wavGetSize;
    src->set_size = wavSetSize;
    src->free_data = wavFree;
    src->data = w;
    return src;
}

// ---- the real library ----
class RealLibburn : public LibburnCalls {
public:
    ~RealLibburn() override
    {
        if (m_started)
            burn_finish();
    }

    bool initialize() override
    {
        if (m_started)
            return true;
        if (burn_initialize() != 1)
            return false;
        // Messages are queued for the program instead of being printed; the queue takes
        // the debug ones too, for the note that a write thread has ended.
        burn_msgs_set_severities(const_cast<char*>("DEBUG"), const_cast<char*>("NEVER"), const_cast<char*>("quillory : "));
        m_started = true;
        return true;
    }
    void clearWhitelist() override { burn_drive_clear_whitelist(); }
    bool scan(std::vector<LibburnDriveInfo>& found) override
    {
        burn_drive_info* infos = nullptr;
        unsigned int n = 0;
        int r;
        while ((r = burn_drive_scan(&infos, &n)) == 0)
            pause(100);
        if (r < 0 || !infos)
            return false;
        for (unsigned int i = 0; i < n; ++i) {
            char adr[BURN_DRIVE_ADR_LEN] = {};
            if (burn_drive_get_adr(&infos[i], adr) <= 0)
                continue;
            LibburnDriveInfo d;
            d.address = QString::fromLocal8Bit(adr);
            d.vendor = QString::fromLatin1(infos[i].vendor).trimmed();
            d.product = QString::fromLatin1(infos[i].product).trimmed();
            d.writesCdR = infos[i].write_cdr;
            found.push_back(d);
        }
        // Leave no drive locked: each write grabs its own drive again.
        for (unsigned int i = 0; i < n; ++i)
            burn_drive_info_forget(&infos[i], 0);
        burn_drive_info_free(infos);
        return true;
    }
    bool grab(const QString& address) override
    {
        QByteArray adr = address.toLocal8Bit();
        adr.resize(BURN_DRIVE_ADR_LEN, '\0');
        if (burn_drive_scan_and_grab(&m_infos, adr.data(), 1) != 1 || !m_infos) {
            m_infos = nullptr;
            return false;
        }
        m_drive = m_infos[0].drive;
        return m_drive != nullptr;
    }
    void release() override
    {
        endWrite();
        if (m_drive)
            burn_drive_release(m_drive, 0);
        if (m_infos)
            burn_drive_info_free(m_infos);
        m_drive = nullptr;
        m_infos = nullptr;
    }
    DiscStatus discStatus() override
    {
        switch (burn_disc_get_status(m_drive)) {
        case BURN_DISC_UNREADY: return DiscUnready;
        case BURN_DISC_EMPTY: return DiscEmpty;
        case BURN_DISC_BLANK: return DiscBlank;
        default: return DiscOther;
        }
    }
    void reassess() override { burn_drive_re_assess(m_drive, 0); }
    int discProfile() override
    {
        int profile = 0;
        char name[80] = {};
        burn_disc_get_profile(m_drive, &profile, name);
        return profile;
    }
    void setWriteSpeed(int kBps) override { burn_drive_set_speed(m_drive, 0, kBps); }
    qint64 availableBytes(bool simulate) override
    {
        burn_write_opts* o = burn_write_opts_new(m_drive);
        burn_write_opts_set_write_type(o, BURN_WRITE_SAO, BURN_BLOCK_SAO);
        burn_write_opts_set_simulate(o, simulate ? 1 : 0);
        const qint64 room = static_cast<qint64>(burn_disc_available_space(m_drive, o));
        burn_write_opts_free(o);
        return room;
    }
    bool startWrite(const BurnJob& job, BurnOutcome::Reason* reason, QString* why) override
    {
        endWrite();
        m_writeRan = false;
        m_opts = burn_write_opts_new(m_drive);
        m_disc = burn_disc_create();
        m_session = burn_session_create();
        burn_write_opts_set_write_type(m_opts, BURN_WRITE_SAO, BURN_BLOCK_SAO);
        burn_write_opts_set_simulate(m_opts, job.simulate ? 1 : 0);
        burn_write_opts_set_underrun_proof(m_opts, 1);
        burn_disc_add_session(m_disc, m_session, BURN_POS_END);
        // Audio tracks, unless a test on a pseudo-drive asked for data tracks.
        const bool data = g_dataTracksForTests;
        const int mode = data ? BURN_MODE1 : BURN_AUDIO;
        const int blockBytes = data ? kDataBlockBytes : kCdSectorBytes;
        for (const BurnTrack& t : job.tracks) {
            burn_source* src = makeWavSource(t.path, why);
            if (!src) {
                *reason = BurnOutcome::BadTrack;
                return false;
            }
            // A fifo between the file and the drive keeps the drive fed while the file
            // system is slow for a moment.
            burn_source* fifo = burn_fifo_source_new(src, blockBytes, kFifoBytes / blockBytes, 0);
            burn_source_free(src);
            burn_track* track = burn_track_create();
            burn_track_define_data(track, 0, 0, 1, mode);
            const bool ok = fifo && burn_track_set_source(track, fifo) == BURN_SOURCE_OK;
            if (fifo)
                burn_source_free(fifo);
            if (ok)
                burn_session_add_track(m_session, track, BURN_POS_END);
            burn_track_free(track);
            if (!ok) {
                *reason = BurnOutcome::BadTrack;
                *why = BurnText::badTrack(t.path);
                return false;
            }
        }
        char reasons[BURN_REASONS_LEN] = {};
        if (burn_precheck_write(m_opts, m_disc, reasons, 1) <= 0) {
            *reason = BurnOutcome::Other;
            *why = QString::fromLocal8Bit(reasons).trimmed();
            return false;
        }
        burn_disc_write(m_opts, m_disc);
        // A write thread that started has put the drive out of idle at once (the library
        // marks the drive spawning before the thread runs). A drive still idle had its
        // write refused, unless the thread has ended already: its note says so then.
        m_writeThread = burn_drive_get_status(m_drive, nullptr) != BURN_DRIVE_IDLE;
        m_writeRan = m_writeThread;
        return true;
    }
    DriveStatus driveStatus(Progress& out) override
    {
        burn_progress p{};
        const burn_drive_status st = burn_drive_get_status(m_drive, &p);
        out.track = p.track;
        out.sector = p.sector;
        out.sectors = p.sectors;
        switch (st) {
        case BURN_DRIVE_IDLE: return DriveIdle;
        case BURN_DRIVE_SPAWNING: return DriveSpawning;
        case BURN_DRIVE_WRITING:
        case BURN_DRIVE_WRITING_LEADIN:
        case BURN_DRIVE_WRITING_PREGAP: return DriveWriting;
        case BURN_DRIVE_WRITING_LEADOUT:
        case BURN_DRIVE_CLOSING_TRACK:
        case BURN_DRIVE_CLOSING_SESSION: return DriveClosing;
        default: return DriveBusy;
        }
    }
    bool writeEnded() override { return !m_writeThread; }
    void cancel() override { burn_drive_cancel(m_drive); }
    // A refused write leaves the drive's result of the write before it: only a write
    // whose thread ran has a result of its own.
    bool wroteWell() override { return m_writeRan && burn_drive_wrote_well(m_drive) != 0; }
    void endWrite() override
    {
        if (m_opts)
            burn_write_opts_free(m_opts);
        if (m_session)
            burn_session_free(m_session);
        if (m_disc)
            burn_disc_free(m_disc);
        m_opts = nullptr;
        m_session = nullptr;
        m_disc = nullptr;
    }
    bool nextMessage(Message& m) override
    {
        if (!m_started)
            return false;
        int code = 0, osErrno = 0;
        char text[BURN_MSGS_MESSAGE_LEN] = {};
        char severity[80] = {};
        if (burn_msgs_obtain(const_cast<char*>("ALL"), &code, text, &osErrno, severity) != 1)
            return false;
        m.text = QString::fromLocal8Bit(text).trimmed();
        m.severity = QByteArray(severity);
        m.code = code;
        if (code == kWriteThreadEndedCode) {
            // (A thread that ended before startWrite looked still ran this write.)
            if (m_disc)
                m_writeRan = true;
            m_writeThread = false;
        }
        return true;
    }
    void setSignalHandling(bool writing) override
    {
        // While writing, a signal cancels the drive's work and returns; the write loop
        // then sees signalled() and ends the program once the drive is idle. libburn's
        // own way back (mode 1) sets every signal to its default, SIGPIPE included, so
        // the handlers from before the write are put back as they were.
        if (writing) {
            for (int sig = 1; sig < kSignals; ++sig)
                m_savedOk[sig] = sigaction(sig, nullptr, &m_saved[sig]) == 0;
            burn_set_signal_handling(const_cast<char*>("quillory : "), nullptr, 0x30);
        } else {
            burn_set_signal_handling(nullptr, nullptr, 1);
            for (int sig = 1; sig < kSignals; ++sig)
                if (m_savedOk[sig] && sig != SIGKILL && sig != SIGSTOP)
                    sigaction(sig, &m_saved[sig], nullptr);
        }
    }
    bool signalled() override { return burn_is_aborting(0) > 0; }
    void endAfterSignal() override
    {
        burn_abort(60, burn_abort_pacifier, const_cast<char*>("quillory : "));
        m_started = false;
        EndProgram(1);
    }

private:
    // About 4 MB of audio, some 24 seconds at 1x.
    static constexpr int kFifoBytes = 4 * 1024 * 1024;
    static constexpr int kDataBlockBytes = 2048; // a MODE1 block

    // libburn's (debug) note "Write thread on drive N ended", its write thread's last word.
    static constexpr int kWriteThreadEndedCode = 0x00020178;

    static constexpr int kSignals = 32; // the classic signals 1-31 libburn touches
    struct sigaction m_saved[kSignals] = {};
    bool m_savedOk[kSignals] = {};
    bool m_started = false;
    bool m_writeThread = false; // a write thread runs and has not yet said it ended
    bool m_writeRan = false;    // the current write's thread started
    burn_drive_info* m_infos = nullptr;
    burn_drive* m_drive = nullptr;
    burn_write_opts* m_opts = nullptr;
    burn_disc* m_disc = nullptr;
    burn_session* m_session = nullptr;
};

// ---- the writer over whichever library is in use ----

// Keeps one drive grabbed for as long as it lives.
struct GrabbedDrive {
    LibburnCalls& lib;
    bool held = false;
    bool grab(const QString& address) { return held = lib.grab(address); }
    ~GrabbedDrive()
    {
        if (held)
            lib.release();
    }
};

// Severities worth showing the user; lower ones are the library's own bookkeeping.
bool shown(const QByteArray& severity) { return severity != "DEBUG" && severity != "UPDATE" && severity != "ALL"; }
bool serious(const QByteArray& severity)
{
    return severity == "SORRY" || severity == "MISHAP" || severity == "FAILURE" || severity == "FATAL" ||
           severity == "ABORT";
}

// Empties the library's message queue. With a reporter the messages become InfoMessage
// texts and the last serious one is kept; without, they are dropped, so that nothing
// from a scan or a disc check turns up as a later burn's caption or error. With refusal,
// the library's refusal to start a write because an operation is still going on is
// kept there instead of being shown. With busy, the library's word that the drive is held
// by another program (a mounted disc) is kept there too.
void drainMessages(LibburnCalls& lib, BurnReporter* report = nullptr, QString* lastError = nullptr,
                   QString* refusal = nullptr, QString* busy = nullptr)
{
    LibburnCalls::Message m;
    while (lib.nextMessage(m)) {
        if (busy && m.code == LibburnCalls::kBusyDeviceCode)
            *busy = m.text.isEmpty() ? QStringLiteral("Cannot open busy device") : m.text;
        if (refusal && m.code == LibburnCalls::kOperationGoingOnCode) {
            *refusal = m.text.isEmpty() ? QStringLiteral("A drive operation is still going on") : m.text;
            continue;
        }
        if (!report || m.text.isEmpty() || !shown(m.severity))
            continue;
        report->info(m.text);
        if (lastError && serious(m.severity))
            *lastError = m.text;
    }
}

CdDiscState discState(LibburnCalls& lib)
{
    // The drive may still be spinning up after loading the disc: libburn keeps the status
    // of the grab, so the drive is asked again until it is ready (some 10 seconds).
    LibburnCalls::DiscStatus st = lib.discStatus();
    for (int i = 0; i < 20 && st == LibburnCalls::DiscUnready; ++i) {
        pause(500);
        lib.reassess();
        st = lib.discStatus();
    }
    if (st == LibburnCalls::DiscEmpty || st == LibburnCalls::DiscUnready)
        return DiscNone;
    if (st != LibburnCalls::DiscBlank)
        return DiscNotBlank;
    // 0x09 CD-R, 0x0a CD-RW
    const int profile = lib.discProfile();
    if (profile != 0x09 && profile != 0x0a && !(profile == kPseudoDriveProfile && g_acceptPseudoDrive))
        return DiscNotBlank;
    return DiscBlank;
}

// How long the library's write thread may take to end after the drive went idle (an
// aborted write on a real drive syncs its cache first).
constexpr qint64 kWriteThreadEndMs = 30000;

class LibburnWriter : public CdWriter {
public:
    LibburnWriter(QString device, QString address, QString name)
        : m_device(std::move(device)), m_address(std::move(address)), m_name(std::move(name))
    {
    }
    QString device() const override { return m_device; }
    QString name() const override { return m_name; }
    int driver() const override { return 1; }
    // A blank disc's own room (libburn's, which starts after the first pregap) once a check
    // has found one; a nominal 80-minute CD-R before.
    qint64 capacitySectors() const override
    {
        const qint64 room = m_roomSectors;
        return room > 0 ? room + kCdFirstPregapSectors : kCdR80Sectors;
    }
    qint64 sectorsNeeded(const BurnJob& job) const override { return job.discSectors(); }
    QString discNote() const override
    {
        std::lock_guard lk(m_noteMutex);
        return m_note;
    }

    int checkDisc() override
    {
        std::unique_lock lk(g_burnMutex, std::try_to_lock);
        if (!lk.owns_lock())
            return DiscBusy;
        LibburnCalls& lib = Libburn();
        if (!lib.initialize())
            return DiscNoAccess;
        int state = DiscNoAccess;
        qint64 room = 0;
        {
            GrabbedDrive g{lib};
            if (g.grab(m_address)) {
                state = discState(lib);
                if (state == DiscBlank)
                    room = lib.availableBytes(false) / 2048;
            }
        }
        // A grab refused because the drive is busy (a disc the desktop mounted meanwhile)
        // is a disc in use, with the library's own words kept.
        QString busy;
        drainMessages(lib, nullptr, nullptr, nullptr, &busy);
        if (state == DiscNoAccess && !busy.isEmpty())
            state = DiscInUse;
        m_roomSectors = std::max<qint64>(room, 0);
        std::lock_guard nl(m_noteMutex);
        m_note = busy;
        return state;
    }

    BurnOutcome write(const BurnJob& job, BurnReporter& report) override;

private:
    QString m_device;
    QString m_address;
    QString m_name;
    std::atomic<qint64> m_roomSectors{0}; // the blank disc's room found by the last check
    mutable std::mutex m_noteMutex;
    QString m_note;
};

BurnOutcome LibburnWriter::write(const BurnJob& job, BurnReporter& report)
{
    std::lock_guard lk(g_burnMutex);
    LibburnCalls& lib = Libburn();
    const auto fail = [&](BurnOutcome::Reason r, const QString& why) {
        drainMessages(lib, &report);
        report.info(why);
        return BurnOutcome::failed(r, why);
    };
    if (!lib.initialize())
        return fail(BurnOutcome::Other, QStringLiteral("Could Not Initialize CD Writer"));
    // Whatever an earlier scan or check left in the queue is not this burn's news.
    drainMessages(lib);
    GrabbedDrive g{lib};
    if (!g.grab(m_address)) {
        // A drive held by a mounted disc says so; the user hears which drive to free.
        QString busy;
        drainMessages(lib, &report, nullptr, nullptr, &busy);
        if (!busy.isEmpty())
            return fail(BurnOutcome::InUse, BurnText::discInUse({m_device}) + QLatin1Char('\n') + busy);
        return fail(BurnOutcome::Other, QStringLiteral("Could Not Open The CD Writer"));
    }
    switch (discState(lib)) {
    case DiscBlank:
        break;
    case DiscNone:
        return fail(BurnOutcome::NoDisc, BurnText::noDisc());
    default:
        return fail(BurnOutcome::DiscNotBlank, BurnText::notBlank());
    }
    lib.setWriteSpeed(cdSpeedKBps(job.speed));

    // libburn's room starts at track 1's first sector; the pregap before it is not in it.
    const qint64 need = job.paddedTrackSectors();
    const qint64 room = lib.availableBytes(job.simulate) / 2048;
    if (room > 0 && need > room)
        return fail(BurnOutcome::TooLong, BurnText::tooLong(need, room));

    // From here on a signal that ends the program first shuts the drive down.
    lib.setSignalHandling(true);
    const struct SignalsBack {
        LibburnCalls& lib;
        ~SignalsBack() { lib.setSignalHandling(false); }
    } signalsBack{lib};
    // A signal the library's handler caught ends the program once the drive is left alone,
    // the run's files first; also when the write never started, or the signal would be lost.
    const auto endIfSignalled = [&lib] {
        if (lib.signalled()) {
            UnlinkSignalCleanupFiles();
            lib.endAfterSignal();
        }
    };

    // What the grab and the disc check said is shown before the write, so that what
    // comes after startWrite is the write's own.
    QString lastError;
    drainMessages(lib, &report, &lastError);
    BurnOutcome::Reason refused = BurnOutcome::Other;
    QString why;
    if (!lib.startWrite(job, &refused, &why)) {
        endIfSignalled();
        return fail(refused, why);
    }
    // The library refuses a write while a scan or another drive operation is still going
    // on: it says so in its queue at once, starts no write thread (so no note of its end
    // ever comes) and leaves the drive's last result as it was.
    QString notStarted;
    drainMessages(lib, &report, &lastError, &notStarted);
    if (!notStarted.isEmpty()) {
        endIfSignalled();
        return fail(BurnOutcome::Busy, notStarted);
    }
    report.info(job.simulate ? QStringLiteral("Simulating Write") : QStringLiteral("Writing Tracks"));

    LibburnCalls::Progress p;
    LibburnCalls::DriveStatus st = lib.driveStatus(p);
    while (st == LibburnCalls::DriveSpawning) {
        pause(100);
        st = lib.driveStatus(p);
    }
    const int lastTrack = static_cast<int>(job.tracks.size()) - 1;
    int track = -1;
    bool lastTrackRunning = false; // the last track's size has been reported
    bool fixating = false;
    bool cancelled = false;
    // st is the drive's latest status: the first after spawning, then one a round.
    for (;; st = lib.driveStatus(p)) {
        drainMessages(lib, &report, &lastError);
        if (st == LibburnCalls::DriveIdle)
            break;
        // A signal ends the program once the drive is idle; the run's files go at once, in
        // case a second signal (a logout's kill) comes before that.
        if (lib.signalled())
            UnlinkSignalCleanupFiles();
        if (!fixating && !cancelled && (report.abortRequested() || lib.signalled())) {
            lib.cancel();
            cancelled = true;
        }
        if (!fixating && !cancelled) {
            if (st == LibburnCalls::DriveWriting) {
                if (p.track != track && p.track >= 0 && p.track <= lastTrack) {
                    track = p.track;
                    report.actTrack(track + 1);
                    report.trackPercent(0);
                }
                if (track >= 0 && p.sectors > 0)
                    report.trackPercent(static_cast<int>(std::min<qint64>(qint64(p.sector) * 100 / p.sectors, 100)));
                if (track == lastTrack && p.track == lastTrack && p.sectors > 0)
                    lastTrackRunning = true;
            }
            // In a disc-at-once write the lead-out goes out in the last flush while the
            // drive still says "writing": the last track at its end (or with its size
            // gone) is the finalising already.
            const bool ending = st == LibburnCalls::DriveClosing ||
                                (st == LibburnCalls::DriveWriting && lastTrackRunning &&
                                 (p.sectors <= 0 || p.sector >= p.sectors - 1));
            if (track == lastTrack && ending) {
                report.trackPercent(100);
                if (report.fixating()) {
                    fixating = true;
                } else {
                    lib.cancel();
                    cancelled = true;
                }
            }
        }
        pause(250);
    }
    // The drive is idle, but the library's write thread may still be finishing the write
    // (it marks a failed one only at its end). The result is read and the drive let go
    // once it has ended; else the next scan or write finds the drive still in use.
    const qint64 giveUp = Clocks().monotonicMs() + kWriteThreadEndMs;
    while (!lib.writeEnded() && Clocks().monotonicMs() < giveUp) {
        drainMessages(lib, &report, &lastError);
        pause(50);
    }
    drainMessages(lib, &report, &lastError);
    lib.endWrite();
    endIfSignalled();
    if (cancelled)
        return BurnOutcome::aborted();
    if (!lib.wroteWell())
        return BurnOutcome::failed(BurnOutcome::WriteError,
                                   lastError.isEmpty() ? QStringLiteral("Write Error") : lastError);
    if (!fixating) {
        // The drive went idle between two looks: the tracks it finished meanwhile are
        // reported written before the disc counts as finalised. An Abort that came in
        // meanwhile came too late: the disc is written and fixated, and Written says so.
        for (int t = std::max(track, 0); t <= lastTrack; ++t) {
            if (t != track)
                report.actTrack(t + 1);
            report.trackPercent(100);
        }
        report.fixating();
    }
    return job.simulate ? BurnOutcome::testRunDone() : BurnOutcome::written();
}
} // namespace

LibburnCalls& Libburn()
{
    static RealLibburn real;
    return g_calls ? *g_calls : real;
}

void setLibburn(LibburnCalls* calls) { g_calls = calls; }

int cdSpeedKBps(int times) { return times > 0 ? (times * 1764 + 9) / 10 : 0; }

LibburnScan libburnScanDrives()
{
    LibburnScan out;
    std::unique_lock lk(g_burnMutex, std::try_to_lock);
    LibburnCalls& lib = Libburn();
    if (!lk.owns_lock() || !lib.initialize())
        return out;
    // A grab restricts later scans to the grabbed drive: every scan looks at all drives.
    lib.clearWhitelist();
    if (!lib.scan(out.drives))
        out.drives.clear();
    // Of the scan's messages only the busy drives matter: a drive skipped as busy is
    // no writer now, but becomes one once its disc is ejected.
    LibburnCalls::Message m;
    static const QRegularExpression quoted(QStringLiteral("'([^']+)'"));
    while (lib.nextMessage(m)) {
        if (m.code != LibburnCalls::kBusyDeviceCode)
            continue;
        const QRegularExpressionMatch found = quoted.match(m.text);
        if (found.hasMatch()) {
            const QString device = canonicalDevicePath(found.captured(1));
            if (!out.busy.contains(device))
                out.busy << device;
        }
    }
    for (LibburnDriveInfo& d : out.drives)
        d.canonical = canonicalDevicePath(d.address);
    return out;
}

CdWriterPtr makeLibburnWriterAt(const QString& address, const QString& name)
{
    return std::make_shared<LibburnWriter>(address, address, name);
}

void setLibburnAcceptsPseudoDrive(bool accept) { g_acceptPseudoDrive = accept; }

void setLibburnDataTracksForTests(bool on) { g_dataTracksForTests = on; }

CdWriterPtr makeLibburnWriter(const CdDriveInfo& drive, const std::vector<LibburnDriveInfo>& scanned)
{
    const QString canon = canonicalDevicePath(drive.device);
    for (const LibburnDriveInfo& b : scanned) {
        if (b.canonical != canon || !b.writesCdR)
            continue;
        QString name = (drive.vendor + QLatin1Char(' ') + drive.model).trimmed();
        if (name.isEmpty())
            name = (b.vendor + QLatin1Char(' ') + b.product).trimmed();
        if (name.isEmpty())
            name = drive.device;
        return std::make_shared<LibburnWriter>(drive.device, b.address, name);
    }
    return nullptr;
}
