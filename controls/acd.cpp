#include "controls/acd.h"

#include "platform/cddrives.h"

#define DO_NOT_WANT_PARANOIA_COMPATIBILITY
#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <sndfile.h>

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace {

void initCdio()
{
    static std::once_flag once;
    std::call_once(once, [] { cdio_init(); });
}

// Everything one read needs; made on the window thread, then owned by the reader.
struct ReadJob {
    CdIo_t* cdio = nullptr;
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    SNDFILE* wav = nullptr;
    lsn_t first = 0;
    lsn_t last = 0;

    void close()
    {
        if (wav)
            sf_close(wav);
        if (paranoia)
            cdio_paranoia_free(paranoia);
        if (drive)
            cdio_cddap_close_no_free_cdio(drive);
        if (cdio)
            cdio_destroy(cdio);
        *this = ReadJob{};
    }
};

// The sectors paranoia could not read exactly, gathered by its callback on the reader's
// thread (the callback takes no pointer of ours).
thread_local std::set<long>* t_inexact = nullptr;

std::atomic<int> g_readers{0}; // reader threads alive, of every control

void onParanoia(long inpos, paranoia_cb_mode_t mode)
{
    // Positions are in 16-bit words from the start of the disc.
    if (t_inexact && (mode == PARANOIA_CB_SKIP || mode == PARANOIA_CB_REPAIR))
        t_inexact->insert(inpos / (CDIO_CD_FRAMESIZE_RAW / 2));
}

} // namespace

struct ACD::Shared {
    std::mutex m;
    std::condition_variable cv;
    long holdAt = -1;
    long stallAt = -1;
    int stalledReaders = 0;
    std::vector<std::pair<long, int>> reports;
    long roomFrames = -1;
};

// One read. Its reader posts to the control only while it is not stopped (under Shared::m),
// so a stopped or deleted control hears nothing more of it.
struct ACD::Run {
    ACD* owner = nullptr;
    QString path;
    quint64 generation = 0;
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{false};
};

ACD::ACD(QObject* parent) : QObject(parent), m_shared(std::make_shared<Shared>()) {}

ACD::~ACD() { StopRead(); }

int16_t ACD::InitStatus() const
{
    initCdio();
    // Without a usable libcdio driver no real drive can be read.
    return CdDrives::driverAvailable() ? 0 : 1;
}

int16_t ACD::DriveCount() const { return static_cast<int16_t>(CdDrives::list().size()); }

QString ACD::DriveName(int16_t n) const
{
    const auto drives = CdDrives::list();
    if (n < 1 || n > static_cast<int>(drives.size()))
        return {};
    const CdDriveInfo& d = drives[static_cast<size_t>(n - 1)];
    return (d.vendor + QLatin1Char(' ') + d.model).trimmed();
}

int16_t ACD::SelectDrive(int16_t n)
{
    const auto drives = CdDrives::list();
    if (n < 1 || n > static_cast<int>(drives.size())) {
        m_device.clear();
        return -1;
    }
    m_device = drives[static_cast<size_t>(n - 1)].device;
    return 0;
}

