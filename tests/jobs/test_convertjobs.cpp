// The conversion jobs driven without any window: their steps, their ends and what each end
// leaves in the folder.
#include <QDir>
#include <QFile>

#include "audiofiles.h"
#include "controls/mp3play.h"
#include "core/globals.h"
#include "fixture.h"
#include "jobs/mp3towavjob.h"
#include "pump.h"

namespace {
class Mp3ToWavJobTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        MusicFolder = homeDir() + QStringLiteral("Music/");
        QDir().mkpath(MusicFolder);
        ConversionRunning = 0;
        DecodeAbort = 0;
        ProgressPercent = 0;
    }
    void mp3(const QString& name, double seconds = 0.3)
    {
        ASSERT_TRUE(testaudio::makeMp3(MusicFolder + name, 44100, 2, seconds, 128, {})) << name.toStdString();
    }
    static Mp3ToWavPlan plan(std::initializer_list<const char*> names)
    {
        Mp3ToWavPlan p;
        p.folder = MusicFolder;
        for (const char* n : names) {
            const QString mp3 = QString::fromLatin1(n);
            p.items.push_back({mp3, mp3.left(mp3.size() - 4) + QStringLiteral(".wav")});
        }
        return p;
    }
    // Runs job to its end and returns how it ended.
    static JobOutcome runToEnd(Job& job)
    {
        JobOutcome out;
        bool ended = false;
        QObject::connect(&job, &Job::finished, &job, [&](const JobOutcome& o) {
            out = o;
            ended = true;
        });
        job.start();
        EXPECT_TRUE(pumpUntil([&] { return ended; }, 30000));
        return out;
    }
    QString at(const QString& name) const { return MusicFolder + name; }
};
} // namespace

TEST_F(Mp3ToWavJobTest, DecodesEachFileInOrderIntoAFreeNameAndReportsEveryStep)
{
    mp3(QStringLiteral("A.mp3"));
    mp3(QStringLiteral("B.mp3"));
    writeAll(at(QStringLiteral("B.wav")), "the user's own");
    Mp3Play player;
    Mp3ToWavJob job(player);
    job.setPlan(plan({"A.mp3", "B.mp3"}));
    QStringList tracks;
    QObject::connect(&job, &Job::nextTrack, &job,
                     [&](int n, int of) { tracks << QString::number(n) + QStringLiteral(" of ") + QString::number(of); });
    QStringList started;
    bool runningSeen = false;
    QObject::connect(&job, &Mp3ToWavJob::fileStarted, &job, [&](int i, const QString& m, const QString& w) {
        started << QString::number(i) + ' ' + m + ' ' + w;
        runningSeen = ConversionRunning == 1 && job.running();
    });
    const JobOutcome out = runToEnd(job);
    EXPECT_EQ(out.kind, JobOutcome::Done);
    EXPECT_EQ(started, (QStringList{QStringLiteral("0 A.mp3 A.wav"), QStringLiteral("1 B.mp3 B(1).wav")}));
    EXPECT_EQ(tracks, (QStringList{QStringLiteral("1 of 2"), QStringLiteral("2 of 2")}));
    EXPECT_TRUE(runningSeen);
    EXPECT_EQ(job.madeWavs(), (QStringList{at(QStringLiteral("A.wav")), at(QStringLiteral("B(1).wav"))}));
    EXPECT_GT(testaudio::wavInfo(at(QStringLiteral("B(1).wav"))).frames, 0);
    EXPECT_EQ(readAll(at(QStringLiteral("B.wav"))), QByteArray("the user's own"));
    EXPECT_EQ(ProgressPercent, 100);
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_EQ(DecodeAbort, 0);
    EXPECT_FALSE(job.running());
}

