// The burn job driven without any window, writing to a disc-image writer: its steps, how each
// stage ends when stopped or failing, and what every end leaves in the music folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

#include "audiofiles.h"
#include "controls/acdwrite.h"
#include "controls/acdwrite_image.h"
#include "controls/mp3play.h"
#include "core/cdaudio.h"
#include "core/globals.h"
#include "core/writablefolder.h"
#include "fixture.h"
#include "jobs/burnjob.h"
#include "jobs/mp3towavjob.h"
#include "platform/cddrives.h"
#include "platform/freespace.h"
#include "pump.h"
#include "runjob.h"

namespace {
const QString kUnknown = QStringLiteral("An Unknown Error Occured. Could Not Write Audio Track(s) to CD.");

class BurnJobTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        music = homeDir() + QStringLiteral("Music/");
        QDir().mkpath(music);
        MusicFolder = music;
        ConversionRunning = 0;
        DecodeAbort = 0;
        BurnAbort = 0;
        ProgressPercent = 0;
        setup.cuePath = homeDir() + QStringLiteral("burned.cue");
        setup.name = QStringLiteral("Image Writer");
        inject();
    }
    void TearDown() override
    {
        ImageWriters::setInjected({});
        CdDrives::setInjectedImages({});
        AppFixture::TearDown();
    }
    // Makes the image writer of setup the writer's current one.
    void inject()
    {
        CdDrives::setInjectedImages({setup.cuePath});
        ImageWriters::setInjected({setup});
        ASSERT_EQ(writer.InitWriter(), 0);
        writer.SelectWriter(0);
        writer.SetDriver(writer.WriterDriver());
    }
    void mp3(const QString& name, double seconds = 0.5)
    {
        ASSERT_TRUE(testaudio::makeMp3(music + name, 44100, 2, seconds, 128, {})) << name.toStdString();
    }
    void wav(const QString& name, double seconds = 0.5)
    {
        ASSERT_TRUE(testaudio::writeWav(music + name, 44100, 2, seconds)) << name.toStdString();
    }
    // A plan of these files in this order; an MP3's temporary WAV is named after it.
    BurnPlan plan(std::initializer_list<const char*> names, bool testMode = false) const
    {
        BurnPlan p;
        p.folder = music;
        p.speed = 4;
        p.testMode = testMode;
        for (const char* n : names) {
            BurnPlan::Track t;
            t.fileName = QString::fromLatin1(n);
            t.mp3 = t.fileName.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive);
            if (t.mp3)
                t.wavName = t.fileName.chopped(4) + QStringLiteral(".wav");
            p.tracks.push_back(t);
        }
        return p;
    }
    bool exists(const QString& name) const { return QFileInfo::exists(music + name); }
    // Tracks on the image disc; -1 when there is no disc image.
    int discTracks() const
    {
        if (!QFileInfo::exists(setup.cuePath))
            return -1;
        CDDriveLetter = setup.cuePath;
        CDAudio cd;
        return cd.ReadyDevice() == 0 ? cd.GetNumTracks() : -1;
    }
    bool imageLeft() const
    {
        const QString bin = setup.cuePath.chopped(4) + QStringLiteral(".bin");
        return QFileInfo::exists(setup.cuePath) || QFileInfo::exists(bin);
    }

    QString music;
    ImageWriterSetup setup;
    ACDWRITE writer;
    Mp3Play player;
};
} // namespace

