// The settings dialog driven headless: what each tab loads, the exact bytes OK writes and
// when, the music-folder checks, Cancel, the encoder labels of the open windows, the
// refresh after a folder change and the CD window's reload.
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTimer>
#include <unistd.h>

#include "fakecddb.h"
#include "core/driveinfo.h"
#include "core/settings.h"
#include "shell/cddbsites.h"
#include "shell/frmoptions.h"
#include "shellfixture.h"

namespace {
const QString kDriveTail =
    QStringLiteral("\rPlease Enter Correct Drive And Folder For Music Folder Or Select The Default Music Folder.");
const QString kFolderNotStorable =
    QStringLiteral("The Music Folder Cannot Hold A Line Break Or Other Control Character, Or Both A Quote (\") And A "
                   "Comma (,). Please Choose Another Folder.");
const QString kFolderMissing =
    QStringLiteral("The Drive Or Music Folder You Entered Does Not Exist. Please Enter Correct Drive And Folder Or "
                   "Select Default Folders.");

// Acts as if libcdio had no usable driver, for the lifetime of the object.
struct NoCdDriver {
    NoCdDriver() { CdDrives::setDriverMissing(true); }
    ~NoCdDriver() { CdDrives::setDriverMissing(false); }
};
} // namespace

class Options : public ShellFixture {
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        // One ordinary disk holds everything, whatever file system /tmp really is.
        mounts = std::make_unique<ScopedMountTable>(rootOnly());
        songs = homeDir() + QStringLiteral("Songs");
        QDir().mkpath(songs);
        writeAll(programFile(QStringLiteral("MWFolders.ini")), "MusicFolder=" + songs.toUtf8() + "\r\n");
    }
    void TearDown() override
    {
        mounts.reset();
        ShellFixture::TearDown();
    }
    static std::vector<MountEntry> rootOnly()
    {
        return {{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/vda"), false}};
    }
    static frmOptions& dlg() { return Forms::get<frmOptions>(); }
    static frmOptions::Flags& flags() { return frmOptions::flags(); }
    // Unloads the dialog so that the next touch loads it again.
    void reload()
    {
        Forms::unload<frmOptions>();
        settle();
    }
    QByteArray file(const char* name) const { return readAll(programFile(QString::fromLatin1(name))); }
    bool exists(const char* name) const { return QFile::exists(programFile(QString::fromLatin1(name))); }
    // Disc images offered as CD drives, in this order; returns their .cue paths.
    QStringList injectDrives(const QStringList& names)
    {
        QStringList cues;
        for (const QString& n : names) {
            writeAll(programFile(n + QStringLiteral(".bin")), QByteArray(150 * 2352, '\0'));
            const QString cue = programFile(n + QStringLiteral(".cue"));
            writeAll(cue, "FILE \"" + n.toUtf8() + ".bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n");
            cues << cue;
        }
        CdDrives::setInjectedImages(std::vector<QString>(cues.begin(), cues.end()));
        return cues;
    }

    std::unique_ptr<ScopedMountTable> mounts;
    QString songs;
};

TEST_F(Options, LoadingFillsTheTabsAndKeepsTheDialogHiddenOnTop)
{
    frmOptions& d = dlg();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.Caption(), QStringLiteral("Configure"));
    EXPECT_TRUE(d.windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_EQ(d.SSTab1->count(), 4);
    EXPECT_EQ(d.SSTab1->tabText(0), QStringLiteral("Encoder Options"));
    EXPECT_EQ(d.SSTab1->tabText(1), QStringLiteral("Music Folder"));
    EXPECT_EQ(d.SSTab1->tabText(2), QStringLiteral("CD Options"));
    EXPECT_EQ(d.SSTab1->tabText(3), QStringLiteral("CD DB Options"));
    ASSERT_EQ(d.Combo1->count(), 5);
    EXPECT_EQ(d.Combo1->itemText(3), QStringLiteral("VBR2-Good Quality-Small File"));
    EXPECT_FALSE(d.Check1->isChecked());
    // The music folder from "MWFolders.ini"; the CDDB boxes hold the defaults until their tab is entered.
    EXPECT_EQ(d.txtMusicFolder->text(), songs);
    EXPECT_EQ(MusicFolder, songs + '/');
    EXPECT_EQ(d.txtEMail->text(), CddbSites::DefaultEmail);
    EXPECT_EQ(d.txtAddress->text(), CddbSites::DefaultSiteHost);
    EXPECT_EQ(d.txtPort->text(), QStringLiteral("888"));
    EXPECT_TRUE(prompt.asked.empty());

    // The preset and the output mode shown for the values in memory.
    const struct {
        const char* mode;
        int16_t output;
        int preset;      // selected index of Combo1
        int option;      // 1..3
        int16_t outputAfter;
    } cases[] = {
        {"", 0, 0, 1, 1},        // start of a run: no preset, output mode 0 becomes 1
        {"CBR2", 2, 1, 2, 2},
        {"vbr3", 3, 4, 3, 3},    // letter case ignored
        {"CBR1VBR2", 7, 3, 1, 1}, // the later match wins; 7 is no mode
        {"XYZ", 1, -1, 1, 1},    // no match: nothing selected
    };
    for (const auto& c : cases) {
        reload();
        EncoderMode = QString::fromLatin1(c.mode);
        EncodeOutputMode = c.output;
        frmOptions& o = dlg();
        EXPECT_EQ(o.Combo1->currentIndex(), c.preset) << c.mode;
        const OptionButton* options[] = {o.Option1, o.Option2, o.Option3};
        EXPECT_TRUE(options[c.option - 1]->isChecked()) << c.mode;
        EXPECT_EQ(EncodeOutputMode, c.outputAfter) << c.mode;
    }
}

TEST_F(Options, EnteringTheCddbAndCdTabsReadsTheirFiles)
{
    writeAll(programFile(QStringLiteral("cddb.ini")), "EMail=me@home.example\r\nServer=127.0.0.1\r\nPort=40000\r\n");
    writeAll(programFile(QStringLiteral("cdrip.ini")), "CDDriveLetterNo=2\r\n");
    const QStringList cues = injectDrives({QStringLiteral("first"), QStringLiteral("second")});
    frmOptions& d = dlg();
    EXPECT_EQ(flags().CDDBFlag, 0);
    d.SSTab1->setCurrentIndex(3);
    EXPECT_EQ(d.txtEMail->text(), QStringLiteral("me@home.example"));
    EXPECT_EQ(d.txtAddress->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(d.txtPort->text(), QStringLiteral("40000"));
    EXPECT_EQ(CDDBPort, 40000);
    EXPECT_EQ(flags().CDDBFlag, -1);

    EXPECT_EQ(flags().CDFlag, 0);
    d.SSTab1->setCurrentIndex(2);
    ASSERT_EQ(d.DriveLetter->count(), 2);
    EXPECT_EQ(d.DriveLetter->itemText(0), cues[0]);
    EXPECT_EQ(d.DriveLetter->currentIndex(), 1);
    EXPECT_EQ(d.SelectedCDROM->text(), QStringLiteral("2"));
    EXPECT_EQ(d.txtCDROMBrand->text(), QStringLiteral("second")); // what the drive says of itself
    EXPECT_FALSE(d.lblCDStatus->isVisible());
    EXPECT_EQ(flags().CDFlag, -1);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Options, OkWritesOnlyTheFilesOfVisitedTabs)
{
    injectDrives({QStringLiteral("first"), QStringLiteral("second")});
    // No tab visited: only the folder setting, rewritten though unchanged.
    writeAll(programFile(QStringLiteral("MWFolders.ini")), "MFolder=" + songs.toUtf8() + "/\r\n");
    reload();
    dlg().cmdOK->click();
    EXPECT_FALSE(Forms::isLoaded<frmOptions>());
    EXPECT_FALSE(exists("cddb.ini"));
    EXPECT_FALSE(exists("cdrip.ini"));
    EXPECT_EQ(file("MWFolders.ini"), "MusicFolder=" + songs.toUtf8() + "\r\n");
    settle();

    // The CDDB tab: the boxes as typed, a port above 32767 saved and taken at once.
    frmOptions& d = dlg();
    d.SSTab1->setCurrentIndex(3);
    d.txtEMail->setText(QStringLiteral("me@home.example"));
    d.txtAddress->setText(QStringLiteral(" cddb.home.example"));
    d.txtPort->setText(QStringLiteral("65535"));
    d.cmdOK->click();
    EXPECT_EQ(file("cddb.ini"), "EMail=me@home.example\r\nServer= cddb.home.example\r\nPort=65535\r\n");
    EXPECT_FALSE(exists("cdrip.ini"));
    EXPECT_EQ(CDDBEmail, QStringLiteral("me@home.example"));
    EXPECT_EQ(CDDBPort, 65535);
    EXPECT_EQ(flags().CDDBFlag, 0);
    settle();

    // Typing on the CDDB tab, leaving it and coming back brings the stored values back.
    frmOptions& e = dlg();
    e.SSTab1->setCurrentIndex(3);
    e.txtPort->setText(QStringLiteral("1234"));
    e.SSTab1->setCurrentIndex(0);
    e.SSTab1->setCurrentIndex(3);
    EXPECT_EQ(e.txtPort->text(), QStringLiteral("65535"));
    // The drive tab: the number shown is what "cdrip.ini" gets.
    e.SSTab1->setCurrentIndex(2);
    e.NextCDRom->click();
    e.cmdOK->click();
    EXPECT_EQ(file("cdrip.ini"), "CDDriveLetterNo=2\r\n");
    EXPECT_EQ(file("cddb.ini"), "EMail=me@home.example\r\nServer= cddb.home.example\r\nPort=65535\r\n");
    EXPECT_EQ(flags().CDFlag, 0);
    settle();

    // A drive number that is no number is stored as 0.
    frmOptions& f = dlg();
    f.SSTab1->setCurrentIndex(2);
    f.SelectedCDROM->setText(QStringLiteral("x1"));
    f.cmdOK->click();
    EXPECT_EQ(file("cdrip.ini"), "CDDriveLetterNo=0\r\n");
    EXPECT_EQ(getdriveletterno(), 0);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Options, MusicFolderIsStoredAsTheFileFormWants)
{
    const QString fresh = homeDir() + QStringLiteral("Fresh");
    const QString comma = homeDir() + QStringLiteral("Songs, Live");
    const QString quote = homeDir() + QStringLiteral("Say \"Hi\"");
    const struct {
        QString box;
        QByteArray line;
        QString musicFolder;
    } cases[] = {
        {QStringLiteral("  ") + fresh + QStringLiteral("/  "), "MusicFolder=" + fresh.toUtf8() + "\r\n", fresh + '/'},
        {QString(), "MusicFolder=" + DefaultMusicFolder.toUtf8() + "\r\n", DefaultMusicFolder},
        {QStringLiteral("   "), "MusicFolder=" + DefaultMusicFolder.toUtf8() + "\r\n", DefaultMusicFolder},
        {QStringLiteral("/"), "MusicFolder=/\r\n", QStringLiteral("/")},
        // The reader cuts an unquoted value at a comma, so this one is quoted.
        {comma, "\"MusicFolder=" + comma.toUtf8() + "\"\r\n", comma + '/'},
        // A quote alone needs nothing: the value does not start with it.
        {quote, "MusicFolder=" + quote.toUtf8() + "\r\n", quote + '/'},
    };
    for (const auto& c : cases) {
        frmOptions& d = dlg();
        d.txtMusicFolder->setText(c.box);
        d.cmdOK->click();
        EXPECT_FALSE(Forms::isLoaded<frmOptions>()) << c.box.toStdString();
        EXPECT_EQ(file("MWFolders.ini"), c.line) << c.box.toStdString();
        EXPECT_EQ(MusicFolder, c.musicFolder) << c.box.toStdString();
        settle();
    }
    EXPECT_TRUE(QFileInfo(fresh).isDir());
    EXPECT_TRUE(QFileInfo(comma).isDir());
    EXPECT_TRUE(QFileInfo(quote).isDir());
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Options, ABadMusicFolderIsRefusedAndTheOldSettingStays)
{
    const QByteArray before = file("MWFolders.ini");
    const QString ram = tmp.path() + QStringLiteral("/ram");
    QDir().mkpath(ram);
    const QString plainFile = homeDir() + QStringLiteral("notafolder");
    writeAll(plainFile, "x");
    struct Case {
        QString box;
        QString message; // what the user is told; empty: the error box
        int errorNumber = 0;
    };
    std::vector<Case> cases = {
        {ram + QStringLiteral("/Music"), QStringLiteral("Can Not Use RAM Disk for Music Folder.") + kDriveTail},
        {homeDir() + QStringLiteral("no/such/Music"), kFolderMissing},
        {QStringLiteral("Music"), QStringLiteral("The Drive Does Not Exist Or Is Not A Valid Drive.") + kDriveTail},
        // A folder that cannot be made for lack of rights (even for root), and a file in the way.
        {QStringLiteral("/sys/quillory-music"), QString(), Err::PathFileAccess},
        {plainFile, QString(), Err::PathFileAccess},
        // Names the settings file could not give back.
        {homeDir() + QStringLiteral("Line\nBreak"), kFolderNotStorable},
        {homeDir() + QStringLiteral("Say \"Hi\", Live"), kFolderNotStorable},
    };
    const QString locked = homeDir() + QStringLiteral("locked");
    if (geteuid() != 0) {
        QDir().mkpath(locked);
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        cases.push_back({locked + QStringLiteral("/Music"), QString(), Err::PathFileAccess});
    }
    auto table = rootOnly();
    table.push_back({ram, QStringLiteral("tmpfs"), QStringLiteral("tmpfs"), false});
    ScopedMountTable withRam(table);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.box.toStdString());
        prompt.asked.clear();
        prompt.answers = {Mb::Yes};
        frmOptions& d = dlg();
        d.SSTab1->setCurrentIndex(0);
        d.SSTab1->setCurrentIndex(3); // steps before the folder still run
        d.txtMusicFolder->setText(c.box);
        flags().bMP3FolderChangeFlag = -1;
        d.cmdOK->click();
        ASSERT_EQ(prompt.asked.size(), 1u);
        if (c.message.isEmpty()) {
            EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory Error"));
            EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("Procedure    : cmdOK_Click")));
            EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("Error Number: %1").arg(c.errorNumber)));
        } else {
            EXPECT_EQ(prompt.last().text, c.message);
            EXPECT_EQ(prompt.last().style, Mb::OKOnly);
            EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
        }
        // The dialog stays; the folder setting and the change flag are as they were.
        EXPECT_TRUE(Forms::isLoaded<frmOptions>());
        EXPECT_EQ(file("MWFolders.ini"), before);
        EXPECT_EQ(MusicFolder, songs + '/');
        EXPECT_EQ(flags().bMP3FolderChangeFlag, -1);
        EXPECT_TRUE(exists("cddb.ini"));
        EXPECT_EQ(flags().CDDBFlag, 0);
        QFile::remove(programFile(QStringLiteral("cddb.ini")));
    }
    EXPECT_FALSE(QFileInfo::exists(homeDir() + QStringLiteral("no")));
    EXPECT_FALSE(QFileInfo::exists(ram + QStringLiteral("/Music")));
    EXPECT_FALSE(QFileInfo::exists(homeDir() + QStringLiteral("Line\nBreak")));
    EXPECT_EQ(exitSeam.calls, 0);
    if (geteuid() != 0)
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(Options, CddbSettingsReadBackAsSavedOrAreRefused)
{
    const QString quoteAndComma =
        QStringLiteral(" Cannot Hold Both A Quote (\") And A Comma (,). Please Remove One Of Them.");
    const QString badPort = QStringLiteral("The Port Must Be A Whole Number From 0 To 65535.");
    const struct {
        QString email, server, port;     // typed
        QString readEmail, readServer;   // what the file gives back; empty message: stored
        int32_t readPort;
        QString message;                 // the refusal; nothing is stored
    } cases[] = {
        {"me@home.example", "cddb.home.example", "8880", "me@home.example", "cddb.home.example", 8880, ""},
        // Commas alone are quoted, quotes alone need nothing.
        {"a,b@home.example", "cddb,home", "888", "a,b@home.example", "cddb,home", 888, ""},
        {"\"me\"@home.example", "cddb\"home", "1", "\"me\"@home.example", "cddb\"home", 1, ""},
        // Line ends and other control characters would split the line: they go, as do
        // trailing blanks, which the reader drops. Leading blanks stay.
        {"me@home.example\r", "cddb.home.example\r\nPort=1", " 8880 ", "me@home.example",
         "cddb.home.examplePort=1", 8880, ""},
        {" me@home.example  ", "\tcddb.home.example\x7f ", "0", " me@home.example", "cddb.home.example", 0, ""},
        // Both a quote and a comma: no way to write it that reads back.
        {"\"a\",b@home.example", "cddb.home.example", "8880", "", "", 0, "The E-Mail Address" + quoteAndComma},
        {"me@home.example", "cddb\",x", "8880", "", "", 0, "The CDDB Server" + quoteAndComma},
        {"me@home.example", "cddb.home.example", "", "", "", 0, badPort},
        {"me@home.example", "cddb.home.example", "80,80", "", "", 0, badPort},
        {"me@home.example", "cddb.home.example", "65536", "", "", 0, badPort},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.email + u'|' + c.server + u'|' + c.port).toStdString());
        prompt.asked.clear();
        const QByteArray before = exists("cddb.ini") ? file("cddb.ini") : QByteArray();
        frmOptions& d = dlg();
        d.SSTab1->setCurrentIndex(3);
        d.txtEMail->setText(c.email);
        d.txtAddress->setText(c.server);
        d.txtPort->setText(c.port);
        d.cmdOK->click();
        if (!c.message.isEmpty()) {
            ASSERT_EQ(prompt.asked.size(), 1u);
            EXPECT_EQ(prompt.last().text, c.message);
            EXPECT_TRUE(Forms::isLoaded<frmOptions>());
            EXPECT_EQ(exists("cddb.ini") ? file("cddb.ini") : QByteArray(), before);
            d.cmdClose->click();
            settle();
            continue;
        }
        EXPECT_TRUE(prompt.asked.empty());
        EXPECT_FALSE(Forms::isLoaded<frmOptions>());
        settle();
        // Read afresh, as the next start of the program does.
        CDDBEmail = CDDBServer = QStringLiteral("stale");
        CDDBPort = 7;
        funGetCDDBINI(0);
        EXPECT_EQ(CDDBEmail, c.readEmail);
        EXPECT_EQ(CDDBServer, c.readServer);
        EXPECT_EQ(CDDBPort, c.readPort);
        EXPECT_TRUE(prompt.asked.empty()); // no error while reading
        // The dialog shows what was stored.
        frmOptions& e = dlg();
        e.SSTab1->setCurrentIndex(3);
        EXPECT_EQ(e.txtEMail->text(), c.readEmail);
        EXPECT_EQ(e.txtAddress->text(), c.readServer);
        reload();
    }
}

