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
#include <memory>
#include <mutex>

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

void ignoreProgress(long, paranoia_cb_mode_t) {}

} // namespace

ACD::ACD(QObject* parent) : QObject(parent) {}

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
    if (m_running)
        return Busy;
    join();
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

    m_stop = false;
    m_failed = false;
    m_running = true;
    const quint64 generation = ++m_generation;
    auto* owned = new ReadJob(job);
    m_thread = std::thread([this, owned, path, generation] {
        worker(path, owned, generation);
    });
    return Started;
}

void ACD::worker(const QString& path, void* jobPtr, quint64 generation)
{
    std::unique_ptr<ReadJob> job(static_cast<ReadJob*>(jobPtr));
    const long total = job->last - job->first + 1;
    bool failed = false;
    bool noRoom = false;
    int32_t shown = -1;
    for (long i = 0; i < total; ++i) {
        {
            std::unique_lock lk(m_holdMutex);
            m_holdCv.wait(lk, [&] { return m_stop || m_holdAt != i; });
        }
        if (m_stop)
            break;
        int16_t* samples = cdio_paranoia_read_limited(job->paranoia, ignoreProgress, 20);
        if (!samples) {
            failed = true;
            break;
        }
        const long room = m_roomFrames;
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
            QMetaObject::invokeMethod(
                this,
                [this, position, generation] {
                    if (generation == m_generation)
                        emit ActPosition(position);
                },
                Qt::QueuedConnection);
        }
    }
    const bool stopped = m_stop;
    job->close();
    // A stopped or failed read leaves no partial file behind.
    if (stopped || failed)
        QFile::remove(path);
    m_running = false;
    if (!stopped) {
        QMetaObject::invokeMethod(
            this,
            [this, failed, noRoom, generation] {
                if (generation != m_generation)
                    return;
                m_failed = failed;
                m_noRoom = noRoom;
                emit ReadComplete();
            },
            Qt::QueuedConnection);
    }
}

void ACD::StopRead()
{
    ++m_generation; // drops every signal of the read still in the queue
    {
        std::lock_guard lk(m_holdMutex);
        m_stop = true;
    }
    m_holdCv.notify_all();
    join();
}

void ACD::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void ACD::holdAtFrame(long frames)
{
    {
        std::lock_guard lk(m_holdMutex);
        m_holdAt = frames;
    }
    m_holdCv.notify_all();
}
