#include <QApplication>
#include <QDir>
#include <QFile>

#include "pump.h"
#include "shell/frmmovestatus.h"
#include "songsfixture.h"

class MoveFixture : public SongsFixture {
protected:
    // The move runs as a job: its end unloads the status window.
    static void waitForMove() { ASSERT_TRUE(pumpUntil([] { return !Forms::isLoaded<frmMoveStatus>(); })); }
    QString home(const QString& rel) const { return homeDir() + rel; }
    QString myMusic(const QString& rel) const { return DefaultMusicFolder + rel; }
};

TEST_F(MoveFixture, AnsweringNoMovesNothing)
{
    touch(home(QStringLiteral("a/x.mp3")));
    frmSongs& w = load();
    prompt.answers = {Mb::No};
    w.sscmdMoveFiles_Click();
    EXPECT_TRUE(QFile::exists(home(QStringLiteral("a/x.mp3"))));
    EXPECT_EQ(Forms::find<frmSongs>(), &w);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_TRUE(prompt.last().text.startsWith(
        QStringLiteral("Quillory can move all MP3 files on your hard drive on which Quillory is installed to the My "
                       "Music folder on that drive.")));
    EXPECT_TRUE(prompt.last().text.endsWith(
        QStringLiteral("\n\nClick Yes if you wish to move the MP3 Files. Click No if you do not wish to move them")));
    EXPECT_EQ(prompt.last().style, Mb::YesNo);
}

TEST_F(MoveFixture, GathersTheHomeTreesMp3FilesAndKnownMarkersIntoMyMusic)
{
    entry(QStringLiteral("Rock"), QStringLiteral("x"));
    touch(home(QStringLiteral("a/Song.MP3")), "song");
    touch(myMusic(QStringLiteral("same.mp3")), "12345");
    touch(home(QStringLiteral("b/same.mp3")), "abcde");       // same size: stays
    touch(myMusic(QStringLiteral("other.mp3")), "1");
    touch(myMusic(QStringLiteral("other(1).mp3")), "22");
    touch(home(QStringLiteral("c/d/other.mp3")), "22");       // other size: next free number
    touch(myMusic(QStringLiteral("top.mp3")), "top");         // already there: untouched
    touch(myMusic(QStringLiteral("sub/deep.mp3")), "deep");   // sub-folders of My Music move up
    touch(home(QStringLiteral(".hidden/h.mp3")), "h");        // dot-folders are skipped
    touch(homeDir() + QStringLiteral("outside/o.mp3"), "o");
    QFile::link(homeDir() + QStringLiteral("outside"), home(QStringLiteral("link")));
    QFile::link(home(QStringLiteral("a/Song.MP3")), home(QStringLiteral("songlink.mp3"))); // links are not moved
    touch(home(QStringLiteral("lists/rock.lst")), "1\r\n");   // known playlist
    touch(home(QStringLiteral("lists/Pop.lst")), "1\r\n");    // unknown playlist
    touch(home(QStringLiteral("lists/Rock.cdr")), "1\r\n");
    frmSongs* before = &load();
    before->Show();
    prompt.answers = {Mb::Yes, Mb::OK};
    before->sscmdMoveFiles_Click();
    waitForMove();
    settle();

    QStringList moved = QDir(DefaultMusicFolder).entryList(QDir::Files, QDir::Name);
    EXPECT_EQ(moved, (QStringList{"Song.mp3", "deep.mp3", "o.mp3", "other(1).mp3", "other(2).mp3", "other.mp3",
                                  "rock.lst", "same.mp3", "top.mp3"}));
    EXPECT_EQ(readAll(myMusic(QStringLiteral("Song.mp3"))), QByteArray("song"));
    EXPECT_EQ(readAll(myMusic(QStringLiteral("other(2).mp3"))), QByteArray("22"));
    EXPECT_EQ(readAll(myMusic(QStringLiteral("same.mp3"))), QByteArray("12345"));
    EXPECT_TRUE(QFile::exists(home(QStringLiteral("b/same.mp3"))));
    EXPECT_TRUE(QFile::exists(home(QStringLiteral(".hidden/h.mp3"))));
    EXPECT_TRUE(QFile::exists(home(QStringLiteral("lists/Pop.lst"))));
    EXPECT_TRUE(QFile::exists(home(QStringLiteral("lists/Rock.cdr"))));
    EXPECT_TRUE(QFileInfo(home(QStringLiteral("songlink.mp3"))).isSymLink());
    // The window was reloaded; the status window is gone; the catalogues were not written.
    frmSongs* after = Forms::find<frmSongs>();
    ASSERT_NE(after, nullptr);
    EXPECT_NE(static_cast<void*>(after), static_cast<void*>(before));
    EXPECT_TRUE(after->isVisible());
    EXPECT_TRUE(after->isEnabled());
    EXPECT_EQ(Forms::find<frmMoveStatus>(), nullptr);
    EXPECT_EQ(Refreshing, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(prompt.last().text, QStringLiteral("MP3 Files moved to ") + homeDir() + QStringLiteral("My Music Folder"));
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("MP3.mpd"))));
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("playlist.mpd"))));
    EXPECT_EQ(errorBoxes(), 0);
}

TEST_F(MoveFixture, AMarkerAlreadyInMyMusicStaysWhereItIs)
{
    entry(QStringLiteral("Rock"), QStringLiteral("x"));
    touch(myMusic(QStringLiteral("Rock.lst")), "1\r\n");
    touch(home(QStringLiteral("l/Rock.lst")), "1\r\n");
    prompt.answers = {Mb::Yes, Mb::OK};
    load().sscmdMoveFiles_Click();
    waitForMove();
    settle();
    EXPECT_TRUE(QFile::exists(home(QStringLiteral("l/Rock.lst"))));
}
