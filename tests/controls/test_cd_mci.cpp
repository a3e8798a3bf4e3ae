// The CD-audio device on a disc image: table of contents, playing paced by the manual
// clock, pause and resume, the simulated door, and a machine without any disc.
#include "fixture.h"
#include "discimage.h"
#include "test_cd_support.h"
#include "fakesound.h"

#include "core/cdaudio.h"
#include "controls/acd.h"
#include "controls/mci.h"
#include "core/globals.h"

namespace {

// Track 1: 3 s; track 2: a 2 s gap, then 4 s; track 3: 2 s. Disc addresses: track 1 at
// 150 frames (00:02:00), track 2 at 525 (00:07:00), track 3 at 825 (00:11:00), lead-out 975.
DiscImage::Layout threeTracks()
{
    DiscImage::Layout layout;
    layout.tracks.push_back({DiscImage::tonePcm(225, 1), 0, false});
    layout.tracks.push_back({DiscImage::tonePcm(300, 2), 150, false});
    layout.tracks.push_back({DiscImage::tonePcm(150, 3), 0, false});
    return layout;
}

class CdDevice : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        layout = threeTracks();
        cue = DiscImage::write(homeDir() + "discs", "three", layout);
        ASSERT_FALSE(cue.isEmpty());
        recordings().clear();
        setAudioSinkFactory(&makeRecordingSink);
    }
    void TearDown() override
    {
        ask("close all");
        setAudioSinkFactory(nullptr);
        recordings().clear();
        AppFixture::TearDown();
    }
    QString ask(const QString& command, unsigned* rc = nullptr)
    {
        QString reply;
        const unsigned r = MciInterpreter().command(command, reply);
        if (rc)
            *rc = r;
        return reply;
    }
    // Moves the clock and lets the player catch up with it.
    void play(qint64 ms, const QString& expectedPosition)
    {
        clock.advance(ms);
        EXPECT_TRUE(pumpUntil([&] { return ask("status cd position") == expectedPosition; }))
            << "position " << ask("status cd position").toStdString() << ", expected "
            << expectedPosition.toStdString();
    }

    DiscImage::Layout layout;
    QString cue;
};

QByteArray bytesOf(const std::vector<int16_t>& pcm)
{
    return QByteArray(reinterpret_cast<const char*>(pcm.data()), static_cast<qsizetype>(pcm.size() * 2));
}

} // namespace

TEST_F(CdDevice, ReportsTheTableOfContentsInEachTimeFormat)
{
    EXPECT_EQ(ask("open " + cue + " type cdaudio alias cd wait shareable"), "1");
    unsigned rc = 0;
    ask("open " + cue + " type cdaudio alias cd wait shareable", &rc);
    EXPECT_EQ(rc, MciErr::DuplicateAlias);
    EXPECT_EQ(ask("status cd media present"), "true");
    EXPECT_EQ(ask("status cd number of tracks wait"), "3");
    EXPECT_EQ(ask("status cd mode"), "stopped");
    // The device starts in msf: absolute addresses with the 2-second lead-in.
    EXPECT_EQ(ask("status cd position track 1"), "00:02:00");
    EXPECT_EQ(ask("status cd position track 2"), "00:07:00");
    EXPECT_EQ(ask("status cd position track 3"), "00:11:00");
    EXPECT_EQ(ask("status cd length wait"), "00:11:00");
    EXPECT_EQ(ask("status cd length track 1"), "00:05:00"); // the gap after it belongs to it
    EXPECT_EQ(ask("status cd length track 2"), "00:04:00");
    ask("status cd position track 4", &rc);
    EXPECT_EQ(rc, MciErr::OutOfRange);
    ask("set cd time format tmsf wait");
    EXPECT_EQ(ask("status cd position"), "01:00:00:00");
    EXPECT_EQ(ask("status cd length wait"), "00:11:00"); // the disc length stays mm:ss:ff
    ask("set cd time format milliseconds");
    EXPECT_EQ(ask("status cd position wait"), "2000");
    EXPECT_EQ(ask("status cd length"), "11000");
}