TEST_F(BurnJobTest, DecodesTheMp3sWritesEveryTrackAndRemovesOnlyTheWavsItMade)
{
    mp3(QStringLiteral("one.mp3"));
    wav(QStringLiteral("two.wav"));
    mp3(QStringLiteral("Three.mp3"));
    writeAll(music + QStringLiteral("Three.wav"), "the user's own");
    BurnCdJob job(writer, player);
    job.setPlan(plan({"one.mp3", "two.wav", "Three.mp3"}));
    QStringList tasks, tracks, gateSaw;
    bool allThere = false, runningAtGate = false;
    int starting = -1;
    QObject::connect(&job, &Job::newTask, &job, [&](const QString& t) { tasks << t; });
    QObject::connect(&job, &Job::nextTrack, &job, [&](int n, int of) { tracks << QStringLiteral("%1 of %2").arg(n).arg(of); });
    QObject::connect(&job, &BurnCdJob::writeStarting, &job, [&](int n) { starting = n; });
    job.setWriteGate([&](const QStringList& files) {
        gateSaw = files;
        allThere = std::all_of(files.begin(), files.end(), [](const QString& f) { return QFileInfo::exists(f); });
        runningAtGate = ConversionRunning == 1 && job.running();
        return int(files.size());
    });

    const JobOutcome out = runJobToEnd(job);
    EXPECT_EQ(out.kind, JobOutcome::Done) << out.reason.toStdString();
    EXPECT_EQ(job.writeOutcome().kind, BurnOutcome::Written);
    EXPECT_TRUE(job.writeStarted());
    EXPECT_EQ(tasks, (QStringList{BurnCdJob::prepareTask(), BurnCdJob::burnTask()}));
    EXPECT_EQ(gateSaw, (QStringList{music + QStringLiteral("one.wav"), music + QStringLiteral("two.wav"),
                                    music + QStringLiteral("Three(1).wav")}));
    EXPECT_TRUE(allThere);
    EXPECT_TRUE(runningAtGate);
    EXPECT_EQ(starting, 3);
    EXPECT_EQ(tracks, (QStringList{QStringLiteral("1 of 3"), QStringLiteral("2 of 3"), QStringLiteral("3 of 3")}));
    EXPECT_EQ(writer.Speed(), 4);
    EXPECT_FALSE(writer.TestMode());
    EXPECT_TRUE(writer.RealWrite());
    EXPECT_EQ(discTracks(), 3);

    // The run's own WAV files are gone; the user's files and the sources stay.
    EXPECT_FALSE(exists(QStringLiteral("one.wav")));
    EXPECT_FALSE(exists(QStringLiteral("Three(1).wav")));
    EXPECT_TRUE(job.madeWavs().isEmpty());
    EXPECT_EQ(readAll(music + QStringLiteral("Three.wav")), QByteArray("the user's own"));
    for (const char* kept : {"one.mp3", "two.wav", "Three.mp3"})
        EXPECT_TRUE(exists(QString::fromLatin1(kept))) << kept;
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_EQ(ProgressPercent, 100);
    EXPECT_EQ(BurnAbort, 0);
    EXPECT_EQ(DecodeAbort, 0);
    EXPECT_FALSE(job.running());
}

// A list of WAV files needs no preparation; a test run goes through and puts nothing on the disc.
TEST_F(BurnJobTest, ATestRunOfWavsNeedsNoPreparationAndWritesNothing)
{
    wav(QStringLiteral("a.wav"));
    wav(QStringLiteral("b.wav"));
    BurnCdJob job(writer, player);
    job.setPlan(plan({"a.wav", "b.wav"}, true));
    QStringList tasks;
    QObject::connect(&job, &Job::newTask, &job, [&](const QString& t) { tasks << t; });
    const JobOutcome out = runJobToEnd(job);
    EXPECT_EQ(out.kind, JobOutcome::Done);
    EXPECT_EQ(job.writeOutcome().kind, BurnOutcome::TestRunDone);
    EXPECT_EQ(tasks, QStringList{BurnCdJob::burnTask()});
    EXPECT_TRUE(writer.TestMode());
    EXPECT_FALSE(writer.RealWrite());
    EXPECT_FALSE(imageLeft());
    EXPECT_TRUE(exists(QStringLiteral("a.wav")));
    EXPECT_TRUE(exists(QStringLiteral("b.wav")));
}

