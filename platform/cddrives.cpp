#include "platform/cddrives.h"

#include <cdio/cdio.h>
#include <cdio/device.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <mutex>

#include <cerrno>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
std::mutex g_mutex;
std::vector<QString> g_images;
std::vector<CdDriveInfo> g_standIns;
bool g_hideReal = false;
bool g_driverMissing = false;

void initCdio()
{
    static std::once_flag once;
    std::call_once(once, [] { cdio_init(); });
}
} // namespace

bool CdDrives::driverAvailable()
{
    {
        std::lock_guard lk(g_mutex);
        if (g_driverMissing)
            return false;
    }
    initCdio();
    return cdio_have_driver(DRIVER_LINUX);
}

std::vector<CdDriveInfo> CdDrives::list()
{
    std::vector<CdDriveInfo> out;
    bool hide;
    std::vector<QString> images;
    std::vector<CdDriveInfo> standIns;
    {
        std::lock_guard lk(g_mutex);
        hide = g_hideReal;
        images = g_images;
        standIns = g_standIns;
    }
    if (!hide && driverAvailable()) {
        char** devices = cdio_get_devices(DRIVER_LINUX);
        for (char** d = devices; d && *d; ++d) {
            CdDriveInfo info;
            info.device = QString::fromLocal8Bit(*d);
            if (CdIo_t* cdio = cdio_open(*d, DRIVER_LINUX)) {
                cdio_hwinfo_t hw{};
                if (cdio_get_hwinfo(cdio, &hw)) {
                    info.vendor = QString::fromLatin1(hw.psz_vendor).trimmed();
                    info.model = QString::fromLatin1(hw.psz_model).trimmed();
                    info.revision = QString::fromLatin1(hw.psz_revision).trimmed();
                }
                cdio_destroy(cdio);
            }
            out.push_back(info);
        }
        cdio_free_device_list(devices);
    }
    for (CdDriveInfo d : standIns) {
        d.isImage = false;
        out.push_back(d);
    }
    for (const QString& img : images) {
        CdDriveInfo info;
        info.device = img;
        info.model = QFileInfo(img).completeBaseName();
        info.isImage = true;
        out.push_back(info);
    }
    return out;
}

void CdDrives::setInjectedImages(const std::vector<QString>& cuePaths)
{
    std::lock_guard lk(g_mutex);
    g_images = cuePaths;
}

void CdDrives::setInjectedDrives(const std::vector<CdDriveInfo>& drives)
{
    std::lock_guard lk(g_mutex);
    g_standIns = drives;
}

void CdDrives::setHideRealDrives(bool hide)
{
    std::lock_guard lk(g_mutex);
    g_hideReal = hide;
}

void CdDrives::setDriverMissing(bool missing)
{
    std::lock_guard lk(g_mutex);
    g_driverMissing = missing;
}

namespace {
class RealDriveIo : public CdDriveIo {
public:
    Disc discState(const QString& device) override
    {
        const int fd = openDrive(device);
        if (fd < 0)
            return Disc::Unknown;
        const int st = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
        ::close(fd);
        switch (st) {
        case CDS_TRAY_OPEN: return Disc::TrayOpen;
        case CDS_NO_DISC:
        case CDS_DRIVE_NOT_READY: return Disc::NoDisc;
        case CDS_DISC_OK: return Disc::Ready;
        default: return Disc::Unknown;
        }
    }
    bool mediaChanged(const QString& device) override
    {
        const int fd = openDrive(device);
        if (fd < 0)
            return false;
        const int changed = ::ioctl(fd, CDROM_MEDIA_CHANGED, CDSL_CURRENT);
        ::close(fd);
        return changed == 1;
    }
    bool eject(const QString& device) override
    {
        initCdio();
        return cdio_eject_media_drive(QFile::encodeName(device).constData()) == DRIVER_OP_SUCCESS;
    }
    void closeTray(const QString& device) override
    {
        initCdio();
        driver_id_t driver = DRIVER_LINUX;
        cdio_close_tray(QFile::encodeName(device).constData(), &driver);
    }
    bool isMounted(const QString& device) override
    {
        const QString canon = canonicalDevicePath(device);
        QFile mounts(QStringLiteral("/proc/self/mounts"));
        if (!mounts.open(QIODevice::ReadOnly))
            return false;
        while (!mounts.atEnd()) {
            const QByteArray source = mounts.readLine().split(' ').value(0);
            if (source.startsWith('/') && canonicalDevicePath(QString::fromLocal8Bit(source)) == canon)
                return true;
        }
        return false;
    }
    QStringList deniedDevices() override
    {
        QStringList out;
        const QStringList nodes =
            QDir(QStringLiteral("/dev")).entryList({QStringLiteral("sr*"), QStringLiteral("scd*")}, QDir::System);
        for (const QString& n : nodes) {
            const QByteArray path = QFile::encodeName(QStringLiteral("/dev/") + n);
            if (::access(path.constData(), R_OK) != 0 && errno == EACCES)
                out << QStringLiteral("/dev/") + n;
        }
        return out;
    }

private:
    static int openDrive(const QString& device)
    {
        // Without O_NONBLOCK the open fails while the tray is open or no disc is in.
        return ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
};

CdDriveIo* g_driveIo = nullptr;
} // namespace

QString canonicalDevicePath(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

CdDriveIo& DriveIo()
{
    static RealDriveIo real;
    return g_driveIo ? *g_driveIo : real;
}

void setDriveIo(CdDriveIo* io) { g_driveIo = io; }
