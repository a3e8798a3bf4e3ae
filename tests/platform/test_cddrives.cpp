// The real drive answers over a played kernel, libcdio and desktop: what reaches libcdio's
// eject, how drive states are read, and the media-change check.
#include <QStringList>
#include <gtest/gtest.h>
#include <linux/cdrom.h>
#include <map>
#include <unistd.h>

#include "platform/cddrives.h"

namespace {

// A machine with CD drives that exist only here.
class FakeDriveSys : public CdDriveSys {
public:
    QStringList log;
    QByteArray mounts;
    bool unmountWorks = true;
    bool unmountLeavesItMounted = false;
    std::map<QString, int> driveStatus; // CDROM_DRIVE_STATUS answers
    // The kernel's media changes: per device the time of the last one (ms) and the
    // one flag every process shares.
    std::map<QString, qint64> changedAt;
    std::map<QString, bool> changedFlag;
    bool timedMissing = false; // a kernel before the timed call

    void insertDisc(const QString& device, qint64 at)
    {
        changedAt[device] = at;
        changedFlag[device] = true;
    }
    int ioctl(const QString& device, unsigned long request, void* arg) override
    {
        if (request == CDROM_DRIVE_STATUS)
            return driveStatus.count(device) ? driveStatus[device] : -ENXIO;
        if (request == CDROM_MEDIA_CHANGED)
            return std::exchange(changedFlag[device], false) ? 1 : 0;
        if (request == CDROM_TIMED_MEDIA_CHANGE && !timedMissing) {
            auto* info = static_cast<cdrom_timed_media_change_info*>(arg);
            info->media_flags = info->last_media_change < changedAt[device] ? MEDIA_CHANGED_FLAG : 0;
            info->last_media_change = changedAt[device];
            return 0;
        }
        return -ENOTTY;
    }
    bool cdioEject(const QString& device) override
    {
        log << QStringLiteral("eject ") + device;
        return true;
    }
    void cdioCloseTray(const QString& device) override { log << QStringLiteral("close ") + device; }
    QByteArray mountTable() override { return mounts; }
    std::map<QString, int> modes; // per node: the access modes this user has
    std::map<QString, QString> groups;
    QStringList deviceNodes() override
    {
        QStringList out;
        for (const auto& [node, mode] : modes)
            out << node;
        return out;
    }
    int access(const QString& path, int mode) override { return (modes[path] & mode) == mode ? 0 : -EACCES; }
    QString groupOf(const QString& path) override { return groups[path]; }
    bool desktopUnmount(const QString& device) override
    {
        log << QStringLiteral("unmount ") + device;
        if (unmountWorks && !unmountLeavesItMounted)
            mounts.clear();
        return unmountWorks;
    }
};

const QByteArray kMounted = "proc /proc proc rw 0 0\n/dev/sr5 /media/user/HOLIDAY iso9660 ro,nosuid 0 0\n";

TEST(SystemDriveIo, AMountedDiscIsUnmountedByTheDesktopBeforeLibcdioEverEjectsIt)
{
    const struct {
        const char* name;
        QByteArray mounts;
        bool unmountWorks, stillMounted;
        QStringList calls;
        bool ejected;
    } cases[] = {
        {"not mounted", "proc /proc proc rw 0 0\n", true, false, {"eject /dev/sr5"}, true},
        {"unmounted first", kMounted, true, false, {"unmount /dev/sr5", "eject /dev/sr5"}, true},
        {"desktop refuses", kMounted, false, false, {"unmount /dev/sr5"}, false},
        {"still mounted after", kMounted, true, true, {"unmount /dev/sr5"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDriveSys sys;
        sys.mounts = c.mounts;
        sys.unmountWorks = c.unmountWorks;
        sys.unmountLeavesItMounted = c.stillMounted;
        auto io = makeSystemDriveIo(sys);
        EXPECT_EQ(io->eject(QStringLiteral("/dev/sr5")), c.ejected);
        EXPECT_EQ(sys.log, c.calls);
        // A refused eject leaves the disc mounted, which the caller reports as in use.
        EXPECT_EQ(io->isMounted(QStringLiteral("/dev/sr5")), !c.ejected);
    }
}

TEST(SystemDriveIo, ADeviceThisUserMayReadButNotWriteIsDeniedWithItsGroup)
{
    FakeDriveSys sys;
    sys.modes = {{"/dev/sr0", R_OK | W_OK}, {"/dev/sr1", R_OK}, {"/dev/sr2", 0}};
    sys.groups = {{"/dev/sr1", "optical"}};
    auto io = makeSystemDriveIo(sys);
    EXPECT_EQ(io->deniedDevices(), (QStringList{"/dev/sr1", "/dev/sr2"}));
    EXPECT_EQ(io->deviceGroup(QStringLiteral("/dev/sr1")), QStringLiteral("optical"));
}

TEST(SystemDriveIo, DriveStatesAndADiscSpinningUpIsNotGone)
{
    FakeDriveSys sys;
    auto io = makeSystemDriveIo(sys);
    using D = CdDriveIo::Disc;
    const struct {
        int status;
        D disc;
    } cases[] = {{CDS_TRAY_OPEN, D::TrayOpen}, {CDS_NO_DISC, D::NoDisc}, {CDS_DRIVE_NOT_READY, D::NotReady},
                 {CDS_DISC_OK, D::Ready},      {CDS_NO_INFO, D::Unknown}, {-EACCES, D::Unknown}};
    for (const auto& c : cases) {
        sys.driveStatus[QStringLiteral("/dev/sr5")] = c.status;
        EXPECT_EQ(io->discState(QStringLiteral("/dev/sr5")), c.disc) << c.status;
    }
}

TEST(SystemDriveIo, AChangeIsSeenOnceEvenWhenAnotherProgramAskedFirst)
{
    const QString a = QStringLiteral("/dev/sr5"), b = QStringLiteral("/dev/sr6");
    FakeDriveSys sys;
    auto io = makeSystemDriveIo(sys);
    sys.insertDisc(a, 1000);
    EXPECT_TRUE(io->mediaChanged(a));
    EXPECT_FALSE(io->mediaChanged(a));

    // A file manager takes the shared flag first; the change is still news here, once.
    sys.insertDisc(a, 5000);
    EXPECT_EQ(sys.ioctl(a, CDROM_MEDIA_CHANGED, nullptr), 1);
    EXPECT_TRUE(io->mediaChanged(a));
    EXPECT_FALSE(io->mediaChanged(a));
    // Each drive keeps its own time stamp.
    sys.insertDisc(b, 6000);
    EXPECT_TRUE(io->mediaChanged(b));
    EXPECT_FALSE(io->mediaChanged(a));

    // An older kernel: the shared flag.
    sys.timedMissing = true;
    sys.insertDisc(a, 7000);
    EXPECT_TRUE(io->mediaChanged(a));
    EXPECT_FALSE(io->mediaChanged(a));
}

} // namespace
