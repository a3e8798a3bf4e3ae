// The CD window's transport: Play, Stop, Next, Previous, the one-second tick, in both
// modes. The window loads on a disc image; then the device's answers are scripted and
// the commands it receives recorded.
#include <gtest/gtest.h>

#include "cdwindowfixture.h"
#include "controls/mp3play.h"
#include "player/frmplay.h"
#include "audiofiles.h"
#include "fakecddb.h"
#include "scriptedmci.h"

class CdTransport : public CdWindowTest {
protected:
    frmCD& start(int tracks = 5)
    {
        insertDisc(std::vector<int>(tracks, 300));
        frmCD& cd = loadCd();
        cd.Timer1->stop();
        mci = std::make_unique<ScriptedMci>();
        return cd;
    }
    void device(const char* mode, const char* position = nullptr)
    {
        mci->replies[QStringLiteral("status cd mode")] = QString::fromLatin1(mode);
        if (position)
            mci->replies[QStringLiteral("status cd position")] = QString::fromLatin1(position);
    }
    // Commands other than the tick's questions, then forgets them.
    QStringList commands()
    {
        QStringList out;
        for (const QString& c : mci->sent)
            if (!c.startsWith(QLatin1String("status ")))
                out << c;
        mci->sent.clear();
        return out;
    }
    static void select(frmCD& cd, std::initializer_list<int> rows)
    {
        for (int r : rows)
            cd.ListView1->topLevelItem(r - 1)->setSelected(true);
    }
    static bool selected(frmCD& cd, int r) { return cd.ListView1->topLevelItem(r - 1)->isSelected(); }
    std::unique_ptr<ScriptedMci> mci;
};

TEST_F(CdTransport, NormalPlayFollowsTheDiscAndStopsAtItsEnd)
{
    frmCD& cd = start();
    cd.picPlay_Click();
    EXPECT_EQ(commands(), (QStringList{"seek cd to  1", "play cd"}));
    EXPECT_EQ(CDPlayState, QStringLiteral("Play"));

    device("playing", "01:00:01:00");
    cd.Timer1_Timer();
    EXPECT_EQ(cd.txtPlaying->text(), QStringLiteral("Track No. 1   00:01"));
    EXPECT_FALSE(selected(cd, 1)); // loading set lasttrack to 1
    // Track 2 begins: the line follows at once, the highlight one tick later.
    device("playing", "02:00:00:10");
    cd.Timer1_Timer();
    EXPECT_EQ(cd.txtPlaying->text(), QStringLiteral("Track No. 2   00:00"));
    EXPECT_FALSE(selected(cd, 2));
    device("playing", "02:00:01:10");
    cd.Timer1_Timer();
    EXPECT_TRUE(selected(cd, 2));
    EXPECT_EQ(commands(), QStringList());

    // Play again restarts the current track.
    cd.picPlay_Click();
    EXPECT_EQ(commands(), (QStringList{"seek cd to  2", "play cd"}));

    // The disc ends on its last track: Play stops instead of starting again.
    device("playing", "05:00:04:00");
    cd.Timer1_Timer();
    device("stopped");
    cd.Timer1_Timer();
    EXPECT_EQ(commands(), (QStringList{"seek cd to  5"}));
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_EQ(cd.state().endflag, 0);
}

TEST_F(CdTransport, StopPauseNextPreviousAndEject)
{
    frmCD& cd = start();
    cd.currenttrack = 3;
    CDPlayState = QStringLiteral("Play");
    cd.picStop_Click();
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_EQ(commands(), (QStringList{"stop cd wait"}));
    cd.picPlay_Click(); // from track 1 again
    EXPECT_EQ(commands(), (QStringList{"seek cd to  1", "play cd"}));

    cd.picPause_Click();
    EXPECT_EQ(CDPlayState, QStringLiteral("Pause"));
    cd.Check1->setChecked(true);
    cd.picPlay_Click(); // resumes whatever the mode
    EXPECT_EQ(commands(), (QStringList{"pause cd", "play cd"}));
    cd.Check1->setChecked(false);
    mci->sent.clear();

    CDPlayState = QStringLiteral("Stop");
    cd.picPause_Click(); // even when stopped
    EXPECT_EQ(CDPlayState, QStringLiteral("Pause"));
    cd.picEject_Click();
    EXPECT_EQ(CDPlayState, QStringLiteral("Pause"));
    EXPECT_EQ(commands(), (QStringList{"pause cd", "set cd door open"}));

    // Next and Previous in normal mode seek and play; the tick then says "Play".
    CDPlayState = QStringLiteral("Stop");
    cd.currenttrack = 1;
    cd.picPrev_Click();
    cd.picNext_Click();
    EXPECT_EQ(commands(), (QStringList{"stop cd wait", "seek cd to  0", "play cd", "stop cd wait", "seek cd to  2",
                                       "play cd"}));
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    device("playing", "02:00:00:00");
    cd.Timer1_Timer();
    EXPECT_EQ(CDPlayState, QStringLiteral("Play"));
}