TEST_F(Options, CancelWritesNothingButVisitedTabsStillCountLater)
{
    injectDrives({QStringLiteral("first"), QStringLiteral("second")});
    EncoderMode = QStringLiteral("CBR1");
    const QByteArray folderFile = file("MWFolders.ini");
    frmOptions& d = dlg();
    d.SSTab1->setCurrentIndex(2);
    d.NextCDRom->click();
    d.SSTab1->setCurrentIndex(3);
    d.txtEMail->setText(QStringLiteral("typed@home.example"));
    d.Combo1->setCurrentIndex(4);
    d.Option3->setChecked(true);
    d.txtMusicFolder->setText(homeDir() + QStringLiteral("Other"));
    d.cmdClose->click();
    EXPECT_FALSE(Forms::isLoaded<frmOptions>());
    EXPECT_FALSE(exists("cddb.ini"));
    EXPECT_FALSE(exists("cdrip.ini"));
    EXPECT_EQ(file("MWFolders.ini"), folderFile);
    EXPECT_EQ(EncoderMode, QStringLiteral("CBR1"));
    EXPECT_EQ(EncodeOutputMode, 1);
    EXPECT_EQ(MusicFolder, songs + '/');
    settle();

    // Opened again on another tab: both visits still count at OK.
    frmOptions& e = dlg();
    EXPECT_FALSE(e.Check1->isChecked());
    EXPECT_EQ(flags().CDFlag, -1);
    EXPECT_EQ(flags().CDDBFlag, -1);
    e.SSTab1->setCurrentIndex(1);
    e.cmdOK->click();
    EXPECT_EQ(file("cdrip.ini"), "CDDriveLetterNo=0\r\n"); // the design text of the new dialog's box
    EXPECT_EQ(file("cddb.ini"), "EMail=" + CddbSites::DefaultEmail.toUtf8() + "\r\nServer=" +
                                    CddbSites::DefaultSiteHost.toUtf8() + "\r\nPort=888\r\n");
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Options, DriveNumberLetterAndBrandMoveTogetherUnlessManual)
{
    const QStringList cues = injectDrives({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    frmOptions& d = dlg();
    d.SSTab1->setCurrentIndex(2);
    auto state = [&] {
        return QStringList{d.SelectedCDROM->text(), d.DriveLetter->currentText(), d.txtCDROMBrand->text()};
    };
    EXPECT_EQ(state(), (QStringList{"1", cues[0], "one"}));
    d.PrevCDRom->click(); // already on drive 1
    EXPECT_EQ(state(), (QStringList{"1", cues[0], "one"}));
    d.NextCDRom->click();
    d.NextCDRom->click();
    EXPECT_EQ(state(), (QStringList{"3", cues[2], "three"}));
    d.NextCDRom->click(); // already on the last drive
    EXPECT_EQ(state(), (QStringList{"3", cues[2], "three"}));
    d.DriveLetter->setCurrentIndex(1);
    EXPECT_EQ(state(), (QStringList{"2", cues[1], "two"}));

    // Manual: the letter alone changes nothing else; the arrows leave the letter.
    d.Check1->setChecked(true);
    d.DriveLetter->setCurrentIndex(0);
    EXPECT_EQ(state(), (QStringList{"2", cues[0], "two"}));
    d.NextCDRom->click();
    EXPECT_EQ(state(), (QStringList{"3", cues[0], "three"}));
    d.PrevCDRom->click();
    d.PrevCDRom->click();
    EXPECT_EQ(state(), (QStringList{"1", cues[0], "one"}));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Options, WithoutCdSupportOrDrivesTheTabSaysSoAndStaysUsable)
{
    {
        NoCdDriver noDriver;
        injectDrives({QStringLiteral("first")});
        frmOptions& d = dlg();
        d.SSTab1->setCurrentIndex(2);
        ASSERT_EQ(prompt.asked.size(), 1u);
        EXPECT_EQ(prompt.last().text, QStringLiteral("Can´t initialize ASPI ! Please use a newer version of ASPI."));
        EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
        EXPECT_EQ(d.DriveLetter->count(), 0);
        EXPECT_FALSE(d.lblCDStatus->isHidden());
        EXPECT_EQ(d.lblCDStatus->text(), prompt.last().text);
        d.NextCDRom->click();
        d.PrevCDRom->click();
        EXPECT_EQ(flags().CDFlag, 0);
        d.cmdOK->click();
        EXPECT_FALSE(exists("cdrip.ini")); // the stored drive stays as it was
        EXPECT_EQ(exitSeam.calls, 0);
        settle();
    }
    // No drive at all: the detection's own message, and the tab says it too.
    CdDrives::setInjectedImages({});
    prompt.asked.clear();
    frmOptions& d = dlg();
    d.SSTab1->setCurrentIndex(2);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, QStringLiteral("No CD-ROM drives were detected on your system."));
    EXPECT_EQ(d.DriveLetter->count(), 0);
    EXPECT_EQ(d.lblCDStatus->text(), prompt.last().text);
    EXPECT_FALSE(d.lblCDStatus->isHidden());
    d.NextCDRom->click();
    EXPECT_EQ(d.SelectedCDROM->text(), QStringLiteral("SelectedCDRom"));
    d.SSTab1->setCurrentIndex(1);
    d.cmdOK->click();
    EXPECT_FALSE(Forms::isLoaded<frmOptions>());
    EXPECT_EQ(exitSeam.calls, 0);
}

TEST_F(Options, BrowseDefaultAndTypingMarkTheFolderChanged)
{
    const QString picked = homeDir() + QStringLiteral("Picked");
    QDir().mkpath(picked);
    frmOptions& d = dlg();
    // Cancel in the folder picker changes nothing.
    d.txtMusicFolder->setText(QStringLiteral("typed by hand"));
    d.Command2->click();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().kind, PromptRecord::Folder);
    EXPECT_EQ(prompt.last().title, QStringLiteral("Music Folder"));
    EXPECT_EQ(prompt.last().initial, songs + '/');
    EXPECT_EQ(d.txtMusicFolder->text(), QStringLiteral("typed by hand"));
    EXPECT_EQ(flags().bMP3FolderChangeFlag, 0);

    prompt.texts = {picked + '/', QStringLiteral("/")};
    d.Command2->click();
    EXPECT_EQ(d.txtMusicFolder->text(), picked);
    EXPECT_EQ(flags().bMP3FolderChangeFlag, -1);
    d.Command2->click();
    EXPECT_EQ(d.txtMusicFolder->text(), QStringLiteral("/"));

    flags().bMP3FolderChangeFlag = 0;
    d.cmdDefaultFolders->click();
    EXPECT_EQ(d.txtMusicFolder->text(), DefaultMusicFolder);
    EXPECT_EQ(flags().bMP3FolderChangeFlag, -1);

    flags().bMP3FolderChangeFlag = 0;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(d.txtMusicFolder, &key);
    EXPECT_EQ(flags().bMP3FolderChangeFlag, -1);
    EXPECT_TRUE(d.txtMusicFolder->text().endsWith(u'x')); // the key itself goes on
}

