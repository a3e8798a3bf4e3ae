#pragma once
// The one CD drive enumerator of the program: real drives (libcdio's device list, in its
// order) followed by disc images that tests inject. The settings dialog, DetectCDDrives,
// the ripper and the burner all list drives through it, in this one order.
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct CdDriveInfo {
    QString device;   // "/dev/sr0", or the path of an image's NAME.cue
    QString vendor;   // from the drive itself (empty for images)
    QString model;
    QString revision;
    bool isImage = false;
};

class CdDrives {
public:
    // Every drive; an empty list when libcdio finds none (or cannot start).
    static std::vector<CdDriveInfo> list();
    // Whether libcdio could enumerate real drives at all.
    static bool driverAvailable();
    // Test injection: image drives (NAME.cue paths) listed after the real ones.
    static void setInjectedImages(const std::vector<QString>& cuePaths);
    // Test injection: stand-ins for real drives (device paths), listed after the real
    // drives and before the images; the drive calls behind them are the tests' own.
    static void setInjectedDrives(const std::vector<CdDriveInfo>& drives);
    // Test injection: hide real drives so tests see only their images.
    static void setHideRealDrives(bool hide);
    // Test injection: act as if libcdio had no usable driver (driverAvailable() false).
    static void setDriverMissing(bool missing);
};

// A device path with symbolic links resolved (/dev/cdrom -> /dev/sr0); the path itself
// when it cannot be resolved.
QString canonicalDevicePath(const QString& path);

// The drives themselves, asked directly: door and disc, the eject, mounts and access.
// The real one uses the kernel's CD calls and libcdio; tests put their own in its place.
class CdDriveIo {
public:
    // NotReady: a disc is in but still spinning up; it is not gone.
    enum class Disc { Unknown, TrayOpen, NoDisc, NotReady, Ready };
    virtual ~CdDriveIo() = default;
    // What the drive says now (Unknown when it cannot be asked).
    virtual Disc discState(const QString& device) = 0;
    // Whether the drive saw a disc change since this program last asked about device
    // (other programs asking do not take the change away).
    virtual bool mediaChanged(const QString& device) = 0;
    // Opens the tray; false when the drive refused (a disc in use stays mounted).
    virtual bool eject(const QString& device) = 0;
    virtual void closeTray(const QString& device) = 0;
    // Whether a file system of the disc in device is mounted.
    virtual bool isMounted(const QString& device) = 0;
    // CD device nodes on the machine that this user may not open for reading and
    // writing (a writer is opened read-write).
    virtual QStringList deniedDevices() = 0;
    // The group that owns a device node ("" when not known): the group a user joins to use it.
    virtual QString deviceGroup(const QString& device) { return {}; }
};
CdDriveIo& DriveIo();
void setDriveIo(CdDriveIo* io);

// The kernel, library and desktop calls under the real drive answers. The real drive
// answers are built over these, so tests can play a drive below them
// (makeSystemDriveIo) and see what reaches the kernel and libcdio.
class CdDriveSys {
public:
    virtual ~CdDriveSys() = default;
    // An ioctl on the device opened read-only without blocking: its result, or -errno.
    virtual int ioctl(const QString& device, unsigned long request, void* arg) = 0;
    // libcdio's eject and tray close. libcdio unmounts a mounted disc itself by forking
    // umount and waiting for any child, so its eject is only given an unmounted disc.
    virtual bool cdioEject(const QString& device) = 0;
    virtual void cdioCloseTray(const QString& device) = 0;
    // The mount table, as /proc/self/mounts reads.
    virtual QByteArray mountTable() = 0;
    // Asks the desktop's disk service (UDisks2 over D-Bus) to unmount the disc's file
    // systems; false when it refused or does not run.
    virtual bool desktopUnmount(const QString& device) = 0;
    // The CD device nodes of the machine (/dev/sr*, /dev/scd*).
    virtual QStringList deviceNodes() = 0;
    // access(2) on path: 0, or -errno.
    virtual int access(const QString& path, int mode) = 0;
    // The name of the group owning path; "" when not known.
    virtual QString groupOf(const QString& path) = 0;
};
// Drive answers over these calls; DriveIo() without a test's replacement is one of these
// over the machine's own calls.
std::unique_ptr<CdDriveIo> makeSystemDriveIo(CdDriveSys& sys);