// An abort during a file keeps the files before it and removes the partial WAV once the
// plan's pause has passed on the clock; the abort flag set by anyone else ends the run the same way.
TEST_F(Mp3ToWavJobTest, AnAbortRemovesOnlyThePartialFileAfterThePause)
{
    mp3(QStringLiteral("One.mp3"));
    mp3(QStringLiteral("Long.mp3"), 30.0);
    mp3(QStringLiteral("Three.mp3"));
    for (bool byFlag : {false, true}) {
        SCOPED_TRACE(byFlag ? "flag" : "cancel");
        Mp3Play player;
        Mp3ToWavJob job(player);
        Mp3ToWavPlan p = plan({"One.mp3", "Long.mp3", "Three.mp3"});
        p.abortPauseMs = 1000;
        job.setPlan(p);
        bool ended = false;
        JobOutcome out;
        QObject::connect(&job, &Job::finished, &job, [&](const JobOutcome& o) {
            out = o;
            ended = true;
        });
        QObject::connect(&job, &Job::percent, &job, [&] {
            if (job.madeWavs().value(1).isEmpty() || DecodeAbort == -1)
                return;
            if (byFlag)
                DecodeAbort = -1;
            else
                job.cancel();
        });
        job.start();
        // The decoder stops (or, for the flag, the file ends) and the job waits out its pause.
        ASSERT_TRUE(pumpUntil([&] { return DecodeAbort == -1 && !player.IsOpen(); }, 60000));
        const qint64 start = clock.monotonicMs();
        pumpUntil([] { return false; }, 50);
        EXPECT_FALSE(ended);
        EXPECT_TRUE(job.running());
        clock.advance(1000);
        ASSERT_TRUE(pumpUntil([&] { return ended; }));
        EXPECT_GE(clock.monotonicMs() - start, 1000);
        EXPECT_EQ(out.kind, JobOutcome::Aborted);
        EXPECT_GT(testaudio::wavInfo(at(QStringLiteral("One.wav"))).frames, 0);
        EXPECT_FALSE(QFile::exists(at(QStringLiteral("Long.wav"))));
        EXPECT_FALSE(QFile::exists(at(QStringLiteral("Three.wav"))));
        EXPECT_EQ(job.madeWavs().value(1), QString());
        EXPECT_EQ(DecodeAbort, -1);
        EXPECT_EQ(ConversionRunning, 0);
        QFile::remove(at(QStringLiteral("One.wav")));
        DecodeAbort = 0;
    }
}

TEST_F(Mp3ToWavJobTest, AnUnreadableFileIsLoggedAndPassedOrEndsTheRunAsThePlanSays)
{
    writeAll(at(QStringLiteral("Broken.mp3")), QByteArray(4096, '\x5a'));
    mp3(QStringLiteral("Good.mp3"));
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stops" : "goes on");
        Mp3Play player;
        Mp3ToWavJob job(player);
        Mp3ToWavPlan p = plan({"Broken.mp3", "Good.mp3"});
        p.stopAtUnreadable = stop;
        p.endsRun = !stop;
        job.setPlan(p);
        QStringList logged;
        QObject::connect(&job, &Mp3ToWavJob::logError, &job,
                         [&](const QString& proc, int n, const QString& text) {
                             logged << proc + ' ' + QString::number(n) + ' ' + text;
                         });
        ConversionRunning = 0;
        const JobOutcome out = runToEnd(job);
        EXPECT_FALSE(QFile::exists(at(QStringLiteral("Broken.wav"))));
        if (stop) {
            EXPECT_EQ(out.kind, JobOutcome::Failed);
            EXPECT_EQ(job.failedMp3(), QStringLiteral("Broken.mp3"));
            EXPECT_TRUE(logged.isEmpty());
            EXPECT_FALSE(QFile::exists(at(QStringLiteral("Good.wav"))));
            EXPECT_EQ(ConversionRunning, 1); // the burn that follows the preparation ends the run
        } else {
            EXPECT_EQ(out.kind, JobOutcome::Done);
            EXPECT_EQ(logged, QStringList{QStringLiteral("ConvertMP3 53 The MP3 file cannot be decoded: ") +
                                          at(QStringLiteral("Broken.mp3"))});
            EXPECT_TRUE(QFile::exists(at(QStringLiteral("Good.wav"))));
            EXPECT_EQ(ConversionRunning, 0);
            QFile::remove(at(QStringLiteral("Good.wav")));
        }
    }
}

TEST_F(Mp3ToWavJobTest, CancelBeforeStartOrAfterTheEndDoesNothing)
{
    mp3(QStringLiteral("A.mp3"));
    Mp3Play player;
    Mp3ToWavJob job(player);
    job.setPlan(plan({"A.mp3"}));
    int ends = 0;
    QObject::connect(&job, &Job::finished, &job, [&] { ++ends; });
    job.cancel();
    EXPECT_EQ(DecodeAbort, 0);
    EXPECT_EQ(runToEnd(job).kind, JobOutcome::Done);
    job.cancel();
    job.cancel();
    pumpUntil([] { return false; }, 20);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(DecodeAbort, 0);
    EXPECT_TRUE(QFile::exists(at(QStringLiteral("A.wav"))));
}