TEST_F(CdTransport, SelectedTracksPlayOneByOneAndStopAfterTheLast)
{
    frmCD& cd = start();
    select(cd, {2, 4});
    cd.Check1->setChecked(true);
    EXPECT_EQ(cd.Caption(), frmCD::kCaptionSelected);
    cd.picPlay_Click();
    EXPECT_EQ(cd.currenttrack, 2);
    EXPECT_EQ(commands(), (QStringList{"play cd from 2 to 3"}));
    device("playing", "02:00:03:00");
    cd.Timer1_Timer();
    EXPECT_FALSE(selected(cd, 1)); // the timer leaves the user's selection alone
    // Track 2 ends by itself: the next selected track plays.
    device("stopped");
    cd.Timer1_Timer();
    EXPECT_EQ(commands(), (QStringList{"play cd from 4 to 5"}));
    EXPECT_EQ(cd.currenttrack, 4);
    device("playing", "04:00:03:00");
    cd.Timer1_Timer();
    device("stopped");
    cd.Timer1_Timer();
    EXPECT_EQ(commands(), QStringList());
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_EQ(cd.state().endflag, 0);
    EXPECT_TRUE(selected(cd, 2) && selected(cd, 4));
}

// A track's play can end between the tick's question for the mode and its question for the
// position, which then names the next track's start: that track is still the next to play.
TEST_F(CdTransport, APlayEndingBetweenTheTicksTwoQuestionsSkipsNoTrack)
{
    frmCD& cd = start();
    select(cd, {2, 3});
    cd.Check1->setChecked(true);
    cd.picPlay_Click();
    device("playing", "02:00:03:00");
    cd.Timer1_Timer();
    EXPECT_EQ(commands(), (QStringList{"play cd from 2 to 3"}));
    mci->answered = [this](const QString& command) {
        if (command == QLatin1String("status cd mode"))
            device("stopped", "03:00:00:00");
    };
    device("playing", "02:00:03:70");
    cd.Timer1_Timer();
    EXPECT_EQ(commands(), (QStringList{"play cd from 3 to 4"}));
    EXPECT_EQ(cd.currenttrack, 3);
    EXPECT_EQ(CDPlayState, QStringLiteral("Play"));
}

TEST_F(CdTransport, SelectedTracksNextPreviousAndNoSelection)
{
    frmCD& cd = start();
    select(cd, {2, 5});
    cd.Check1->setChecked(true);
    cd.picPlay_Click();
    cd.picNext_Click(); // 5 is the last track: to the end of the disc
    EXPECT_EQ(cd.currenttrack, 5);
    cd.picNext_Click(); // nothing after it
    cd.picPrev_Click();
    EXPECT_EQ(cd.currenttrack, 2);
    cd.picPrev_Click(); // nothing before it
    EXPECT_EQ(commands(), (QStringList{"play cd from 2 to 3", "stop cd wait", "seek cd to  5", "play cd",
                                       "play cd from 2 to 3"}));
    cd.ssCmdDesel_Click();
    EXPECT_TRUE(cd.ListView1->selectedItems().isEmpty());
    CDPlayState = QStringLiteral("Stop");
    cd.picPlay_Click();
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_EQ(commands(), QStringList());
    cd.ssCmdSelect_Click();
    EXPECT_EQ(cd.ListView1->selectedItems().size(), 5);
}

TEST_F(CdTransport, SettingTheModeWhilePlayingPlaysAtOnce)
{
    frmCD& cd = start();
    select(cd, {3});
    cd.Check1->setChecked(true); // stopped: only the caption
    EXPECT_EQ(commands(), QStringList());
    cd.Check1->setChecked(false);
    EXPECT_EQ(cd.Caption(), frmCD::kCaption);
    CDPlayState = QStringLiteral("Play");
    cd.currenttrack = 1;
    cd.Check1->setChecked(true);
    EXPECT_EQ(commands(), (QStringList{"play cd from 3 to 4"}));
}

TEST_F(CdTransport, ARowClickWhilePlayingJumpsThereAndLeavesTheMode)
{
    frmCD& cd = start();
    cd.Check1->setChecked(true);
    CDPlayState = QStringLiteral("Play");
    cd.ListView1->setCurrentItem(cd.ListView1->topLevelItem(2));
    cd.ListView1_MouseUp(1, 2); // Ctrl+click: only the selection
    EXPECT_TRUE(cd.Check1->isChecked());
    EXPECT_EQ(commands(), QStringList());
    cd.ListView1_MouseUp(1, 0);
    EXPECT_FALSE(cd.Check1->isChecked());
    EXPECT_EQ(cd.Caption(), frmCD::kCaption);
    EXPECT_EQ(cd.currenttrack, 3);
    EXPECT_EQ(commands(), (QStringList{"stop cd wait", "seek cd to  3", "play cd"}));
    CDPlayState = QStringLiteral("Stop");
    cd.ListView1_MouseUp(1, 0);
    EXPECT_EQ(commands(), QStringList());
}