TEST_F(Options, NewEncoderSettingsReachTheOpenEncoderWindows)
{
    injectAudioDisc();
    frmCD& cd = Forms::get<frmCD>();
    cd.Show();
    frmWAVToMP3& wav = Forms::get<frmWAVToMP3>();
    wav.Show();
    const int32_t cdId = cd.windowId();
    EXPECT_EQ(cd.Label28->text(), QStringLiteral("Constant Bit Rate CBR1"));

    frmOptions& d = dlg();
    d.Combo1->setCurrentIndex(1);
    d.Option2->setChecked(true);
    d.cmdOK->click();
    EXPECT_EQ(EncoderMode, QStringLiteral("CBR2"));
    EXPECT_EQ(EncodeOutputMode, 2);
    EXPECT_EQ(cd.lblConfig->text(), QStringLiteral("WAV ONLY - 44 KHz"));
    EXPECT_EQ(cd.Label27->text(), QStringLiteral("Encoder Selection:"));
    EXPECT_EQ(cd.Label28->text(), QStringLiteral("Constant Bit Rate CBR2"));
    EXPECT_FALSE(cd.Opt320->isEnabled());
    EXPECT_EQ(wav.Label21->text(), QStringLiteral("Encoder Selection:"));
    EXPECT_EQ(wav.Label23->text(), QStringLiteral("Constant Bit Rate CBR2"));
    settle();

    frmOptions& e = dlg();
    EXPECT_EQ(e.Combo1->currentIndex(), 1);
    EXPECT_TRUE(e.Option2->isChecked());
    e.Combo1->setCurrentIndex(3);
    e.Option3->setChecked(true);
    e.cmdOK->click();
    EXPECT_EQ(cd.lblConfig->text(), QStringLiteral("WAV AND MP3"));
    EXPECT_EQ(cd.Label28->text(), QStringLiteral("Variable Bit Rate VBR2"));
    EXPECT_TRUE(cd.Opt320->isEnabled());
    EXPECT_EQ(wav.Label23->text(), QStringLiteral("Variable Bit Rate VBR2"));
    EXPECT_EQ(EncodeOutputMode, 3);
    // The drive tab was never entered: the CD window is the same one.
    settle();
    ASSERT_NE(Forms::find<frmCD>(), nullptr);
    EXPECT_EQ(Forms::find<frmCD>()->windowId(), cdId);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Options, AFolderChangeRefreshesTheOpenFeatureWindowsKeepingTheirStates)
{
    frmWAVToMP3& wav = Forms::get<frmWAVToMP3>();
    wav.Show();
    frmBurner& burner = Forms::get<frmBurner>();
    burner.Show();
    burner.setWindowStateValue(WinState::Maximized);
    frmSongs& songsWindow = Forms::get<frmSongs>(); // loaded, hidden
    const int32_t ids[] = {wav.windowId(), burner.windowId(), songsWindow.windowId()};

    // OK without a folder edit refreshes nothing.
    dlg().cmdOK->click();
    settle();
    EXPECT_EQ(Forms::find<frmWAVToMP3>()->windowId(), ids[0]);

    const QString other = homeDir() + QStringLiteral("Other");
    frmOptions& d = dlg();
    d.txtMusicFolder->setText(other);
    d.txtMusicFolder_KeyPress();
    d.cmdOK->click();
    settle();
    EXPECT_EQ(MusicFolder, other + '/');
    frmWAVToMP3* wav2 = Forms::find<frmWAVToMP3>();
    frmBurner* burner2 = Forms::find<frmBurner>();
    frmSongs* songs2 = Forms::find<frmSongs>();
    ASSERT_TRUE(wav2 && burner2 && songs2);
    EXPECT_NE(wav2->windowId(), ids[0]);
    EXPECT_NE(burner2->windowId(), ids[1]);
    EXPECT_NE(songs2->windowId(), ids[2]);
    EXPECT_TRUE(wav2->isVisible());
    EXPECT_TRUE(burner2->isVisible());
    EXPECT_EQ(burner2->WindowState(), WinState::Maximized);
    EXPECT_FALSE(songs2->isVisible());
    EXPECT_EQ(flags().bMP3FolderChangeFlag, 0);
    EXPECT_EQ(Refreshing, 0);
    // No unload on the way brought back the main window.
    EXPECT_FALSE(Forms::isLoaded<frmMain>() && Forms::find<frmMain>()->isVisible());
}