// Stopped while decoding, by cancel() or by the decoding's abort flag set from outside: every
// WAV the run made is removed (the finished one and the partial one), a WAV of the user's with
// a name the run wanted stays, and the writer is never started.
TEST_F(BurnJobTest, AnAbortDuringThePreparationRemovesEveryWavItMade)
{
    mp3(QStringLiteral("a.mp3"));
    mp3(QStringLiteral("b.mp3"), 20.0);
    mp3(QStringLiteral("c.mp3"));
    writeAll(music + QStringLiteral("a.wav"), "the user's own");
    for (bool byFlag : {false, true}) {
        SCOPED_TRACE(byFlag ? "DecodeAbort" : "cancel");
        DecodeAbort = 0;
        BurnCdJob job(writer, player);
        job.setPlan(plan({"a.mp3", "b.mp3", "c.mp3"}));
        bool gateAsked = false;
        job.setWriteGate([&](const QStringList& files) {
            gateAsked = true;
            return int(files.size());
        });
        QObject::connect(&job.preparation(), &Job::percent, &job, [&] {
            if (job.madeWavs().size() < 2 || DecodeAbort == -1 || job.stopping())
                return;
            if (byFlag)
                DecodeAbort = -1;
            else
                job.cancel();
        });
        const JobOutcome out = runJobToEnd(job);
        EXPECT_EQ(out.kind, JobOutcome::Aborted);
        EXPECT_EQ(job.stopping(), !byFlag);
        EXPECT_FALSE(gateAsked);
        EXPECT_FALSE(job.writeStarted());
        for (const char* gone : {"a(1).wav", "b.wav", "c.wav"})
            EXPECT_FALSE(exists(QString::fromLatin1(gone))) << gone;
        EXPECT_EQ(readAll(music + QStringLiteral("a.wav")), QByteArray("the user's own"));
        EXPECT_FALSE(player.IsOpen());
        EXPECT_FALSE(imageLeft());
        EXPECT_EQ(DecodeAbort, -1);
        EXPECT_EQ(ConversionRunning, 0);
    }
}

// Stopped while writing, by cancel() or by the burn's abort flag set from outside: the write
// ends at its next step, the partial image is gone and so is the run's WAV.
TEST_F(BurnJobTest, AnAbortDuringTheWriteStopsItAndRemovesTheWavItMade)
{
    setup.realTime = true; // paced by the manual clock: the write waits at each step
    inject();
    mp3(QStringLiteral("m.mp3"));
    wav(QStringLiteral("long.wav"), 2.0);
    for (bool byFlag : {false, true}) {
        SCOPED_TRACE(byFlag ? "BurnAbort" : "cancel");
        BurnCdJob job(writer, player);
        job.setPlan(plan({"long.wav", "m.mp3"}));
        QObject::connect(&job, &Job::nextTrack, &job, [&](int n) {
            if (n != 1)
                return;
            if (byFlag)
                BurnAbort = -1; // seen at the write's next event
            else
                job.cancel();
        });
        bool ended = false;
        JobOutcome out;
        QObject::connect(&job, &Job::finished, &job, [&](const JobOutcome& o) {
            out = o;
            ended = true;
        });
        job.start();
        ASSERT_TRUE(pumpUntil([&] { return job.stopping(); }));
        EXPECT_TRUE(job.running());
        clock.advance(60000); // the paced writer reaches its next step, where it sees the stop
        ASSERT_TRUE(pumpUntil([&] { return ended; }));
        EXPECT_EQ(out.kind, JobOutcome::Aborted);
        EXPECT_TRUE(job.writeStarted());
        EXPECT_EQ(job.writeOutcome().kind, BurnOutcome::Aborted);
        EXPECT_EQ(BurnAbort, -1);
        EXPECT_FALSE(exists(QStringLiteral("m.wav")));
        EXPECT_TRUE(exists(QStringLiteral("long.wav")));
        EXPECT_TRUE(exists(QStringLiteral("m.mp3")));
        EXPECT_FALSE(imageLeft());
        EXPECT_EQ(ConversionRunning, 0);
        BurnAbort = 0;
    }
}