TEST_F(CdDevice, PlaysFollowingTheClockWithPauseTrackChangesAndEnd)
{
    CDDriveLetter = cue;
    CDAudio cd;
    ASSERT_EQ(cd.ReadyDevice(), 0);
    ASSERT_EQ(cd.CheckCD(), 0);
    EXPECT_EQ(cd.Mode(), "Stop");

    cd.PlayTrack(2); // "play cd from 2 to 3"
    EXPECT_EQ(cd.Mode(), "Play");
    EXPECT_EQ(cd.CheckIfPlaying(), 1);
    EXPECT_EQ(ask("status cd position"), "02:00:00:00");
    play(1000, "02:00:01:00");
    cd.GetCDPosition();
    EXPECT_EQ(CDPosTrack, "2");
    EXPECT_EQ(CDPosMin, "0");
    EXPECT_EQ(CDPosSec, "1");
    EXPECT_EQ(CDPosFrame, "0");

    // Pause holds the position however long it lasts; "play cd" goes on from there.
    cd.PausePlay();
    EXPECT_EQ(cd.Mode(), "Pause");
    clock.advance(5000);
    EXPECT_EQ(ask("status cd position"), "02:00:01:00");
    cd.StartPlay();
    EXPECT_EQ(cd.Mode(), "Play");
    play(1500, "02:00:02:37");
    // The play of track 2 ends at the start of track 3.
    play(1500, "03:00:00:00");
    EXPECT_EQ(cd.Mode(), "Stop");
    EXPECT_EQ(cd.CheckIfPlaying(), 0);

    // What was sent to the audio output is exactly track 2's samples.
    ASSERT_EQ(recordings().size(), 2u);
    const QByteArray track2 = bytesOf(layout.tracks[1].pcm);
    const qsizetype beforePause = 75 * 2352;
    const QByteArray heard = recordings()[0]->bytes.left(beforePause) + recordings()[1]->bytes;
    EXPECT_TRUE(heard == track2) << heard.size() << " bytes heard";

    // Playing on from track 1 changes track at the track boundary and stops at the lead-out.
    cd.SeekCDtoX(1); // stop, "seek cd to  1", play to the end
    EXPECT_EQ(cd.Mode(), "Play");
    play(4000, "01:00:04:00");
    play(1000, "02:00:00:00");
    play(4000, "03:00:00:00");
    play(5000, "03:00:02:00");
    EXPECT_EQ(cd.Mode(), "Stop");
}

TEST_F(CdDevice, OddPositionsAreClampedToTheDisc)
{
    CDDriveLetter = cue;
    CDAudio cd;
    ASSERT_EQ(cd.ReadyDevice(), 0);
    cd.PlayTrack(3); // "to 4": a track past the last means the end of the disc
    EXPECT_EQ(cd.Mode(), "Play");
    play(2000, "03:00:02:00");
    EXPECT_EQ(cd.Mode(), "Stop");
    cd.SetTrack(1);
    cd.ReWind(5000); // "seek cd to -3000"
    EXPECT_EQ(ask("status cd position"), "01:00:00:00");
    cd.FastForward(60000); // beyond the lead-out
    EXPECT_EQ(ask("status cd position"), "03:00:02:00");
    cd.SetTrack(-3);
    EXPECT_EQ(ask("status cd position"), "01:00:00:00");
    cd.SetTrack(9);
    EXPECT_EQ(ask("status cd position"), "03:00:02:00");
    cd.PlayLastTrack(7); // nothing left to play
    EXPECT_EQ(cd.Mode(), "Stop");
    EXPECT_EQ(cd.CheckIfPlaying(), 0);
}

TEST_F(CdDevice, OpeningTheDoorEmptiesTheDiscUntilItCloses)
{
    CDDriveLetter = cue;
    CDAudio cd;
    ASSERT_EQ(cd.ReadyDevice(), 0);
    cd.StartPlay();
    play(500, "01:00:00:37");
    cd.EjectCD();
    EXPECT_EQ(cd.Mode(), "Eject");
    EXPECT_EQ(cd.CheckCD(), 1);
    EXPECT_EQ(cd.GetNumTracks(), 0);
    unsigned rc = 0;
    ask("play cd", &rc);
    EXPECT_EQ(rc, MciErr::DeviceNotReady);
    // The image stays out across a new open, as a disc would.
    ASSERT_EQ(cd.ReadyDevice(), 0);
    EXPECT_EQ(cd.CheckCD(), 1);
    cd.CloseCD();
    EXPECT_EQ(cd.CheckCD(), 0);
    EXPECT_EQ(cd.GetNumTracks(), 3);
    EXPECT_EQ(cd.Mode(), "Stop");
}