TEST_F(Options, TheCdWindowIsReloadedAfterADriveTabVisit)
{
    injectAudioDisc();
    frmMain& m = loadMain();
    frmCD& cd = Forms::get<frmCD>();
    cd.Show();
    m.Hide();
    const int32_t firstId = cd.windowId();

    // Opened from the CD window's options button, modally, on the encoder tab.
    auto openFromCd = [&](std::function<void(frmOptions&)> inside) {
        QTimer::singleShot(0, [inside] {
            frmOptions& d = Forms::get<frmOptions>();
            EXPECT_TRUE(d.isVisible());
            EXPECT_TRUE(d.isModal());
            EXPECT_EQ(d.SSTab1->currentIndex(), 0);
            inside(d);
        });
        Forms::find<frmCD>()->sscmdOptions_Click();
        settle();
    };

    // Without a visit to the drive tab it is left alone.
    openFromCd([](frmOptions& d) { d.cmdOK->click(); });
    ASSERT_NE(Forms::find<frmCD>(), nullptr);
    EXPECT_EQ(Forms::find<frmCD>()->windowId(), firstId);
    EXPECT_EQ(OptionsFromCD, -1);

    openFromCd([](frmOptions& d) {
        d.SSTab1->setCurrentIndex(2);
        d.cmdOK->click();
    });
    frmCD* reloaded = Forms::find<frmCD>();
    ASSERT_NE(reloaded, nullptr);
    EXPECT_NE(reloaded->windowId(), firstId);
    EXPECT_TRUE(reloaded->isVisible());
    EXPECT_EQ(CDPlayerFailed, 0);
    EXPECT_EQ(file("cdrip.ini"), "CDDriveLetterNo=1\r\n");
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(flags().CDFlag, 0);
    EXPECT_TRUE(prompt.asked.empty());

    // The drive is gone by the time OK is pressed: the CD window closes and the main window is back.
    openFromCd([](frmOptions& d) {
        d.SSTab1->setCurrentIndex(2);
        CdDrives::setInjectedImages({});
        d.cmdOK->click();
    });
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(OptionsFromCD, 0);
    EXPECT_EQ(flags().CDFlag, 0);
    ASSERT_EQ(prompt.asked.size(), 2u); // no drive detected, then the player cannot open one
    EXPECT_TRUE(prompt.asked.front().text.startsWith(QStringLiteral("No CD-ROM drives were detected")));
    EXPECT_TRUE(prompt.last().text.startsWith(QStringLiteral("Could not open Quillory CD Player.")));
}