// Once the disc is being finalised the write can no longer be stopped: it goes on to its end.
TEST_F(BurnJobTest, ACancelWhileTheDiscIsFinalisedLetsTheWriteEnd)
{
    wav(QStringLiteral("a.wav"));
    BurnCdJob job(writer, player);
    job.setPlan(plan({"a.wav"}));
    job.cancel(); // before the start: nothing to stop
    EXPECT_FALSE(job.stopping());
    bool fixated = false;
    QObject::connect(&job, &BurnCdJob::fixating, &job, [&] {
        fixated = true;
        job.cancel();
    });
    const JobOutcome out = runJobToEnd(job);
    EXPECT_TRUE(fixated);
    EXPECT_FALSE(job.stopping());
    EXPECT_EQ(out.kind, JobOutcome::Done);
    EXPECT_EQ(BurnAbort, 0);
    EXPECT_EQ(discTracks(), 1);
    job.cancel(); // after the end: nothing happens
    EXPECT_FALSE(job.stopping());
}

// A file that cannot be decoded ends the run before the write: the WAV made for the MP3 before
// it is removed, and the user hears which file it was.
TEST_F(BurnJobTest, AFailedPreparationWritesNothingAndRemovesWhatItMade)
{
    mp3(QStringLiteral("good.mp3"));
    writeAll(music + QStringLiteral("Broken.mp3"), QByteArray(4096, '\x5a'));
    wav(QStringLiteral("w.wav"));
    BurnCdJob job(writer, player);
    job.setPlan(plan({"good.mp3", "w.wav", "Broken.mp3"}));
    bool gateAsked = false;
    job.setWriteGate([&](const QStringList&) {
        gateAsked = true;
        return 3;
    });
    const JobOutcome out = runJobToEnd(job);
    EXPECT_EQ(out.kind, JobOutcome::Failed);
    EXPECT_EQ(out.reason,
              QStringLiteral("Could Not Convert \"Broken.mp3\" To A Temporary WAV File. The CD Was Not Burned."));
    EXPECT_FALSE(gateAsked);
    EXPECT_FALSE(job.writeStarted());
    EXPECT_FALSE(exists(QStringLiteral("good.wav")));
    EXPECT_FALSE(exists(QStringLiteral("Broken.wav")));
    EXPECT_TRUE(exists(QStringLiteral("w.wav")));
    EXPECT_FALSE(player.IsOpen());
    EXPECT_FALSE(imageLeft());
    EXPECT_EQ(ConversionRunning, 0);
}

// The disk fills while the second MP3 is prepared: its cut WAV is never burned, the user hears
// that the disk is full, and no temporary WAV of the run stays.
TEST_F(BurnJobTest, ADiskThatFillsDuringThePreparationBurnsNothing)
{
    mp3(QStringLiteral("a.mp3"), 0.3);
    mp3(QStringLiteral("b.mp3"), 2.0);
    setFreeBytesProbe([](const QString&) { return qint64(0); });
    player.setRoomForBytes(100000); // the first WAV fits, the second does not
    BurnCdJob job(writer, player);
    job.setPlan(plan({"a.mp3", "b.mp3"}));
    bool gateAsked = false;
    job.setWriteGate([&](const QStringList&) {
        gateAsked = true;
        return 2;
    });
    const JobOutcome out = runJobToEnd(job);
    setFreeBytesProbe(nullptr);
    EXPECT_EQ(out.kind, JobOutcome::Failed);
    EXPECT_EQ(out.reason, BurnCdJob::prepFailedText(QStringLiteral("b.mp3"), DiskFullText(music, QStringLiteral("b.wav"))));
    EXPECT_FALSE(gateAsked);
    EXPECT_FALSE(job.writeStarted());
    EXPECT_FALSE(exists(QStringLiteral("a.wav")));
    EXPECT_FALSE(exists(QStringLiteral("b.wav")));
    EXPECT_FALSE(imageLeft());
    EXPECT_EQ(ConversionRunning, 0);
}

