#include "fixture.h"

#include "app/frmsplash.h"
#include "core/globals.h"
#include "core/instance.h"
#include "app/startup.h"
#include "platform/appcontext.h"
#include "shell/frmmain.h"
#include "shell/frmoptions.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// Notes when the splash is shown and hidden, on the test clock.
class SplashWatch : public QObject {
public:
    explicit SplashWatch(const Clock& c) : clock(c) { qApp->installEventFilter(this); }
    ~SplashWatch() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (o->objectName() == QStringLiteral("frmSplash") && o->isWidgetType()) {
            if (e->type() == QEvent::Show)
                shownAt = clock.monotonicMs();
            if (e->type() == QEvent::Hide)
                hiddenAt = clock.monotonicMs();
        }
        return false;
    }
    const Clock& clock;
    qint64 shownAt = -1;
    qint64 hiddenAt = -1;
};
} // namespace

class Startup : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        clock.setAutoStep(50);
    }
    // The data files of a fresh program folder (record files, skins, sounds).
    void copyReadyFolder()
    {
        const QDir ready(QStringLiteral(QUILLORY_PROGRAM_DIR));
        for (const QString& f : ready.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            if (f != QStringLiteral("quillory") && f != QStringLiteral("order"))
                copyShipped(f);
    }
    void TearDown() override
    {
        ReleaseInstanceLock();
        AppFixture::TearDown();
    }
};

TEST_F(Startup, LoadsCataloguesKeepsTheSplashThreeSecondsAndReachesTheMainWindow)
{
    copyReadyFolder();
    SplashWatch watch(clock);
    Main();
    EXPECT_TRUE(prompt.asked.empty());

    // The five catalogues, each loaded from its file in the program folder.
    ASSERT_TRUE(SongLibrary && Playlists && RecentList && CDLibrary && Categories);
    EXPECT_GT(Categories->Count(), 100);
    EXPECT_EQ(SongLibrary->FileName(), programFile(QStringLiteral("MP3.mpd")));
    EXPECT_EQ(Playlists->FileName(), programFile(QStringLiteral("playlist.mpd")));
    EXPECT_EQ(RecentList->FileName(), programFile(QStringLiteral("recent.mpd")));
    EXPECT_EQ(CDLibrary->FileName(), programFile(QStringLiteral("cd.mpd")));
    EXPECT_EQ(Categories->FileName(), programFile(QStringLiteral("category.mpd")));

    // The splash was up at least 3 seconds, and is gone.
    EXPECT_EQ(watch.shownAt, 0);
    EXPECT_GT(watch.hiddenAt - watch.shownAt, 3000);
    EXPECT_LT(watch.hiddenAt, 3500);
    EXPECT_FALSE(Forms::isLoaded<frmSplash>());

    EXPECT_EQ(AppDriveRoot, homeDir());
    EXPECT_EQ(DefaultMusicFolder, homeDir() + QStringLiteral("My Music/"));
    EXPECT_TRUE(QFileInfo(DefaultMusicFolder).isDir());
    ASSERT_TRUE(Forms::isLoaded<frmMain>());
    EXPECT_TRUE(Forms::find<frmMain>()->isVisible());
    EXPECT_EQ(PixelScale, 15.0 / ScreenTwipsPerPixelX());
    // Every run rips to MP3 only with no encoder preset, before any window has read them.
    EXPECT_EQ(EncodeOutputMode, 1);
    EXPECT_TRUE(EncoderMode.isEmpty());
    EXPECT_FALSE(Forms::isLoaded<frmOptions>());
}

TEST_F(Startup, CataloguesLoadInOrderAndMissingFilesDoNotStopStartUp)
{
    // No record files at all: each catalogue reports its missing file, in loading order.
    copyReadyFolder();
    for (const char* f : {"MP3.mpd", "playlist.mpd", "recent.mpd", "cd.mpd", "category.mpd"})
        QFile::remove(programFile(QString::fromLatin1(f)));
    prompt.answers = {Mb::Yes, Mb::Yes, Mb::Yes, Mb::Yes, Mb::Yes};
    Main();
    QStringList modules;
    for (const PromptRecord& r : prompt.asked)
        modules << r.text.section(QStringLiteral("Module Name : "), 1).section(u'\r', 0, 0);
    EXPECT_EQ(modules, (QStringList{QStringLiteral("colMP3"), QStringLiteral("colPlaylist"),
                                    QStringLiteral("colPlaylist"), QStringLiteral("colCD"),
                                    QStringLiteral("colCategory")}));
    EXPECT_TRUE(Forms::isLoaded<frmMain>());
}

