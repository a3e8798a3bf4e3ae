// The real drive answers over a played kernel, libcdio and desktop: what reaches libcdio's
// eject, how drive states are read, and the media-change check.
#include <QStringList>
#include <gtest/gtest.h>
#include <linux/cdrom.h>
#include <map>

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

    int ioctl(const QString& device, unsigned long request, void*) override
    {
        if (request == CDROM_DRIVE_STATUS)
            return driveStatus.count(device) ? driveStatus[device] : -ENXIO;
        return -ENOTTY;
    }
    bool cdioEject(const QString& device) override
    {
        log << QStringLiteral("eject ") + device;
        return true;
    }
    void cdioCloseTray(const QString& device) override { log << QStringLiteral("close ") + device; }
    QByteArray mountTable() override { return mounts; }
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

} // namespace