TEST_F(Options, EachTabOnScreen)
{
    writeAll(programFile(QStringLiteral("cddb.ini")), "EMail=me@home.example\r\nServer=127.0.0.1\r\nPort=8880\r\n");
    injectDrives({QStringLiteral("disc")});
    QDir().mkpath(QStringLiteral(QUILLORY_SCREENSHOT_DIR));
    frmOptions& d = dlg();
    d.Show();
    for (int tab = 0; tab < 4; ++tab) {
        d.SSTab1->setCurrentIndex(tab);
        const QString name = QStringLiteral(QUILLORY_SCREENSHOT_DIR "/options-%1.png").arg(tab);
        EXPECT_TRUE(d.grab().save(name)) << name.toStdString();
    }
    // Without a CD drive.
    CdDrives::setInjectedImages({});
    d.SSTab1->setCurrentIndex(0);
    d.SSTab1->setCurrentIndex(2);
    EXPECT_TRUE(d.grab().save(QStringLiteral(QUILLORY_SCREENSHOT_DIR "/options-2-nodrive.png")));
    d.cmdClose->click();
}

TEST_F(Options, OkDuringASiteFetchEndsItAndSaves)
{
    FakeCddb fake;
    ASSERT_TRUE(fake.server.isListening());
    writeAll(programFile(QStringLiteral("cddb.ini")),
             "EMail=me@example.org\r\nServer=127.0.0.1\r\nPort=" + QByteArray::number(fake.port()) + "\r\n");
    frmOptions& d = dlg();
    d.SSTab1->setCurrentIndex(3);
    // The server never sends its list; OK is pressed while the dialog waits for it.
    fake.onLine = [&](const QByteArray& line) {
        if (line.startsWith("sites"))
            QTimer::singleShot(0, [&d] { d.cmdOK->click(); });
        return line.startsWith("sites");
    };
    // A test that went wrong ends the wait instead of hanging.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [this] { clock.advance(3600 * 1000); });
    watchdog.start(20000);
    d.cmdGetCDSites->click();
    watchdog.stop();
    EXPECT_EQ(clock.monotonicMs(), 0);
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(CddbSites::instance().TimedOut, -1);
    EXPECT_FALSE(Forms::isLoaded<frmOptions>());
    EXPECT_EQ(file("cddb.ini"),
              "EMail=me@example.org\r\nServer=127.0.0.1\r\nPort=" + QByteArray::number(fake.port()) + "\r\n");
}
