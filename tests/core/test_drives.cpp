#include "fixture.h"

#include "discimage.h"

#include "controls/mci.h"
#include "core/cdhelpers.h"
#include "core/driveinfo.h"
#include "core/globals.h"
#include "platform/cddrives.h"
#include "shell/frmoptions.h"

#include <QDir>

namespace {
const QString kDriveTail =
    QStringLiteral("\rPlease Enter Correct Drive And Folder For Music Folder Or Select The Default Music Folder.");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::vector<MountEntry> sampleTable()
{
    return {
        {QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1"), false},
        {QStringLiteral("/mnt/ram"), QStringLiteral("tmpfs"), QStringLiteral("tmpfs"), false},
        {QStringLiteral("/media/usb stick"), QStringLiteral("vfat"), QStringLiteral("/dev/sdb1"), true},
        {QStringLiteral("/media/cdrom"), QStringLiteral("iso9660"), QStringLiteral("/dev/sr0"), true},
        {QStringLiteral("/net/share"), QStringLiteral("nfs4"), QStringLiteral("server:/export"), false},
        {QStringLiteral("/media/floppy"), QStringLiteral("vfat"), QStringLiteral("/dev/fd0"), true},
    };
}

// A disc image of two short audio tracks.
QString makeAudioImage(const QString& folder, const QString& name)
{
    DiscImage::Layout layout;
    layout.tracks.push_back({DiscImage::tonePcm(150, 1), 0, false});
    layout.tracks.push_back({DiscImage::tonePcm(150, 2), 0, false});
    return DiscImage::write(folder, name, layout);
}

// A data disc image (raw 2352-byte mode 1 sectors) with an ISO 9660 volume descriptor
// holding label.
QString makeDataImage(const QString& folder, const QString& name, const QByteArray& label)
{
    constexpr int kSectors = 64;
    QByteArray data(kSectors * 2048, '\0');
    char* pvd = data.data() + 16 * 2048;
    pvd[0] = 1;
    memcpy(pvd + 1, "CD001", 5);
    pvd[6] = 1;
    memset(pvd + 8, ' ', 32);
    memset(pvd + 40, ' ', 32);
    memcpy(pvd + 40, label.constData(), static_cast<size_t>(qMin<qsizetype>(label.size(), 32)));
    for (int i = 0; i < 4; ++i) { // volume space size, both byte orders
        pvd[80 + i] = static_cast<char>((kSectors >> (8 * i)) & 0xff);
        pvd[87 - i] = static_cast<char>((kSectors >> (8 * i)) & 0xff);
    }
    pvd[129] = 0x08; // logical block size 2048, both byte orders
    pvd[130] = 0x08;
    char* term = data.data() + 17 * 2048;
    term[0] = static_cast<char>(255);
    memcpy(term + 1, "CD001", 5);
    term[6] = 1;

    QByteArray raw;
    auto bcd = [](int v) { return static_cast<char>(((v / 10) << 4) | (v % 10)); };
    for (int i = 0; i < kSectors; ++i) {
        QByteArray sector(2352, '\0');
        memset(sector.data() + 1, static_cast<char>(0xff), 10);
        const int lba = i + 150;
        sector[12] = bcd(lba / (60 * 75));
        sector[13] = bcd((lba / 75) % 60);
        sector[14] = bcd(lba % 75);
        sector[15] = 1;
        memcpy(sector.data() + 16, data.constData() + i * 2048, 2048);
        raw += sector;
    }
    writeFile(folder + name + QStringLiteral(".bin"), raw);
    writeFile(folder + name + QStringLiteral(".cue"),
              "FILE \"" + name.toUtf8() + ".bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n");
    return folder + name + QStringLiteral(".cue");
}
} // namespace

// The settings dialog's load reads the music folder; these tests start from a settled default one.
class Drives : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        DefaultMusicFolder = homeDir() + QStringLiteral("My Music/");
        QDir().mkpath(DefaultMusicFolder);
    }
};

