// The conversion jobs driven without any window: their steps, their ends and what each end
// leaves in the folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <functional>
#include <memory>

#include "audiofiles.h"
#include "controls/mp3play.h"
#include "core/globals.h"
#include "fixture.h"
#include "core/encoderoptions.h"
#include "core/writablefolder.h"
#include "jobs/mp3towavjob.h"
#include "jobs/wavtomp3job.h"
#include "platform/childprocess.h"
#include "platform/folderaccess.h"
#include "platform/freespace.h"
#include "pump.h"
#include "runjob.h"

namespace {
class Mp3ToWavJobTest : public AppFixture {
public:
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
    const JobOutcome out = runJobToEnd(job);
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
        QObject::connect(&job, &Job::logError, &job,
                         [&](const QString& proc, int n, const QString& text) {
                             logged << proc + ' ' + QString::number(n) + ' ' + text;
                         });
        ConversionRunning = 0;
        const JobOutcome out = runJobToEnd(job);
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

// The disk refuses the WAV part-way: the decode ends as a failure, not as the song's end, the
// cut WAV goes and nothing after it is decoded, whether the run is the converter's or the
// burner's preparation. The reason names the disk, the folder or the file, as the cause is found.
TEST_F(Mp3ToWavJobTest, AWriteTheDiskRefusesEndsTheRunAndLeavesNoCutWav)
{
    mp3(QStringLiteral("A.mp3"), 2.0);
    mp3(QStringLiteral("B.mp3"));
    // heldByCut: as on a real disk, the room comes back once the cut file is removed.
    const struct {
        const char* cause;
        qint64 free;
        bool heldByCut;
        bool writable;
        QString reason;
    } cases[] = {
        {"disk full", 4096, false, true, DiskFullText(MusicFolder, QStringLiteral("A.wav"))},
        {"disk filled by the cut file", 0, true, true, DiskFullText(MusicFolder, QStringLiteral("A.wav"))},
        {"read-only", qint64(1) << 30, false, false, FolderNotWritableText(MusicFolder, QStringLiteral("WAV"))},
        {"unknown", qint64(1) << 30, false, true, FileNotWrittenText(at(QStringLiteral("A.wav")))},
    };
    for (const auto& c : cases) {
        for (bool preparation : {false, true}) {
            SCOPED_TRACE(std::string(c.cause) + (preparation ? " preparation" : " converter"));
            setFreeBytesProbe([&](const QString&) {
                return c.heldByCut && !QFile::exists(at(QStringLiteral("A.wav"))) ? qint64(1) << 30 : c.free;
            });
            setFolderWriteProbe([&](const QString&) { return c.writable; });
            Mp3Play player;
            player.setRoomForBytes(100000); // about half a second of the two
            Mp3ToWavJob job(player);
            Mp3ToWavPlan p = plan({"A.mp3", "B.mp3"});
            p.stopAtUnreadable = preparation;
            job.setPlan(p);
            QStringList logged;
            QObject::connect(&job, &Job::logError, &job, [&](const QString& proc) { logged << proc; });
            const JobOutcome out = runJobToEnd(job);
            EXPECT_EQ(out.kind, JobOutcome::Failed);
            EXPECT_EQ(out.reason, c.reason);
            EXPECT_EQ(job.failedMp3(), QStringLiteral("A.mp3"));
            EXPECT_EQ(job.madeWavs(), QStringList(2, QString()));
            EXPECT_TRUE(logged.isEmpty());
            EXPECT_EQ(QDir(MusicFolder).entryList({QStringLiteral("*.wav")}, QDir::Files), QStringList());
        }
    }
    setFreeBytesProbe(nullptr);
    setFolderWriteProbe(nullptr);
    // With room enough the same decoder makes both WAVs whole.
    Mp3Play player;
    Mp3ToWavJob job(player);
    job.setPlan(plan({"A.mp3", "B.mp3"}));
    EXPECT_EQ(runJobToEnd(job).kind, JobOutcome::Done);
    EXPECT_FALSE(player.WriteFailed());
    EXPECT_NEAR(double(testaudio::wavInfo(at(QStringLiteral("A.wav"))).frames), 2.0 * 44100, 4410);
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
    EXPECT_EQ(runJobToEnd(job).kind, JobOutcome::Done);
    job.cancel();
    job.cancel();
    pumpUntil([] { return false; }, 20);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(DecodeAbort, 0);
    EXPECT_TRUE(QFile::exists(at(QStringLiteral("A.wav"))));
}

namespace {
// Encoder processes the test ends by hand; each start is kept.
class ScriptedEncoders : public ChildProcessFactory {
public:
    struct State {
        QStringList args;
        bool running = false;
        bool killed = false;
        int code = -1;
        int looks = 0;              // times the job asked whether it has ended
        std::function<void()> onEnd; // the job's end report, when the encoders report their end
    };
    class Process : public ChildProcess {
    public:
        Process(ScriptedEncoders& owner) : m_owner(owner) {}
        bool start(const QString&, const QStringList& args) override
        {
            if (!m_owner.canStart)
                return false;
            m_state = std::make_shared<State>();
            m_state->args = args;
            m_state->running = true;
            m_owner.started.push_back(m_state);
            if (m_owner.onStart)
                m_owner.onStart(*m_state);
            return true;
        }
        bool finished() override
        {
            if (m_state)
                ++m_state->looks;
            return !m_state || !m_state->running;
        }
        bool notifyWhenFinished(std::function<void()> onEnd) override
        {
            if (!m_owner.notifies || !m_state)
                return false;
            m_state->onEnd = std::move(onEnd);
            return true;
        }
        int exitCode() override { return m_state && !m_state->running ? m_state->code : -1; }
        void kill() override
        {
            if (m_state && m_state->running) {
                m_state->running = false;
                m_state->killed = true;
            }
        }

