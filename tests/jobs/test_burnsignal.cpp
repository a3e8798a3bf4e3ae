// A burn ended by a signal (Ctrl-C, logout, a closed terminal): a child copy of this test
// program runs a burn into a music folder and says when its WAVs are made; the test sends it
// the signal and looks at what the child left behind. Once with the burn stopped before the
// write (the program's own handler ends it), once in the write over a libburn stand-in that
// catches the signal as the library does (the write loop ends the program once the drive is
// idle).
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <unistd.h>

#include "audiofiles.h"
#include "controls/acdwrite.h"
#include "controls/acdwrite_image.h"
#include "controls/burnlibburn.h"
#include "controls/mp3play.h"
#include "core/globals.h"
#include "fakelibburn.h"
#include "fixture.h"
#include "jobs/burnjob.h"
#include "platform/cddrives.h"
#include "platform/signalcleanup.h"

namespace {
const char* const kPhaseVar = "QUILLORY_BURN_SIGNAL_PHASE";
const char* const kMusicVar = "QUILLORY_BURN_SIGNAL_MUSIC";
const char kReady[] = "burn-signal-child-ready\n";
const QString kDrive = QStringLiteral("/dev/sr7");

void sayReady()
{
    // Written straight to the pipe: the parent reads it while the child goes on.
    [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, kReady, sizeof kReady - 1);
}

// libburn as it behaves with its handler in the cancel-and-return mode: a signal during the
// write marks the library as aborting and returns; the drive keeps writing until cancelled.
class SignalledLibburn : public FakeLibburn {
public:
    SignalledLibburn()
    {
        steps.push_back({DriveSpawning, 0, 0, 0});
        for (int i = 0; i < 100000; ++i)
            steps.push_back({DriveWriting, 0, i % 100, 100000});
    }
    bool startWrite(const BurnJob& job, BurnOutcome::Reason* r, QString* why) override
    {
        const bool ok = FakeLibburn::startWrite(job, r, why);
        sayReady();
        return ok;
    }
    void setSignalHandling(bool writing) override
    {
        for (size_t i = 0; i < std::size(SignalCleanup::kSignals); ++i) {
            if (writing) {
                struct sigaction act = {};
                act.sa_handler = [](int) { s_aborting = 1; };
                sigemptyset(&act.sa_mask);
                sigaction(SignalCleanup::kSignals[i], &act, &m_before[i]);
            } else {
                sigaction(SignalCleanup::kSignals[i], &m_before[i], nullptr);
            }
        }
    }
    bool signalled() override { return s_aborting != 0; }
    void endAfterSignal() override { EndProgram(1); }

private:
    static inline volatile sig_atomic_t s_aborting = 0;
    struct sigaction m_before[std::size(SignalCleanup::kSignals)] = {};
};

// The child: runs one burn of the two MP3s in the folder it is given and never ends by itself.
class BurnSignalChild : public AppFixture {};

TEST_F(BurnSignalChild, BurnsUntilSignalled)
{
    const QByteArray phase = qgetenv(kPhaseVar);
    if (phase.isEmpty())
        GTEST_SKIP() << "runs only as the child of BurnEndedBySignal";
    // The real clock and the real end of the program.
    setClock(nullptr);
    setExit(nullptr);
    MusicFolder = QString::fromLocal8Bit(qgetenv(kMusicVar));
    ConversionRunning = 0;
    BurnAbort = 0;
    DecodeAbort = 0;

    SignalledLibburn lib;
    ImageWriterSetup image;
    const bool write = phase == "write";
    if (write) {
        CdDrives::setInjectedImages({});
        ImageWriters::setInjected({});
        CdDrives::setInjectedDrives({{kDrive, QStringLiteral("Maker"), QStringLiteral("Writer"), {}, false}});
        lib.drives = {{kDrive, {}, QStringLiteral("Maker"), QStringLiteral("Writer"), true}};
        setLibburn(&lib);
    } else {
        image.cuePath = homeDir() + QStringLiteral("burned.cue");
        image.name = QStringLiteral("Image Writer");
        CdDrives::setInjectedImages({image.cuePath});
        ImageWriters::setInjected({image});
    }
    ACDWRITE writer;
    ASSERT_EQ(writer.InitWriter(), 0);
    writer.SelectWriter(0);
    writer.SetDriver(writer.WriterDriver());
    Mp3Play player;
    BurnCdJob job(writer, player);
    BurnPlan plan;
    plan.folder = MusicFolder;
    for (const char* name : {"one", "two"})
        plan.tracks.push_back({QString::fromLatin1(name) + QStringLiteral(".mp3"), true,
                               QString::fromLatin1(name) + QStringLiteral(".wav")});
    job.setPlan(plan);
    if (!write) {
        // Held just before the write, every WAV made.
        job.setWriteGate([](const QStringList&) {
            sayReady();
            for (;;)
                ::pause();
            return 0;
        });
    }
    job.start();
    for (;;)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

class BurnEndedBySignal : public AppFixture {};

TEST_F(BurnEndedBySignal, RemovesTheWavsTheRunMade)
{
    const struct {
        const char* phase;
        int sig;
    } cases[] = {{"decode", SIGINT}, {"decode", SIGTERM}, {"decode", SIGHUP},
                 {"write", SIGINT},  {"write", SIGTERM},  {"write", SIGHUP}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.phase) + " " + strsignal(c.sig));
        const QString music = homeDir() + QStringLiteral("%1-%2/").arg(QLatin1String(c.phase)).arg(c.sig);
        ASSERT_TRUE(QDir().mkpath(music));
        for (const char* name : {"one.mp3", "two.mp3"})
            ASSERT_TRUE(testaudio::makeMp3(music + QLatin1String(name), 44100, 2, 0.5, 128, {}));

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kPhaseVar), QLatin1String(c.phase));
        env.insert(QLatin1String(kMusicVar), music);
        env.insert(QStringLiteral("TMPDIR"), music); // the child's own folders stay in ours
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=BurnSignalChild.*")});
        ASSERT_TRUE(child.waitForStarted());
        QByteArray out;
        while (!out.contains(kReady) && child.state() == QProcess::Running)
            if (child.waitForReadyRead(30000))
                out += child.readAllStandardOutput();
            else
                break;
        ASSERT_TRUE(out.contains(kReady)) << out.toStdString() << child.readAllStandardError().toStdString();
        for (const char* wav : {"one.wav", "two.wav"})
            ASSERT_TRUE(QFileInfo::exists(music + QLatin1String(wav))) << wav;

        ASSERT_EQ(::kill(pid_t(child.processId()), c.sig), 0);
        ASSERT_TRUE(child.waitForFinished(30000));
        if (std::string(c.phase) == "decode") {
            // Ended by the signal itself, as without the cleanup.
            EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
        } else {
            EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(child.exitCode(), 1);
        }
        for (const char* wav : {"one.wav", "two.wav"})
            EXPECT_FALSE(QFileInfo::exists(music + QLatin1String(wav))) << wav;
        for (const char* mp3 : {"one.mp3", "two.mp3"})
            EXPECT_TRUE(QFileInfo::exists(music + QLatin1String(mp3))) << mp3;
    }
}
} // namespace
