#include "playerfixture.h"

#include "shell/frmmain.h"

using PlayerWindow = PlayerFixture;

namespace {
void addRecent(const QString& title, const QString& artist, const QString& length)
{
    RecentList->Add(QStringLiteral("any"), 1, title, artist, length, QString(), QString());
}
} // namespace

// Loading fills the play list from the recent list, leaving out songs whose file is gone,
// shows the music folder without its trailing separator and opens at its design size.
TEST_F(PlayerWindow, LoadShowsTheRecentSongsThatStillExist)
{
    addFiles({QStringLiteral("One"), QStringLiteral("three"), QStringLiteral("Five")});
    addRecent(QStringLiteral("One"), QStringLiteral("A"), QStringLiteral("1:05"));
    addRecent(QStringLiteral("Two"), QStringLiteral("B"), QStringLiteral("2:00"));
    addRecent(QStringLiteral("Three"), QStringLiteral("C"), QStringLiteral("0:59")); // file in other letter case
    addRecent(QStringLiteral("Four"), QStringLiteral("D"), QStringLiteral("3:00"));
    addRecent(QStringLiteral("Five"), QStringLiteral("E"), QStringLiteral("1:00"));
    QDir().mkpath(MusicFolder + QStringLiteral("Four.mp3")); // a folder is not a song file

    frmPlay& w = player();
    EXPECT_EQ(column(w.ListView1, 0), (QStringList{"One", "Three", "Five"}));
    EXPECT_EQ(column(w.ListView1, 3), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(w.Label2->text(), QStringLiteral("Total Play Time = 3:04"));
    EXPECT_EQ(w.ListView5->topLevelItemCount(), 0) << "loading does not fill the shuffle pool";
    EXPECT_EQ(w.Label28->text(), QStringLiteral("Current Music Folder=") + homeDir() + QStringLiteral("Music"));
    EXPECT_EQ(w.widthTw(), 4740);
    EXPECT_EQ(w.heightTw(), 6360);
    EXPECT_EQ(w.Caption(), QStringLiteral("The MP3 Player"));
    EXPECT_EQ(errorBoxes(), 0);
}

TEST_F(PlayerWindow, EmptyRecentListGivesAnEmptyPlayList)
{
    frmPlay& w = player();
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(w.Label2->text(), QStringLiteral("Total Play Time = 0:00"));
}

// Closing while a song plays stops it without starting the next, stores the play list
// (duplicates included) as the recent list and brings back the main window.
TEST_F(PlayerWindow, CloseWhilePlayingStopsSavesAndShowsMain)
{
    addFiles({QStringLiteral("Song A"), QStringLiteral("Song B")});
    frmPlay& w = player();
    fill(w, {{"Song A", "Artist A", "0:02"}, {"Song B", "Artist B", "0:02"}, {"Song A", "Artist A", "0:02"}});
    w.picPlay_Click();
    ASSERT_TRUE(w.Mp3Play1->IsRunning());
    ASSERT_TRUE(Forms::unload(&w));
    flush();
    settle();
    EXPECT_EQ(StoppedOnPurpose, 1);
    ASSERT_NE(Forms::find<frmMain>(), nullptr);
    EXPECT_TRUE(Forms::find<frmMain>()->isVisible());

    colPlaylist back;
    back.setFileName(programFile(QStringLiteral("recent.mpd")));
    back.OpenFile();
    ASSERT_EQ(back.Count(), 3);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(back.Item(i)->PlaylistName(), QStringLiteral("*%#Recent List#%*"));
        EXPECT_EQ(back.Item(i)->ItemNumber(), i);
    }
    EXPECT_EQ(back.Item(3)->MP3Title(), QStringLiteral("Song A"));
    EXPECT_EQ(back.Item(2)->artist(), QStringLiteral("Artist B"));
    EXPECT_EQ(back.Item(2)->Length(), QStringLiteral("0:02"));
    EXPECT_EQ(errorBoxes(), 0);
}

// Closing during a window switch or a settings reload leaves the main window hidden;
// an empty play list empties the stored recent list.
TEST_F(PlayerWindow, SwitchOrReloadLeavesMainHiddenAndEmptyListIsStored)
{
    addFiles({QStringLiteral("Old")});
    addRecent(QStringLiteral("Old"), QStringLiteral("X"), QStringLiteral("1:00"));
    for (int16_t* flag : {&SwitchingWindow, &Refreshing}) {
        frmPlay& w = player();
        w.sscmdClear_Click();
        *flag = 1;
        ASSERT_TRUE(Forms::unload(&w));
        settle();
        EXPECT_EQ(Forms::find<frmMain>(), nullptr);
        EXPECT_EQ(SwitchingWindow, 0);
        Refreshing = 0;
        colPlaylist back;
        back.setFileName(programFile(QStringLiteral("recent.mpd")));
        back.OpenFile();
        EXPECT_EQ(back.Count(), 0);
    }
}