int16_t ACD::ReadTrack(int16_t& track, const QString& path)
{
    if (m_run && !m_run->ended)
        return Busy;
    if (m_device.isEmpty())
        return NoDisc;
    if (!QFileInfo::exists(m_device))
        return NoDisc;
    initCdio();
    ReadJob job;
    job.cdio = cdio_open(QFile::encodeName(m_device).constData(), DRIVER_UNKNOWN);
    if (!job.cdio)
        return NoDisc;
    const track_t first = cdio_get_first_track_num(job.cdio);
    const track_t count = cdio_get_num_tracks(job.cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        job.close();
        return NoDisc;
    }
    if (track < first || track >= first + count) {
        job.close();
        return NoSuchTrack;
    }
    const auto t = static_cast<track_t>(track);
    if (cdio_get_track_format(job.cdio, t) != TRACK_FORMAT_AUDIO) {
        job.close();
        return DataTrack;
    }
    job.drive = cdio_cddap_identify_cdio(job.cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    // Drives deliver their samples little-endian here, and images hold them so. The byte
    // order is never guessed from the audio: a track starting in heavy clipping reads
    // smoother byte-swapped and would rip as noise (and the guess costs a seek per read).
    if (job.drive)
        job.drive->bigendianp = 0;
    if (!job.drive || cdio_cddap_open(job.drive) != 0) {
        job.close();
        return NoDisc;
    }
    job.drive->bigendianp = 0;
    job.first = cdio_cddap_track_firstsector(job.drive, t);
    job.last = cdio_cddap_track_lastsector(job.drive, t);
    if (job.first < 0 || job.last < job.first) {
        job.close();
        return NoSuchTrack;
    }
    job.paranoia = cdio_paranoia_init(job.drive);
    if (!job.paranoia) {
        job.close();
        return NoDisc;
    }
    cdio_paranoia_modeset(job.paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    cdio_paranoia_seek(job.paranoia, job.first, SEEK_SET);

    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    job.wav = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!job.wav) {
        job.close();
        return CannotWrite;
    }

    m_failed = false;
    m_inexact = 0;
    m_run = std::make_shared<Run>();
    m_run->owner = this;
    m_run->path = path;
    m_run->generation = ++m_generation;
    ++g_readers;
    std::thread(worker, m_shared, m_run, new ReadJob(job)).detach();
    return Started;
}

void ACD::worker(std::shared_ptr<Shared> shared, std::shared_ptr<Run> run, void* jobPtr)
{
    std::unique_ptr<ReadJob> job(static_cast<ReadJob*>(jobPtr));
    const long total = job->last - job->first + 1;
    const quint64 generation = run->generation;
    ACD* owner = run->owner;
    std::set<long> inexact;
    t_inexact = &inexact;
    bool failed = false;
    bool noRoom = false;
    int32_t shown = -1;
    for (long i = 0; i < total; ++i) {
        long room = -1;
        std::vector<std::pair<long, int>> reports;
        {
            std::unique_lock lk(shared->m);
            shared->cv.wait(lk, [&] { return run->stop || shared->holdAt != i; });
            if (shared->stallAt == i) {
                ++shared->stalledReaders;
                shared->cv.notify_all();
                shared->cv.wait(lk, [&] { return shared->stallAt < 0; });
                --shared->stalledReaders;
            }
            room = shared->roomFrames;
            for (const auto& r : shared->reports)
                if (r.first == i)
                    reports.push_back(r);
        }
        if (run->stop)
            break;
        for (const auto& r : reports)
            onParanoia((job->first + r.first) * (CDIO_CD_FRAMESIZE_RAW / 2), static_cast<paranoia_cb_mode_t>(r.second));
        int16_t* samples = cdio_paranoia_read_limited(job->paranoia, onParanoia, 20);
        if (run->stop)
            break;
        if (!samples) {
            failed = true;
            break;
        }
        errno = 0;
        if ((room >= 0 && i >= room) ||
            sf_writef_short(job->wav, samples, CDIO_CD_FRAMESIZE_RAW / 4) != CDIO_CD_FRAMESIZE_RAW / 4) {
            failed = true;
            noRoom = (room >= 0 && i >= room) || errno == ENOSPC || errno == EDQUOT || errno == EFBIG;
            break;
        }
        const auto position = static_cast<int32_t>((i + 1) * 1000 / total);
        if (position != shown) {
            shown = position;
            std::lock_guard lk(shared->m);
            if (!run->stop)
                QMetaObject::invokeMethod(
                    owner,
                    [owner, position, generation] {
                        if (generation == owner->m_generation)
                            emit owner->ActPosition(position);
                    },
                    Qt::QueuedConnection);
        }
    }
    t_inexact = nullptr;
    job->close();
    const int inexactSectors = static_cast<int>(inexact.size());
    {
        std::lock_guard lk(shared->m);
        run->ended = true;
        // A stopped read's file went with the stop (a new read may use its name by now).
        if (!run->stop) {
            if (failed)
                QFile::remove(run->path); // a failed read leaves no partial file behind
            QMetaObject::invokeMethod(
                owner,
                [owner, failed, noRoom, inexactSectors, generation] {
                    if (generation != owner->m_generation)
                        return;
                    owner->m_failed = failed;
                    owner->m_noRoom = noRoom;
                    owner->m_inexact = inexactSectors;
                    emit owner->ReadComplete();
                },
                Qt::QueuedConnection);
        }
    }
    shared->cv.notify_all();
    --g_readers;
}

void ACD::StopRead()
{
    ++m_generation; // drops every signal of the read still in the queue
    const std::shared_ptr<Run> run = std::exchange(m_run, nullptr);
    if (!run)
        return;
    bool ended = false;
    {
        std::lock_guard lk(m_shared->m);
        ended = run->ended;
        run->stop = true;
    }
    m_shared->cv.notify_all();
    // The reader may be inside a read that the drive retries for minutes: it is not waited
    // for. Its file goes now; it writes on into nothing until it notices the stop.
    if (!ended)
        QFile::remove(run->path);
}

bool ACD::ReaderRunning() { return g_readers > 0; }

QString ACD::inexactText(int sectors)
{
    return sectors == 1 ? QStringLiteral("1 sector could not be read exactly")
                        : QStringLiteral("%1 sectors could not be read exactly").arg(sectors);
}

void ACD::holdAtFrame(long frames)
{
    {
        std::lock_guard lk(m_shared->m);
        m_shared->holdAt = frames;
    }
    m_shared->cv.notify_all();
}

void ACD::stallAtFrame(long frames)
{
    {
        std::lock_guard lk(m_shared->m);
        m_shared->stallAt = frames;
    }
    m_shared->cv.notify_all();
}

bool ACD::stalled() const
{
    std::lock_guard lk(m_shared->m);
    return m_shared->stalledReaders > 0;
}

void ACD::setParanoiaReports(std::vector<std::pair<long, int>> reports)
{
    std::lock_guard lk(m_shared->m);
    m_shared->reports = std::move(reports);
}

void ACD::setRoomForFrames(long frames)
{
    std::lock_guard lk(m_shared->m);
    m_shared->roomFrames = frames;
}