TEST_F(Drives, DriveTypesComeFromTheMountTable)
{
    ScopedMountTable table(sampleTable());
    const struct {
        QString path;
        QString result;
        QString message; // "" = none
    } cases[] = {
        {QStringLiteral("/home/someone/My Music/"), QStringLiteral("2"), QString()},
        {QStringLiteral("/no/such/folder/anywhere"), QStringLiteral("2"), QString()}, // missing: judged by its drive
        {QStringLiteral("/mnt/ram/Music"), QStringLiteral("1"), QStringLiteral("Can Not Use RAM Disk for Music Folder.")},
        {QStringLiteral("/media/usb stick/Music"), QStringLiteral("2"), QString()},
        {QStringLiteral("/media/cdrom/songs/a.mp3"), QStringLiteral("3"), QString()},
        {QStringLiteral("/media/cdromx/songs"), QStringLiteral("2"), QString()}, // not under /media/cdrom
        {QStringLiteral("/net/share/Music"), QStringLiteral("2"), QString()},
        {QStringLiteral("/media/floppy/Music"), QStringLiteral("1"),
         QStringLiteral("Can Not Use Floppy Drive For Music Folder.")},
        {QStringLiteral("Music/relative"), QStringLiteral("1"),
         QStringLiteral("The Drive Does Not Exist Or Is Not A Valid Drive.")},
    };
    for (const auto& c : cases) {
        prompt.asked.clear();
        EXPECT_EQ(CheckDriveType(c.path), c.result) << c.path.toStdString();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(prompt.asked.empty()) << c.path.toStdString();
        } else {
            ASSERT_EQ(prompt.asked.size(), 1u) << c.path.toStdString();
            EXPECT_EQ(prompt.last().text, c.message + kDriveTail);
            EXPECT_EQ(prompt.last().style, Mb::OKOnly);
            EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
        }
    }
}

TEST_F(Drives, PathsNoMountCoversAndUnreadableTablesAreRefusedOrUnknown)
{
    {
        ScopedMountTable table({{QStringLiteral("/media/usb"), QStringLiteral("vfat"), QStringLiteral("/dev/sdb1"), true}});
        EXPECT_EQ(CheckDriveType(QStringLiteral("/elsewhere/Music")), QStringLiteral("1"));
        EXPECT_EQ(prompt.last().text, QStringLiteral("The Drive Does Not Exist Or Is Not A Valid Drive.") + kDriveTail);
    }
    {
        ScopedMountTable table({});
        EXPECT_EQ(CheckDriveType(QStringLiteral("/home/Music")), QString());
        EXPECT_EQ(prompt.last().text, QStringLiteral("The drive type cannot be determined") + kDriveTail);
    }
}

TEST_F(Drives, MountInfoIsParsedWithEscapedNames)
{
    const QString text = QStringLiteral(
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "30 22 0:25 / /tmp rw,nosuid shared:12 master:3 - tmpfs tmpfs rw,size=100k\n"
        "31 22 0:40 / /mnt/My\\040Disc ro - iso9660 /dev/sr0 ro\n"
        "bad line\n");
    const std::vector<MountEntry> t = ParseMountInfo(text);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].mountPoint, QStringLiteral("/"));
    EXPECT_EQ(t[0].fsType, QStringLiteral("ext4"));
    EXPECT_EQ(t[1].mountPoint, QStringLiteral("/tmp"));
    EXPECT_EQ(t[1].fsType, QStringLiteral("tmpfs"));
    EXPECT_EQ(t[2].mountPoint, QStringLiteral("/mnt/My Disc"));
    EXPECT_EQ(t[2].source, QStringLiteral("/dev/sr0"));

    ScopedMountTable table(t);
    EXPECT_EQ(CheckDriveType(QStringLiteral("/tmp/quillory/Music")), QStringLiteral("1"));
    EXPECT_EQ(CheckDriveType(QStringLiteral("/mnt/My Disc/x")), QStringLiteral("3"));
}

TEST_F(Drives, DetectFindsTheChosenDriveInEnumeratorOrder)
{
    const QString d = makeAudioImage(homeDir(), QStringLiteral("d"));
    const QString f = makeAudioImage(homeDir(), QStringLiteral("f"));
    CdDrives::setInjectedImages({d, f});
    ComboBox* list = Forms::get<frmOptions>().DriveLetter;

    writeAll(programFile(QStringLiteral("cdrip.ini")), "CDDriveLetterNo=2\r\n");
    DetectCDDrives(0);
    EXPECT_EQ(CDDriveLetter, f);
    DetectCDDrives(1);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->itemText(0), d);
    EXPECT_EQ(list->itemText(1), f);
    EXPECT_EQ(list->currentText(), f);

    writeAll(programFile(QStringLiteral("cdrip.ini")), "CDDriveLetterNo=3\r\n");
    CDDriveLetter = QStringLiteral("unchanged");
    DetectCDDrives(0);
    EXPECT_EQ(CDDriveLetter, QStringLiteral("unchanged"));
    DetectCDDrives(1);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Drives, NoDriveAtAllIsToldInBothModesWithoutErrors)
{
    for (int16_t mode : {int16_t(0), int16_t(1)}) {
        prompt.asked.clear();
        DetectCDDrives(mode);
        ASSERT_EQ(prompt.asked.size(), 1u);
        EXPECT_EQ(prompt.last().text, QStringLiteral("No CD-ROM drives were detected on your system."));
        EXPECT_EQ(prompt.last().style, Mb::OKOnly);
        EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    }
    EXPECT_EQ(CDDriveLetter, QString());
    EXPECT_EQ(Forms::get<frmOptions>().DriveLetter->count(), 0);
    prompt.asked.clear();
    EXPECT_EQ(CheckCDMedia(QString()), 0);
    EjectCDNumber(QString());
    EXPECT_EQ(GetVolumeLabel(QStringLiteral("/dev/no-such-drive")), QString());
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Drives, CdDevicesThisUserMayNotOpenAreNamedWhereNoDriveIsFound)
{
    driveIo.denied = {QStringLiteral("/dev/sr0")};
    DetectCDDrives(0);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_TRUE(prompt.last().text.startsWith(QStringLiteral("No CD-ROM drives were detected on your system.\n")));
    EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("/dev/sr0")));
    EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("cdrom group")));

    // The group named is the one owning the device.
    driveIo.group = QStringLiteral("optical");
    prompt.asked.clear();
    DetectCDDrives(0);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("to the optical group")));
}

