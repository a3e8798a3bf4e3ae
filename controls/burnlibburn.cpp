#include "controls/burnlibburn.h"

#include <QFileInfo>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <libburn/libburn.h>

#include "platform/cddrives.h"
#include "platform/services.h"

using namespace burn;

namespace {
// libburn keeps one drive list for the process: scans, grabs and writes take turns.
std::mutex g_burnMutex;
bool g_started = false;

bool startLibburn()
{
    if (g_started)
        return true;
    if (burn_initialize() != 1)
        return false;
    // Messages are collected for InfoMessage instead of being printed.
    burn_msgs_set_severities(const_cast<char*>("NOTE"), const_cast<char*>("NEVER"), const_cast<char*>("quillory: "));
    static struct Finish {
        ~Finish()
        {
            std::lock_guard lk(g_burnMutex);
            if (g_started)
                burn_finish();
        }
    } finish;
    g_started = true;
    return true;
}

void pause(qint64 ms)
{
    Clocks().sleepUntilMs(Clocks().monotonicMs() + ms);
}

QString canonicalDevice(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

// One grabbed drive, released again when it goes out of scope.
struct GrabbedDrive {
    burn_drive_info* infos = nullptr;
    burn_drive* drive = nullptr;

    bool grab(const QString& address)
    {
        QByteArray adr = address.toLocal8Bit();
        adr.resize(BURN_DRIVE_ADR_LEN, '\0');
        if (burn_drive_scan_and_grab(&infos, adr.data(), 1) != 1 || !infos) {
            infos = nullptr;
            return false;
        }
        drive = infos[0].drive;
        return drive != nullptr;
    }
    ~GrabbedDrive()
    {
        if (drive)
            burn_drive_release(drive, 0);
        if (infos)
            burn_drive_info_free(infos);
    }
};

CdDiscState discState(burn_drive* drive)
{
    burn_disc_status st = BURN_DISC_UNREADY;
    // The drive may still be spinning up after loading the disc.
    for (int i = 0; i < 100 && (st = burn_disc_get_status(drive)) == BURN_DISC_UNREADY; ++i)
        pause(100);
    if (st == BURN_DISC_EMPTY || st == BURN_DISC_UNREADY)
        return DiscNone;
    if (st != BURN_DISC_BLANK)
        return DiscNotBlank;
    int profile = 0;
    char profileName[80] = {};
    burn_disc_get_profile(drive, &profile, profileName);
    // 0x09 CD-R, 0x0a CD-RW
    if (profile != 0x09 && profile != 0x0a)
        return DiscNotBlank;
    return DiscBlank;
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

class LibburnWriter : public CdWriter {
public:
    LibburnWriter(QString device, QString address, QString name)
        : m_device(std::move(device)), m_address(std::move(address)), m_name(std::move(name))
    {
    }
    QString device() const override { return m_device; }
    QString name() const override { return m_name; }
    int driver() const override { return 1; }
    qint64 capacitySectors() const override { return kCdR80Sectors; }

    int checkDisc() override
    {
        std::unique_lock lk(g_burnMutex, std::try_to_lock);
        if (!lk.owns_lock())
            return DiscBusy;
        if (!startLibburn())
            return DiscNoAccess;
        GrabbedDrive g;
        if (!g.grab(m_address))
            return DiscNoAccess;
        return discState(g.drive);
    }

    BurnOutcome write(const BurnJob& job, BurnReporter& report) override;

private:
    QString m_device;
    QString m_address;
    QString m_name;
};

// Passes libburn's queued messages on as InfoMessage texts; keeps the last serious one.
void drainMessages(BurnReporter& report, QString* lastError)
{
    int code = 0, osErrno = 0;
    char text[BURN_MSGS_MESSAGE_LEN] = {};
    char severity[80] = {};
    while (burn_msgs_obtain(const_cast<char*>("NOTE"), &code, text, &osErrno, severity) == 1) {
        const QString msg = QString::fromLocal8Bit(text).trimmed();
        if (msg.isEmpty())
            continue;
        report.info(msg);
        const QByteArray sev(severity);
        if (sev == "SORRY" || sev == "FAILURE" || sev == "FATAL" || sev == "ABORT")
            *lastError = msg;
    }
}

BurnOutcome LibburnWriter::write(const BurnJob& job, BurnReporter& report)
{
    std::lock_guard lk(g_burnMutex);
    const auto fail = [&](BurnOutcome::Reason r, const QString& why) {
        report.info(why);
        return BurnOutcome::failed(r, why);
    };
    if (!startLibburn())
        return fail(BurnOutcome::Other, QStringLiteral("Could Not Initialize CD Writer"));
    GrabbedDrive g;
    if (!g.grab(m_address))
        return fail(BurnOutcome::Other, QStringLiteral("Could Not Open The CD Writer"));
    switch (discState(g.drive)) {
    case DiscBlank:
        break;
    case DiscNone:
        return fail(BurnOutcome::NoDisc, BurnText::noDisc());
    default:
        return fail(BurnOutcome::DiscNotBlank, BurnText::notBlank());
    }

    burn_write_opts* opts = burn_write_opts_new(g.drive);
    burn_disc* disc = burn_disc_create();
    burn_session* session = burn_session_create();
    const struct Cleanup {
        burn_write_opts* o;
        burn_disc* d;
        burn_session* s;
        ~Cleanup()
        {
            burn_write_opts_free(o);
            burn_session_free(s);
            burn_disc_free(d);
        }
    } cleanup{opts, disc, session};

    burn_write_opts_set_write_type(opts, BURN_WRITE_SAO, BURN_BLOCK_SAO);
    burn_write_opts_set_simulate(opts, job.simulate ? 1 : 0);
    burn_write_opts_set_underrun_proof(opts, 1);
    burn_drive_set_speed(g.drive, 0, job.speed > 0 ? job.speed * 176 : 0);

    const qint64 need = job.totalSectors();
    const qint64 room = static_cast<qint64>(burn_disc_available_space(g.drive, opts) / 2048);
    if (room > 0 && need > room)
        return fail(BurnOutcome::TooLong, BurnText::tooLong(need, room));

    burn_disc_add_session(disc, session, BURN_POS_END);
    for (const BurnTrack& t : job.tracks) {
        QString why;
        burn_source* src = makeWavSource(t.path, &why);
        if (!src)
            return fail(BurnOutcome::BadTrack, why);
        burn_track* track = burn_track_create();
        burn_track_define_data(track, 0, 0, 1, BURN_AUDIO);
        const bool ok = burn_track_set_source(track, src) == BURN_SOURCE_OK;
        burn_source_free(src);
        if (ok)
            burn_session_add_track(session, track, BURN_POS_END);
        burn_track_free(track);
        if (!ok)
            return fail(BurnOutcome::BadTrack, BurnText::badTrack(t.path));
    }
    char reasons[BURN_REASONS_LEN] = {};
    if (burn_precheck_write(opts, disc, reasons, 1) <= 0)
        return fail(BurnOutcome::Other, QString::fromLocal8Bit(reasons).trimmed());

    report.info(job.simulate ? QStringLiteral("Simulating Write") : QStringLiteral("Writing Tracks"));
    burn_disc_write(opts, disc);

    burn_progress p{};
    while (burn_drive_get_status(g.drive, &p) == BURN_DRIVE_SPAWNING)
        pause(100);
    int track = -1;
    bool fixating = false;
    bool cancelled = false;
    QString lastError;
    for (;;) {
        const burn_drive_status st = burn_drive_get_status(g.drive, &p);
        drainMessages(report, &lastError);
        if (st == BURN_DRIVE_IDLE)
            break;
        if (!fixating && report.abortRequested() && !cancelled) {
            burn_drive_cancel(g.drive);
            cancelled = true;
        }
        if (st == BURN_DRIVE_WRITING && !fixating) {
            if (p.track != track && p.track >= 0 && p.track < static_cast<int>(job.tracks.size())) {
                track = p.track;
                report.actTrack(track + 1);
                report.trackPercent(0);
            }
            if (track >= 0 && p.sectors > 0)
                report.trackPercent(static_cast<int>(qint64(p.sector) * 100 / p.sectors));
        } else if (!cancelled && !fixating && track == static_cast<int>(job.tracks.size()) - 1 &&
                   (st == BURN_DRIVE_CLOSING_SESSION || st == BURN_DRIVE_WRITING_LEADOUT ||
                    st == BURN_DRIVE_CLOSING_TRACK)) {
            report.trackPercent(100);
            report.fixating();
            fixating = true;
        }
        pause(250);
    }
    drainMessages(report, &lastError);
    if (cancelled)
        return BurnOutcome::aborted();
    if (!burn_drive_wrote_well(g.drive))
        return BurnOutcome::failed(BurnOutcome::WriteError,
                                   lastError.isEmpty() ? QStringLiteral("Write Error") : lastError);
    if (!fixating)
        report.fixating();
    return job.simulate ? BurnOutcome::testRunDone() : BurnOutcome::written();
}
} // namespace

std::vector<LibburnDriveInfo> libburnScanDrives()
{
    std::vector<LibburnDriveInfo> out;
    std::unique_lock lk(g_burnMutex, std::try_to_lock);
    if (!lk.owns_lock() || !startLibburn())
        return out;
    burn_drive_info* infos = nullptr;
    unsigned int n = 0;
    int r;
    while ((r = burn_drive_scan(&infos, &n)) == 0)
        pause(100);
    if (r < 0 || !infos)
        return out;
    for (unsigned int i = 0; i < n; ++i) {
        char adr[BURN_DRIVE_ADR_LEN] = {};
        if (burn_drive_get_adr(&infos[i], adr) <= 0)
            continue;
        LibburnDriveInfo d;
        d.address = QString::fromLocal8Bit(adr);
        d.canonical = canonicalDevice(d.address);
        d.vendor = QString::fromLatin1(infos[i].vendor).trimmed();
        d.product = QString::fromLatin1(infos[i].product).trimmed();
        d.writesCdR = infos[i].write_cdr;
        out.push_back(d);
    }
    // Leave no drive locked: each write grabs its own drive again.
    for (unsigned int i = 0; i < n; ++i)
        burn_drive_info_forget(&infos[i], 0);
    burn_drive_info_free(infos);
    return out;
}

CdWriterPtr makeLibburnWriter(const CdDriveInfo& drive, const std::vector<LibburnDriveInfo>& scanned)
{
    const QString canon = canonicalDevice(drive.device);
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