// A write that fails part-way, a disc that is not blank, and tracks the writer refuses before it
// starts: each ends the run failed with the reason in words, leaving no WAV of the run behind.
TEST_F(BurnJobTest, AFailedOrRefusedWriteSaysWhyAndRemovesWhatItMade)
{
    struct Case {
        const char* name;
        ImageWriterSetup::Fault fault;
        bool badWav;
        QString reason;
        bool started;
    };
    const Case cases[] = {
        {"write error", ImageWriterSetup::WriteErrorAt, false, kUnknown + QStringLiteral("\nWrite Error At Sector 10"), true},
        {"used disc", ImageWriterSetup::DiscNotBlank, false,
         QStringLiteral("You May Have An Audio CD Or A Used CD-R In Your CD Writer. Please Insert A New Blank CD-R In "
                        "Your CD Writer And Try Again"),
         true},
        {"refused track", ImageWriterSetup::NoFault, true, {}, false},
    };
    mp3(QStringLiteral("m.mp3"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setup.fault = c.fault;
        setup.errorSector = 10;
        inject();
        if (c.badWav)
            writeAll(music + QStringLiteral("w.wav"), "not a wav");
        else
            wav(QStringLiteral("w.wav"), 1.0);
        BurnCdJob job(writer, player);
        job.setPlan(plan({"m.mp3", "w.wav"}));
        const JobOutcome out = runJobToEnd(job);
        EXPECT_EQ(out.kind, JobOutcome::Failed);
        if (c.reason.isEmpty())
            EXPECT_TRUE(out.reason.startsWith(kUnknown + QStringLiteral("\n"))) << out.reason.toStdString();
        else
            EXPECT_EQ(out.reason, c.reason);
        EXPECT_EQ(job.writeStarted(), c.started);
        EXPECT_FALSE(exists(QStringLiteral("m.wav")));
        EXPECT_TRUE(exists(QStringLiteral("w.wav")));
        EXPECT_FALSE(imageLeft());
        EXPECT_EQ(ConversionRunning, 0);
    }
}

// The gate before the write decides how many tracks are written; none, or a stop while it is
// asked, ends the run as aborted with nothing written and the run's WAV removed.
TEST_F(BurnJobTest, TheGateBeforeTheWriteDecidesWhatIsWritten)
{
    struct Case {
        const char* name;
        int answer;
        bool cancelWhileAsked;
        JobOutcome::Kind kind;
        int discTracks;
    };
    const Case cases[] = {
        {"none", 0, false, JobOutcome::Aborted, -1},
        {"stopped while asked", 2, true, JobOutcome::Aborted, -1},
        {"the first", 1, false, JobOutcome::Done, 1},
    };
    mp3(QStringLiteral("m.mp3"));
    wav(QStringLiteral("w.wav"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BurnCdJob job(writer, player);
        job.setPlan(plan({"m.mp3", "w.wav"}));
        job.setWriteGate([&](const QStringList&) {
            if (c.cancelWhileAsked)
                job.cancel();
            return c.answer;
        });
        int starting = 0;
        QStringList tracks;
        QObject::connect(&job, &BurnCdJob::writeStarting, &job, [&](int n) { starting = n; });
        QObject::connect(&job, &Job::nextTrack, &job,
                         [&](int n, int of) { tracks << QStringLiteral("%1 of %2").arg(n).arg(of); });
        const JobOutcome out = runJobToEnd(job);
        EXPECT_EQ(out.kind, c.kind);
        EXPECT_EQ(discTracks(), c.discTracks);
        EXPECT_EQ(starting, c.kind == JobOutcome::Done ? 1 : 0);
        EXPECT_EQ(tracks, c.kind == JobOutcome::Done ? QStringList{QStringLiteral("1 of 1")} : QStringList{});
        EXPECT_FALSE(exists(QStringLiteral("m.wav")));
        EXPECT_TRUE(exists(QStringLiteral("w.wav")));
        EXPECT_EQ(ConversionRunning, 0);
    }
}