TEST_F(Drives, EjectingADiscThatStaysMountedTellsTheUserItIsInUse)
{
    const QString drive = DiscImage::writeSilentToc(homeDir() + QStringLiteral("drive"), {300});
    ASSERT_FALSE(drive.isEmpty());
    driveIo.disc = CdDriveIo::Disc::Ready;
    driveIo.ejectWorks = false;
    const struct {
        bool mounted;
        bool told;
    } cases[] = {{true, true}, {false, false}};
    for (const auto& c : cases) {
        driveIo.mounted = c.mounted;
        prompt.asked.clear();
        EjectCDNumber(drive);
        EXPECT_EQ(driveIo.ejected.size(), c.mounted ? 1u : 2u);
        ASSERT_EQ(prompt.asked.size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_TRUE(prompt.last().text.startsWith(QStringLiteral("The disc is in use and cannot be ejected.")));
        }
    }
}

TEST_F(Drives, VolumeLabelsAndTheBlankDiscCheck)
{
    const QString audio = makeAudioImage(homeDir(), QStringLiteral("audio"));
    const QString data = makeDataImage(homeDir(), QStringLiteral("data"), "HOLIDAY_2025");
    const QString unlabelled = makeDataImage(homeDir(), QStringLiteral("plain"), QByteArray());

    EXPECT_EQ(GetVolumeLabel(audio), QStringLiteral("Audio CD"));
    EXPECT_EQ(GetVolumeLabel(data), QStringLiteral("HOLIDAY_2025"));
    EXPECT_EQ(GetVolumeLabel(unlabelled), QStringLiteral("(no label)"));
    EXPECT_EQ(GetVolumeLabel(homeDir() + QStringLiteral("missing.cue")), QString());
    EXPECT_TRUE(prompt.asked.empty());

    EXPECT_EQ(CheckCDMedia(unlabelled), 0);
    EXPECT_EQ(CheckCDMedia(homeDir() + QStringLiteral("missing.cue")), 0);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(CheckCDMedia(audio), 1);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, QStringLiteral("You Have An Audio CD Or A Used CD-R In Your CD Writer.\n"
                                                 "Please Insert A New Blank CD-R In Your CD Writer And Try Again."));
    EXPECT_EQ(prompt.last().style, Mb::OKOnly);
    EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    EXPECT_EQ(CheckCDMedia(data), 1);
}

TEST_F(Drives, EjectOpensTheNamedDriveOnly)
{
    struct Recorder : MciHandler {
        QStringList commands;
        unsigned command(const QString& c, QString& reply) override
        {
            commands << c;
            reply.clear();
            return 0;
        }
    } recorder;
    setMciHandler(&recorder);
    const QString first = makeAudioImage(homeDir(), QStringLiteral("first"));
    const QString second = makeAudioImage(homeDir(), QStringLiteral("second"));
    CdDrives::setInjectedImages({first, second});
    EjectCDNumber(second);
    setMciHandler(nullptr);
    EXPECT_EQ(recorder.commands, (QStringList{QStringLiteral("open ") + second +
                                                  QStringLiteral(" type cdaudio alias cdeject wait shareable"),
                                              QStringLiteral("set cdeject door open"),
                                              QStringLiteral("close cdeject")}));
    EXPECT_TRUE(prompt.asked.empty());

    // Through the real device layer the image's door opens: its disc is gone.
    EjectCDNumber(first);
    char reply[64] = {};
    mciSendString(QStringLiteral("open ") + first + QStringLiteral(" type cdaudio alias probe"), nullptr, 0);
    mciSendString(QStringLiteral("status probe mode"), reply, sizeof reply);
    mciSendString(QStringLiteral("set probe door closed"), nullptr, 0);
    mciSendString(QStringLiteral("close probe"), nullptr, 0);
    EXPECT_STREQ(reply, "open");
}