TEST_F(Startup, AnExistingMusicFolderIsLeftAsItIs)
{
    copyReadyFolder();
    QDir().mkpath(homeDir() + QStringLiteral("My Music"));
    writeAll(homeDir() + QStringLiteral("My Music/song.mp3"), "x");
    Main();
    EXPECT_EQ(readAll(homeDir() + QStringLiteral("My Music/song.mp3")), "x");
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Startup, AFolderThatCannotBeMadeIsLoggedAndStartUpGoesOn)
{
    // The home folder itself is missing: one level of folders is not enough.
    copyReadyFolder();
    AppContext::setCurrent(AppContext(programDir(), homeDir() + QStringLiteral("gone/")));
    prompt.answers = {Mb::Yes};
    Main();
    // The logged failure, then the note that the music folder is missing, once: the main
    // window's reader no longer loads the settings dialog, whose load read it again.
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_TRUE(prompt.asked[0].text.contains(QStringLiteral("Module Name : modMP3")));
    EXPECT_TRUE(prompt.asked[0].text.contains(QStringLiteral("Procedure    : Main")));
    EXPECT_TRUE(prompt.asked[1].text.startsWith(QStringLiteral("Music Folder not found.")));
    EXPECT_TRUE(QFile::exists(programFile(QStringLiteral("QuilloryError.log"))));
    EXPECT_TRUE(Forms::isLoaded<frmMain>());
}

TEST_F(Startup, ASecondCopyWaitsThreeSecondsSaysSoAndEndsTouchingNothing)
{
    // Another copy holds the program folder's lock.
    const int other = ::open(QFile::encodeName(InstanceLockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

    SplashWatch watch(clock);
    EXPECT_THROW(Main(), ProgramEnded);
    ::close(other);

    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, QStringLiteral("Quillory is already running. Check Windows taskbar for it."));
    EXPECT_EQ(prompt.last().style, Mb::OKOnly | Mb::NoIcon);
    EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    EXPECT_GT(watch.hiddenAt - watch.shownAt, 3000);
    EXPECT_FALSE(Forms::isLoaded<frmSplash>());
    EXPECT_FALSE(Forms::isLoaded<frmMain>());
    EXPECT_FALSE(SongLibrary || Playlists || RecentList || CDLibrary || Categories);
    EXPECT_FALSE(QFileInfo::exists(homeDir() + QStringLiteral("My Music")));
    EXPECT_EQ(QDir(programDir()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral(".quillory.lock")});
}

TEST_F(Startup, TheLockOfAnEndedCopyDoesNotStick)
{
    // A copy that ended (crashed) leaves its lock file behind, but not its lock.
    writeAll(InstanceLockPath(), "999999\n");
    EXPECT_FALSE(PrevInstance());
    // While this copy runs, another one is refused.
    const int other = ::open(QFile::encodeName(InstanceLockPath()).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    ::close(other);
}

TEST_F(Startup, SplashIsTopmostCentredAndScaled)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    {
        frmSplash& s = Forms::get<frmSplash>();
        EXPECT_EQ(s.size(), QSize(396, 294));
        EXPECT_TRUE(s.windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_EQ(s.windowTitle(), QString());
        EXPECT_EQ(s.x(), screen.x() + (screen.width() - 396) / 2);
        EXPECT_EQ(s.y(), screen.y() + (screen.height() - 294) / 2);
        Forms::unload<frmSplash>();
    }
    // 12 twips per pixel: the window shrinks to 80 %.
    PixelScale = 15.0 / 12.0;
    frmSplash& s = Forms::get<frmSplash>();
    EXPECT_EQ(s.size(), QSize(317, 235));
    EXPECT_EQ(s.x(), screen.x() + (screen.width() - 317) / 2);

    // The picture, for people to look at.
    const QPixmap pic = frmSplash::Picture();
    EXPECT_EQ(pic.size(), QSize(396, 294));
    const QString shots = QStringLiteral(QUILLORY_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(shots);
    EXPECT_TRUE(pic.save(shots + QStringLiteral("/frmSplash.png")));
}
