#include "platform/cddrives.h"

#include <cdio/cdio.h>
#include <cdio/device.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDir>
#include <QHash>
#include <QFile>
#include <QFileInfo>
#include <mutex>

#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
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
class MachineDriveSys : public CdDriveSys {
public:
    int ioctl(const QString& device, unsigned long request, void* arg) override
    {
        // Without O_NONBLOCK the open fails while the tray is open or no disc is in.
        const int fd = ::open(QFile::encodeName(device).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return -errno;
        const int r = ::ioctl(fd, request, arg);
        const int err = errno;
        ::close(fd);
        return r < 0 ? -err : r;
    }
    bool cdioEject(const QString& device) override
    {
        initCdio();
        return cdio_eject_media_drive(QFile::encodeName(device).constData()) == DRIVER_OP_SUCCESS;
    }
    void cdioCloseTray(const QString& device) override
    {
        initCdio();
        driver_id_t driver = DRIVER_LINUX;
        cdio_close_tray(QFile::encodeName(device).constData(), &driver);
    }
    QByteArray mountTable() override
    {
        QFile mounts(QStringLiteral("/proc/self/mounts"));
        return mounts.open(QIODevice::ReadOnly) ? mounts.readAll() : QByteArray();
    }
    bool desktopUnmount(const QString& device) override
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected())
            return false;
        const QString service = QStringLiteral("org.freedesktop.UDisks2");
        const QString canon = canonicalDevicePath(device);
        // The block device's object: the service resolves the node, else it is named after it.
        QString object = QStringLiteral("/org/freedesktop/UDisks2/block_devices/") + QFileInfo(canon).fileName();
        QDBusMessage resolve = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                                                              QStringLiteral("org.freedesktop.UDisks2.Manager"),
                                                              QStringLiteral("ResolveDevice"));
        resolve << QVariantMap{{QStringLiteral("path"), canon}} << QVariantMap{};
        const QDBusReply<QList<QDBusObjectPath>> found = bus.call(resolve, QDBus::Block, kDbusTimeoutMs);
        if (found.isValid() && !found.value().isEmpty())
            object = found.value().first().path();
        QDBusMessage unmount = QDBusMessage::createMethodCall(service, object,
                                                              QStringLiteral("org.freedesktop.UDisks2.Filesystem"),
                                                              QStringLiteral("Unmount"));
        unmount << QVariantMap{};
        return bus.call(unmount, QDBus::Block, kDbusTimeoutMs).type() == QDBusMessage::ReplyMessage;
    }

    QStringList deviceNodes() override
    {
        QStringList out;
        const QStringList nodes =
            QDir(QStringLiteral("/dev")).entryList({QStringLiteral("sr*"), QStringLiteral("scd*")}, QDir::System);
        for (const QString& n : nodes)
            out << QStringLiteral("/dev/") + n;
        return out;
    }
    int access(const QString& path, int mode) override
    {
        return ::access(QFile::encodeName(path).constData(), mode) == 0 ? 0 : -errno;
    }
    QString groupOf(const QString& path) override
    {
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            return {};
        const struct group* g = ::getgrgid(st.st_gid);
        return g ? QString::fromLocal8Bit(g->gr_name) : QString();
    }

private:
    static constexpr int kDbusTimeoutMs = 20000;
};

class SystemDriveIo : public CdDriveIo {
public:
    explicit SystemDriveIo(CdDriveSys& sys) : m_sys(sys) {}

    Disc discState(const QString& device) override
    {
        const int st = m_sys.ioctl(device, CDROM_DRIVE_STATUS, reinterpret_cast<void*>(CDSL_CURRENT));
        switch (st) {
        case CDS_TRAY_OPEN: return Disc::TrayOpen;
        case CDS_NO_DISC: return Disc::NoDisc;
        case CDS_DRIVE_NOT_READY: return Disc::NotReady;
        case CDS_DISC_OK: return Disc::Ready;
        default: return Disc::Unknown;
        }
    }
    bool mediaChanged(const QString& device) override
    {
        // The kernel's one changed flag is cleared by whichever process asks first; the
        // timed call compares with this program's own time stamp of the device instead.
        std::lock_guard lk(m_mutex);
        cdrom_timed_media_change_info info{};
        info.last_media_change = m_lastChange.value(device, 0);
        const int r = m_sys.ioctl(device, CDROM_TIMED_MEDIA_CHANGE, &info);
        if (r >= 0) {
            m_lastChange.insert(device, info.last_media_change);
            return (info.media_flags & MEDIA_CHANGED_FLAG) != 0;
        }
        if (r != -ENOTTY && r != -EINVAL)
            return false;
        // A kernel without the timed call (before 5.16).
        return m_sys.ioctl(device, CDROM_MEDIA_CHANGED, reinterpret_cast<void*>(CDSL_CURRENT)) == 1;
    }
    bool eject(const QString& device) override
    {
        // A mounted disc is first unmounted by the desktop's own service; while it stays
        // mounted libcdio's eject is never asked (it would fork umount itself).
        if (isMounted(device) && (!m_sys.desktopUnmount(device) || isMounted(device)))
            return false;
        return m_sys.cdioEject(device);
    }
    void closeTray(const QString& device) override { m_sys.cdioCloseTray(device); }
    bool isMounted(const QString& device) override
    {
        const QString canon = canonicalDevicePath(device);
        const QList<QByteArray> lines = m_sys.mountTable().split('\n');
        for (const QByteArray& line : lines) {
            const QByteArray source = line.split(' ').value(0);
            if (source.startsWith('/') && canonicalDevicePath(QString::fromLocal8Bit(source)) == canon)
                return true;
        }
        return false;
    }
    QStringList deniedDevices() override
    {
        QStringList out;
        for (const QString& node : m_sys.deviceNodes())
            if (m_sys.access(node, R_OK | W_OK) == -EACCES)
                out << node;
        return out;
    }
    QString deviceGroup(const QString& device) override { return m_sys.groupOf(device); }

private:
    CdDriveSys& m_sys;
    std::mutex m_mutex;
    QHash<QString, qint64> m_lastChange; // per device: the last change this program saw, in the kernel's ms
};

CdDriveIo* g_driveIo = nullptr;
} // namespace

QString canonicalDevicePath(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

std::unique_ptr<CdDriveIo> makeSystemDriveIo(CdDriveSys& sys) { return std::make_unique<SystemDriveIo>(sys); }

CdDriveIo& DriveIo()
{
    static MachineDriveSys machine;
    static SystemDriveIo real(machine);
    return g_driveIo ? *g_driveIo : real;
}

void setDriveIo(CdDriveIo* io) { g_driveIo = io; }