TEST_F(CdDevice, ClosingTheClosedDoorDuringPlayStopsThePlay)
{
    EXPECT_EQ(ask("open " + cue + " type cdaudio alias cd"), "1");
    ask("play cd");
    play(500, "00:02:37");
    unsigned rc = 1;
    ask("set cd door closed", &rc);
    EXPECT_EQ(rc, 0u);
    // "stopped" is what the device reports, so nothing may go on sounding.
    EXPECT_EQ(ask("status cd mode"), "stopped");
    ASSERT_EQ(recordings().size(), 1u);
    EXPECT_TRUE(recordings()[0]->stopped);
    EXPECT_EQ(ask("status cd position"), "00:02:00");
    // A new play starts from the disc's start with a fresh output.
    ask("play cd");
    play(1000, "00:03:00");
    EXPECT_EQ(recordings().size(), 2u);
}

TEST_F(CdDevice, WithNoDriveAndNoImageEveryCallAnswersNoDisc)
{
    for (const QString& drive : {QString(), homeDir() + "missing.cue", homeDir() + "nodrive"}) {
        SCOPED_TRACE(drive.toStdString());
        CDDriveLetter = drive;
        CDAudio cd;
        EXPECT_EQ(cd.ReadyDevice(), 1);
        EXPECT_EQ(cd.GetNumTracks(), 0);
        EXPECT_EQ(cd.Mode(), "");
        EXPECT_EQ(cd.CheckIfPlaying(), 0);
        EXPECT_EQ(cd.GetCDLength().left(8), QString(8, QChar(0)));
        CDPosTrack = "x";
        cd.GetCDPosition();
        EXPECT_EQ(CDPosTrack, "x");
        cd.StartPlay();
        cd.PlayTrack(1);
        cd.SeekCDtoX(2);
        cd.PausePlay();
        cd.EjectCD();
        cd.FastForward(1000);
        cd.ReWind(1000);
        EXPECT_EQ(cd.Mode(), "");
        unsigned rc = 0;
        ask("status cd mode", &rc);
        EXPECT_EQ(rc, MciErr::InvalidDeviceName);
    }
    // The reading control finds no drive either.
    ACD acd;
    EXPECT_EQ(acd.InitStatus(), 0);
    EXPECT_EQ(acd.DriveCount(), 0);
    EXPECT_EQ(acd.SelectDrive(1), -1);
    int16_t track = 1;
    EXPECT_EQ(acd.ReadTrack(track, homeDir() + "t.wav"), ACD::NoDisc);
    EXPECT_FALSE(QFile::exists(homeDir() + "t.wav"));
    // FastForward and ReWind found no position to move from: each logged that once.
    EXPECT_EQ(prompt.asked.size(), 6u);
}

TEST_F(CdDevice, ADriveIsAskedForItsDoorAndDiscAndAChangedDiscIsReadAgain)
{
    const QString drive = DiscImage::writeSilentToc(homeDir() + "drive", {300, 300});
    ASSERT_FALSE(drive.isEmpty());
    driveIo.disc = CdDriveIo::Disc::Ready;
    ASSERT_EQ(ask("open " + drive + " type cdaudio alias cd"), "1");
    EXPECT_EQ(ask("status cd number of tracks"), "2");
    ask("play cd");
    EXPECT_EQ(ask("status cd mode"), "playing");

    // Spinning up again (after a sleep, say) the disc is not gone and goes on playing.
    driveIo.disc = CdDriveIo::Disc::NotReady;
    EXPECT_EQ(ask("status cd mode"), "playing");
    EXPECT_EQ(ask("status cd media present"), "true");
    EXPECT_EQ(ask("status cd number of tracks"), "2");
    driveIo.disc = CdDriveIo::Disc::Ready;
    EXPECT_EQ(ask("status cd mode"), "playing");

    // Taken out with the drive's own button, then the drive stands empty.
    const struct {
        CdDriveIo::Disc disc;
        const char* mode;
    } gone[] = {{CdDriveIo::Disc::TrayOpen, "open"}, {CdDriveIo::Disc::NoDisc, "not ready"}};
    for (const auto& g : gone) {
        driveIo.disc = g.disc;
        EXPECT_EQ(ask("status cd mode"), g.mode);
        EXPECT_EQ(ask("status cd media present"), "false");
        unsigned rc = 0;
        ask("status cd number of tracks", &rc);
        EXPECT_EQ(rc, MciErr::DeviceNotReady);
    }
    ASSERT_FALSE(recordings().empty());
    EXPECT_TRUE(recordings().back()->stopped);

    // Another disc goes in.
    ASSERT_FALSE(DiscImage::writeSilentToc(homeDir() + "drive", {300, 300, 300}).isEmpty());
    driveIo.disc = CdDriveIo::Disc::Ready;
    EXPECT_EQ(ask("status cd mode"), "stopped");
    EXPECT_EQ(ask("status cd media present"), "true");
    EXPECT_EQ(ask("status cd number of tracks"), "3");

    // Swapped in a moment, the door never seen open: it reads as open for a moment.
    ASSERT_FALSE(DiscImage::writeSilentToc(homeDir() + "drive", {300}).isEmpty());
    driveIo.changed = true;
    EXPECT_EQ(ask("status cd mode"), "open");
    clock.advance(1000);
    EXPECT_EQ(ask("status cd mode"), "open");
    clock.advance(1000);
    EXPECT_EQ(ask("status cd mode"), "stopped");
    EXPECT_EQ(ask("status cd number of tracks"), "1");

    // Swapped while the new disc spins up: the drive's change report alone says so, and
    // the new disc is read once ready.
    ASSERT_FALSE(DiscImage::writeSilentToc(homeDir() + "drive", {300, 300, 300, 300}).isEmpty());
    driveIo.disc = CdDriveIo::Disc::NotReady;
    driveIo.changed = true;
    EXPECT_EQ(ask("status cd mode"), "open");
    clock.advance(2000);
    EXPECT_EQ(ask("status cd media present"), "false");
    driveIo.disc = CdDriveIo::Disc::Ready;
    EXPECT_EQ(ask("status cd number of tracks"), "4");
}