TEST_F(CdTransport, ARowCountThatDiffersFromTheDiscShowsNoPosition)
{
    frmCD& cd = start();
    delete cd.ListView1->topLevelItem(4);
    CDPlayState = QStringLiteral("Stop");
    device("playing", "02:00:03:00");
    cd.Timer1_Timer();
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_TRUE(cd.txtPlaying->text().isEmpty());
}

TEST_F(CdTransport, PlayStopsTheMp3PlayerOnceItHasPlayed)
{
    frmCD& cd = start();
    Forms::get<frmPlay>();
    PlayerStarted = 1;
    StoppedOnPurpose = 0;
    cd.picPlay_Click();
    EXPECT_EQ(StoppedOnPurpose, 1);
    EXPECT_EQ(CDPlayState, QStringLiteral("Play"));
}

// The two players never play at once: the disc's Play stops a playing song and clears the
// player's pause, and the player's Play stops the disc through this window's Stop.
TEST_F(CdTransport, StartingOnePlayerStopsTheOther)
{
    frmCD& cd = start();
    ASSERT_TRUE(testaudio::makeMp3(MusicFolder + QStringLiteral("Song.mp3"), 44100, 2, 2.0, 128));
    frmPlay& player = Forms::get<frmPlay>();
    player.Text2->setText(QStringLiteral("Song"));
    player.picPlay_Click();
    ASSERT_TRUE(player.Mp3Play1->IsRunning());
    player.picPause_Click();
    ASSERT_EQ(player.picPause->borderStyle(), 1);

    cd.picPlay_Click();
    EXPECT_FALSE(player.Mp3Play1->IsRunning());
    EXPECT_EQ(player.picPause->borderStyle(), 0);
    EXPECT_EQ(StoppedOnPurpose, 1);
    EXPECT_EQ(CDPlayState, QStringLiteral("Play"));
    EXPECT_EQ(commands(), (QStringList{"seek cd to  1", "play cd"}));

    player.picPlay_Click();
    EXPECT_EQ(commands(), QStringList{QStringLiteral("stop cd wait")});
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_TRUE(player.Mp3Play1->IsRunning());
    EXPECT_EQ(StoppedOnPurpose, 0);
}

// On the real device and the null output, with tracks of every length in frames modulo 3
// (a frame lasts 13,333.3 microseconds): each selected track ends and the next one plays,
// and a play to the end of the disc stops there.
TEST_F(CdWindowTest, TracksOfEveryLengthEndAndTheWindowMovesOn)
{
    const int frames[] = {75, 76, 77, 76}; // 304 in all
    insertDisc(std::vector<int>(std::begin(frames), std::end(frames)));
    frmCD& cd = loadCd();
    cd.Timer1->stop();
    const auto device = [](const char* item) {
        QString reply;
        MciDevices().command(QStringLiteral("status cd ") + item, reply);
        return reply;
    };
    // When the last of so many frames has played: rounded up to the millisecond.
    const auto endOf = [](int playFrames) { return qint64(playFrames * 1000 + 74) / 75; };
    // The clock runs to the play's last millisecond, where the window still sees it play,
    // then past its end; once the device has stopped, the window's tick moves on.
    const auto playThrough = [&](qint64 endMs) {
        clock.advance(endMs - 1);
        cd.Timer1_Timer();
        EXPECT_EQ(CDPlayState, QStringLiteral("Play"));
        clock.advance(1);
        EXPECT_TRUE(pumpUntil([&] { return device("mode") == "stopped"; }))
            << "still " << device("mode").toStdString() << " at " << device("position").toStdString();
        cd.Timer1_Timer();
    };

    cd.ssCmdSelect_Click();
    cd.Check1->setChecked(true);
    cd.picPlay_Click();
    for (int t = 1; t <= 4; ++t) {
        SCOPED_TRACE(frames[t - 1]);
        EXPECT_EQ(cd.currenttrack, t);
        EXPECT_EQ(CDPlayState, QStringLiteral("Play"));
        playThrough(endOf(frames[t - 1]));
    }
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));

    cd.Check1->setChecked(false);
    cd.picPlay_Click();
    // The window learns the last track from the position before the disc ends.
    clock.advance(3100);
    ASSERT_TRUE(pumpUntil([&] { return device("position").startsWith("04:"); }));
    playThrough(endOf(304) - 3100);
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_EQ(device("mode"), "stopped");
}