    private:
        ScriptedEncoders& m_owner;
        std::shared_ptr<State> m_state;
    };
    std::unique_ptr<ChildProcess> create() override { return std::make_unique<Process>(*this); }
    static void exit(State& s, int code)
    {
        s.running = false;
        s.code = code;
        if (s.onEnd)
            s.onEnd();
    }

    bool canStart = true;
    bool notifies = false; // the processes report their end
    std::function<void(State&)> onStart;
    std::vector<std::shared_ptr<State>> started;
};

class WavToMp3JobTest : public Mp3ToWavJobTest {
protected:
    void SetUp() override
    {
        Mp3ToWavJobTest::SetUp();
        setChildProcesses(&encoders);
        EncodeAbort = 0;
        EncoderMode = QStringLiteral("CBR1");
        for (const char* n : {"One.wav", "Two.wav", "Three.wav"})
            ASSERT_TRUE(testaudio::writeWav(at(QString::fromLatin1(n)), 44100, 2, 0.2));
    }
    void TearDown() override
    {
        setChildProcesses(nullptr);
        Mp3ToWavJobTest::TearDown();
    }
    static WavToMp3Plan plan()
    {
        return {MusicFolder, {QStringLiteral("One.wav"), QStringLiteral("Two.wav"), QStringLiteral("Three.wav")},
                QStringLiteral("-b128 ")};
    }
    // Lets the job's timers run as the event loop turns.
    JobOutcome run(WavToMp3Job& job)
    {
        clock.setAutoStep(50);
        return runJobToEnd(job);
    }
    ScriptedEncoders encoders;
};
} // namespace

TEST_F(WavToMp3JobTest, EncodesEachFileIntoAFreeNameAndGoesOnPastAFailedOrMissingEncoder)
{
    writeAll(at(QStringLiteral("Two.mp3")), "the user's own");
    int n = 0;
    encoders.onStart = [&](ScriptedEncoders::State& s) {
        writeAll(s.args.last(), "ID3 partial");
        ScriptedEncoders::exit(s, ++n == 2 ? 255 : 0); // the second one fails
    };
    WavToMp3Job job;
    job.setPlan(plan());
    QStringList started, logged;
    std::vector<qint64> expected;
    QObject::connect(&job, &WavToMp3Job::fileStarted, &job, [&](int, const QString& w, const QString& m, qint64 e) {
        started << w + QStringLiteral(" -> ") + m;
        expected.push_back(e);
    });
    QObject::connect(&job, &Job::logError, &job,
                     [&](const QString& proc, int num, const QString&) { logged << proc + ' ' + QString::number(num); });
    EXPECT_EQ(run(job).kind, JobOutcome::Done);
    EXPECT_EQ(started, (QStringList{QStringLiteral("One.wav -> One.mp3"), QStringLiteral("Two.wav -> Two(1).mp3"),
                                    QStringLiteral("Three.wav -> Three.mp3")}));
    EXPECT_EQ(expected[0], qint64(std::nearbyint(QFileInfo(at(QStringLiteral("One.wav"))).size() /
                                                 getencoderratio(QStringLiteral("-b128 ")))));
    ASSERT_EQ(encoders.started.size(), 3u);
    EXPECT_EQ(encoders.started[0]->args.mid(0, 2), (QStringList{QStringLiteral("-f"), QStringLiteral("-b128")}));
    EXPECT_EQ(logged, QStringList{QStringLiteral("WAVToMP3Encode 5")});
    // The failed file's partial MP3 went; its WAV, the user's file and the others stay.
    EXPECT_FALSE(QFile::exists(at(QStringLiteral("Two(1).mp3"))));
    EXPECT_TRUE(QFile::exists(at(QStringLiteral("Two.wav"))));
    EXPECT_EQ(readAll(at(QStringLiteral("Two.mp3"))), QByteArray("the user's own"));
    EXPECT_TRUE(QFile::exists(at(QStringLiteral("One.mp3"))));
    EXPECT_TRUE(QFile::exists(at(QStringLiteral("Three.mp3"))));
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_EQ(EncodeAbort, 0);

    // An encoder that cannot start is logged for each file, and the run still ends.
    encoders.canStart = false;
    logged.clear();
    EXPECT_EQ(runJobToEnd(job).kind, JobOutcome::Done);
    EXPECT_EQ(logged.size(), 3);
    EXPECT_TRUE(logged.first().startsWith(QStringLiteral("WAVToMP3Encode 53")));
}

// An encoder that reports its end is followed at once, with no time passing; the job still
// looks at the next one once per interval (for its progress), not once per encoder heard.
TEST_F(WavToMp3JobTest, AnEncoderThatReportsItsEndIsFollowedAtOnce)
{
    encoders.notifies = true;
    encoders.onStart = [](ScriptedEncoders::State& s) { writeAll(s.args.last(), "ID3 partial"); };
    WavToMp3Job job;
    job.setPlan(plan());
    bool ended = false;
    JobOutcome out;
    QObject::connect(&job, &Job::finished, &job, [&](const JobOutcome& o) {
        out = o;
        ended = true;
    });
    const auto settle = [] {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    };
    job.start();
    settle();
    ASSERT_EQ(encoders.started.size(), 1u);
    EXPECT_GE(encoders.started[0]->looks, 1); // it runs when the job first looks
    ScriptedEncoders::exit(*encoders.started[0], 0);
    ASSERT_TRUE(pumpUntil([&] { return encoders.started.size() == 2; }));
    settle();
    const int looks = encoders.started[1]->looks;
    for (int i = 0; i < 4; ++i) {
        clock.advance(WavToMp3Job::kPollMs);
        settle();
    }
    EXPECT_EQ(encoders.started[1]->looks - looks, 4);
    ScriptedEncoders::exit(*encoders.started[1], 0);
    ASSERT_TRUE(pumpUntil([&] { return encoders.started.size() == 3; }));
    ScriptedEncoders::exit(*encoders.started[2], 0);
    ASSERT_TRUE(pumpUntil([&] { return ended; }));
    EXPECT_EQ(out.kind, JobOutcome::Done);
    EXPECT_EQ(clock.monotonicMs(), 4 * WavToMp3Job::kPollMs);
    EXPECT_TRUE(QFile::exists(at(QStringLiteral("Three.mp3"))));
    EXPECT_EQ(ConversionRunning, 0);
}

// The folder turns read-only, or the disk fills, after the first file: the encoder fails on
// the second, and the run stops there, saying why in plain words, without the partial MP3.
TEST_F(WavToMp3JobTest, AFolderOrDiskThatStopsTakingFilesEndsTheRunAndSaysWhy)
{
    // heldByCut: as on a real disk, the room comes back once the partial MP3 is removed.
    const struct {
        const char* cause;
        int exitCode;
        bool readOnly;
        bool heldByCut;
        QString reason;
    } cases[] = {
        {"read-only", 1, true, false, FolderNotWritableText(MusicFolder, QStringLiteral("MP3"))},
        {"disk full", 1, false, false, DiskFullText(MusicFolder, QStringLiteral("Two.mp3"))},
        {"disk filled by the partial MP3", 1, false, true, DiskFullText(MusicFolder, QStringLiteral("Two.mp3"))},
        {"full, yet exit 0", 0, false, false, DiskFullText(MusicFolder, QStringLiteral("Two.mp3"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cause);
        encoders.started.clear();
        qint64 free = qint64(1) << 30;
        bool writable = true;
        setFreeBytesProbe([&](const QString&) {
            return c.heldByCut && !QFile::exists(at(QStringLiteral("Two.mp3"))) ? qint64(1) << 30 : free;
        });
        setFolderWriteProbe([&](const QString&) { return writable; });
        int n = 0;
        encoders.onStart = [&](ScriptedEncoders::State& s) {
            if (++n == 1) {
                writeAll(s.args.last(), "ID3 whole");
                ScriptedEncoders::exit(s, 0);
                return;
            }
            if (c.readOnly)
                writable = false;
            else
                free = 0;
            if (c.exitCode == 0)
                writeAll(s.args.last(), QByteArray()); // the encoder told nothing and wrote nothing
            else
                writeAll(s.args.last(), "ID3 cut");
            ScriptedEncoders::exit(s, c.exitCode);
        };
        WavToMp3Job job;
        job.setPlan(plan());
        QStringList said;
        QObject::connect(&job, &Job::logError, &job, [&](const QString&, int, const QString& t) { said << t; });
        QObject::connect(&job, &Job::infoMessage, &job, [&](const QString& t) { said << t; });
        const JobOutcome out = run(job);
        EXPECT_EQ(out.kind, JobOutcome::Failed);
        EXPECT_EQ(out.reason, c.reason);
        EXPECT_TRUE(said.isEmpty()) << said.join(' ').toStdString();
        EXPECT_EQ(encoders.started.size(), 2u);
        EXPECT_EQ(readAll(at(QStringLiteral("One.mp3"))), QByteArray("ID3 whole"));
        EXPECT_FALSE(QFile::exists(at(QStringLiteral("Two.mp3"))));
        EXPECT_TRUE(QFile::exists(at(QStringLiteral("Two.wav"))));
        EXPECT_EQ(ConversionRunning, 0);
        QFile::remove(at(QStringLiteral("One.mp3")));
    }
    setFreeBytesProbe(nullptr);
    setFolderWriteProbe(nullptr);
}

// An abort while the encoder runs (by cancel or by the flag), or while the abort question
// holds a finished file: the encoder is ended, the MP3 in hand goes after the pause, the
// files before it stay and nothing after it starts.
TEST_F(WavToMp3JobTest, AnAbortEndsTheEncoderAndRemovesOnlyTheFileInHand)
{
    enum How { Cancel, Flag, HeldThenCancel };
    for (How how : {Cancel, Flag, HeldThenCancel}) {
        SCOPED_TRACE(int(how));
        encoders.started.clear();
        for (const char* n : {"One.mp3", "Two.mp3", "Three.mp3"})
            QFile::remove(at(QString::fromLatin1(n)));
        WavToMp3Job job;
        job.setPlan(plan());
        int n = 0;
        encoders.onStart = [&](ScriptedEncoders::State& s) {
            writeAll(s.args.last(), "ID3 partial");
            if (++n == 1) {
                ScriptedEncoders::exit(s, 0);
                return;
            }
            if (how == Flag)
                EncodeAbort = -1;
            else if (how == HeldThenCancel) {
                job.hold();
                ScriptedEncoders::exit(s, 0);
            }
        };
        bool ended = false;
        JobOutcome out;
        QObject::connect(&job, &Job::finished, &job, [&](const JobOutcome& o) {
            out = o;
            ended = true;
        });
        job.start();
        ASSERT_TRUE(pumpUntil([&] { return encoders.started.size() == 2; }));
        pumpUntil([] { return false; }, 30);
        if (how != Flag)
            job.cancel();
        ASSERT_TRUE(pumpUntil([&] { return !encoders.started[1]->running; }));
        EXPECT_EQ(encoders.started[1]->killed, how != HeldThenCancel);
        EXPECT_FALSE(ended);
        EXPECT_TRUE(QFile::exists(at(QStringLiteral("Two.mp3")))); // until the pause has passed
        clock.advance(WavToMp3Job::kAbortPauseMs);
        ASSERT_TRUE(pumpUntil([&] { return ended; }));
        EXPECT_EQ(out.kind, JobOutcome::Aborted);
        EXPECT_TRUE(QFile::exists(at(QStringLiteral("One.mp3"))));
        EXPECT_FALSE(QFile::exists(at(QStringLiteral("Two.mp3"))));
        EXPECT_EQ(encoders.started.size(), 2u);
        EXPECT_EQ(EncodeAbort, 0);
        EXPECT_EQ(ConversionRunning, 0);
    }
}