// A CD frame lasts 13,333.3 microseconds: a play must end at its last frame whatever the
// range's length in frames, also after a pause, on the output every test uses.
TEST_F(CdDevice, APlayEndsAtItsLastFrameWhateverItsLength)
{
    setAudioSinkFactory(&makeNullAudioSink);
    DiscImage::Layout odd;
    const int frames[] = {75, 76, 77};
    for (int f : frames)
        odd.tracks.push_back({DiscImage::tonePcm(f, f), 0, false});
    const QString oddCue = DiscImage::write(homeDir() + "odd", "odd", odd);
    ASSERT_EQ(ask("open " + oddCue + " type cdaudio alias cd"), "1");
    ask("set cd time format tmsf");
    // Where each play ends: the next track's start, or the lead-out after the last track.
    const QString ends[] = {"02:00:00:00", "03:00:00:00", "03:00:01:02"};
    for (int t = 1; t <= 3; ++t) {
        SCOPED_TRACE(frames[t - 1]);
        const qint64 endMs = (frames[t - 1] * 1000 + 74) / 75; // the last frame's end, rounded up
        for (const bool paused : {false, true}) {
            ask(QStringLiteral("play cd from %1 to %2").arg(t).arg(t + 1));
            qint64 left = endMs;
            if (paused) {
                play(400, QStringLiteral("0%1:00:00:30").arg(t)); // 400 ms: 30 whole frames
                ask("pause cd");
                EXPECT_EQ(ask("status cd mode"), "paused");
                left = endMs - 400;
                ask("play cd");
            }
            clock.advance(left - 1);
            EXPECT_EQ(ask("status cd mode"), "playing");
            clock.advance(1);
            EXPECT_TRUE(pumpUntil([&] { return ask("status cd mode") == "stopped"; }))
                << "still " << ask("status cd mode").toStdString() << " at " << ask("status cd position").toStdString();
            EXPECT_EQ(ask("status cd position"), ends[t - 1]);
        }
    }
}

// Each play opens a new output: a play while the sound server is away runs on the null
// output, and the first play after it came back is heard on it again.
TEST_F(CdDevice, PlaysOnTheSoundServerAgainOnceItIsBack)
{
    setAudioSinkFactory(nullptr); // the program's own choice: device when present, else null
    FakeSoundServer server;
    auto runUntil = [&](const std::function<bool()>& done) {
        return pumpUntil([&] {
            if (!done())
                clock.advance(20);
            return done();
        });
    };
    ASSERT_EQ(ask("open " + cue + " type cdaudio alias cd wait shareable"), "1");
    ask("play cd");
    ASSERT_TRUE(runUntil([&] { return server.received() > 0; }));
    ask("stop cd");
    EXPECT_EQ(server.opened(), 1);

    server.goAway();
    const qint64 heard = server.received();
    const QString before = ask("status cd position");
    ask("play cd");
    EXPECT_EQ(ask("status cd mode"), "playing");
    ASSERT_TRUE(runUntil([&] { return ask("status cd position") != before; })) << "plays on the null output";
    ask("stop cd");
    EXPECT_EQ(server.opened(), 1);
    EXPECT_EQ(server.received(), heard);

    server.comeBack();
    ask("play cd");
    ASSERT_TRUE(runUntil([&] { return server.received() > heard; }));
    EXPECT_EQ(server.opened(), 2);
    ask("stop cd");
}
