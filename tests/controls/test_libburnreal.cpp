// The writer over the real libburn, on its "stdio:" file pseudo-drive (no hardware): grab,
// disc check, the refusal of audio tracks off a CD, release, a scan after a grab, a write
// of a WAV's PCM as a data track (the pseudo-drive takes no audio), its abort and its test
// mode, the process's signal handlers left as they were, and a write ended by a signal.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "audiofiles.h"
#include "controls/acdwrite_types.h"
#include "controls/burnlibburn.h"
#include "platform/services.h"
#include "platform/signalcleanup.h"

namespace {

class Recorder : public BurnReporter {
public:
    QStringList infos;
    QStringList events; // "Track N", "Fixating"
    std::vector<int> percents;
    // Asked at each of the write's looks at the drive; Abort once it holds.
    std::function<bool(const Recorder&)> abortWhen;
    void actTrack(int track) override { events << QStringLiteral("Track %1").arg(track); }
    void trackPercent(int percent) override { percents.push_back(percent); }
    void info(const QString& text) override { infos << text; }
    bool fixating() override
    {
        if (abortRequested())
            return false;
        events << QStringLiteral("Fixating");
        return true;
    }
    bool abortRequested() const override { return abortWhen && abortWhen(*this); }
};

// A clock that stands still and whose sleeps end at once: the write's looks at the drive
// follow one another without a pause, and no wait of the writer runs out of time while
// the library's threads do their work. No test waits for time to pass.
class NoWaitClock : public ManualClock {
public:
    void sleepUntilMs(qint64) override { std::this_thread::yield(); }
};

// A 44,100 Hz 16-bit stereo WAV of sectors CD sectors whose samples run through every
// 16-bit value; returns its PCM as a CD carries it (little-endian, left then right).
QByteArray writePatternWav(const QString& path, int sectors)
{
    const sf_count_t frames = sf_count_t(sectors) * kCdFramesPerSector;
    std::vector<short> samples(size_t(frames * 2));
    QByteArray pcm;
    pcm.reserve(int(samples.size() * 2));
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto v = static_cast<unsigned short>(i * 7919 + i / 65536);
        samples[i] = static_cast<short>(v);
        pcm.append(static_cast<char>(v & 0xff)).append(static_cast<char>(v >> 8));
    }
    return testaudio::writeCdWav(path, samples) ? pcm : QByteArray();
}

// Every handler 1-31 as the process has it now (without the restorer flag the C library
// adds to every handler it installs).
std::vector<std::pair<void*, int>> signalState()
{
    constexpr int kRestorerFlag = 0x04000000;
    std::vector<std::pair<void*, int>> out;
    for (int sig = 1; sig < 32; ++sig) {
        struct sigaction a {};
        sigaction(sig, nullptr, &a);
        out.emplace_back(reinterpret_cast<void*>(a.sa_handler), a.sa_flags & ~kRestorerFlag);
    }
    return out;
}

class RealLibburnTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLibburn(nullptr);
        setLibburnAcceptsPseudoDrive(true);
        ASSERT_TRUE(dir.isValid());
        image = dir.filePath(QStringLiteral("disc.iso"));
        // A handler of our own, which a burn must leave in place.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &m_oldPipe);
    }
    void TearDown() override
    {
        setLibburnAcceptsPseudoDrive(false);
        sigaction(SIGPIPE, &m_oldPipe, nullptr);
    }
    QTemporaryDir dir;
    QString image;

private:
    struct sigaction m_oldPipe {};
};

TEST_F(RealLibburnTest, APseudoDriveIsBlankOnlyWhenAllowedAndAScanAfterItsGrabEnds)
{
    CdWriterPtr w = makeLibburnWriterAt(QStringLiteral("stdio:") + image, QStringLiteral("File"));
    EXPECT_EQ(w->checkDisc(), DiscBlank);
    setLibburnAcceptsPseudoDrive(false);
    EXPECT_EQ(w->checkDisc(), DiscNotBlank);
    // The grab was released and let go of the scan's restriction: a scan runs to its end.
    const LibburnScan scan = libburnScanDrives();
    for (const LibburnDriveInfo& d : scan.drives)
        EXPECT_FALSE(d.address.startsWith(QStringLiteral("stdio:")));
}

// The room the library reports for a blank pseudo-drive (libburn gives "/dev/null" a
// terabyte) becomes the disc's capacity, the first pregap counted on top of it once; a
// check that finds no blank disc (the pseudo-drive not taken as one) goes back to the
// nominal 80-minute disc.
TEST_F(RealLibburnTest, TheCheckTakesTheBlankDiscsRoomFromTheLibrary)
{
    const struct {
        bool blankAccepted;
        int state;
        qint64 capacity;
    } cases[] = {{true, DiscBlank, ((qint64(1) << 40) - 2048) / 2048 + kCdFirstPregapSectors},
                 {false, DiscNotBlank, kCdR80Sectors}};
    CdWriterPtr w = makeLibburnWriterAt(QStringLiteral("stdio:/dev/null"), QStringLiteral("Null"));
    EXPECT_EQ(w->capacitySectors(), kCdR80Sectors);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blankAccepted);
        setLibburnAcceptsPseudoDrive(c.blankAccepted);
        EXPECT_EQ(w->checkDisc(), c.state);
        EXPECT_EQ(w->capacitySectors(), c.capacity);
    }
}

// A grab the library refuses for another reason than a busy drive is no disc in use: the
// check cannot open the drive, and the write says so with the library's own message.
TEST_F(RealLibburnTest, AGrabRefusedForAnotherReasonIsNoDiscInUse)
{
    const QString wav = dir.filePath(QStringLiteral("t.wav"));
    ASSERT_TRUE(testaudio::writeWav(wav, 44100, 2, 1.0));
    BurnJob job;
    BurnTrack t;
    t.path = wav;
    ASSERT_TRUE(inspectBurnTrack(t, nullptr));
    job.tracks.push_back(t);
    CdWriterPtr w = makeLibburnWriterAt(QStringLiteral("stdio:") + dir.filePath(QStringLiteral("no/such/folder/disc.iso")),
                                        QStringLiteral("File"));
    EXPECT_EQ(w->checkDisc(), DiscNoAccess);
    EXPECT_TRUE(w->discNote().isEmpty());
    Recorder report;
    const BurnOutcome out = w->write(job, report);
    EXPECT_EQ(out.reason, BurnOutcome::Other);
    EXPECT_EQ(out.message, QStringLiteral("Could Not Open The CD Writer"));
    ASSERT_GE(report.infos.size(), 2);
    EXPECT_EQ(report.infos.back(), out.message);
}

TEST_F(RealLibburnTest, AudioTracksOffACdAreRefusedWithTheLibrarysReasonAndSignalsStayAsTheyWere)
{
    const QString wav = dir.filePath(QStringLiteral("t.wav"));
    ASSERT_TRUE(testaudio::writeWav(wav, 44100, 2, 4.0));
    BurnJob job;
    BurnTrack t;
    t.path = wav;
    QString why;
    ASSERT_TRUE(inspectBurnTrack(t, &why)) << why.toStdString();
    job.tracks.push_back(t);

    const auto before = signalState();
    Recorder report;
    CdWriterPtr w = makeLibburnWriterAt(QStringLiteral("stdio:") + image, QStringLiteral("File"));
    const BurnOutcome out = w->write(job, report);
    EXPECT_EQ(out.kind, BurnOutcome::Failed);
    EXPECT_TRUE(out.message.contains(QStringLiteral("audio track prohibited by non-CD"))) << out.message.toStdString();
    EXPECT_EQ(signalState(), before);
    // The drive was let go: it can be grabbed again.
    EXPECT_EQ(w->checkDisc(), DiscBlank);
}

// Writes go out as data tracks, the write's pauses pass at once, and each test's WAV is
// a known pattern.
class RealLibburnWriteTest : public RealLibburnTest {
protected:
    void SetUp() override
    {
        RealLibburnTest::SetUp();
        setLibburnDataTracksForTests(true);
        setClock(&clock);
    }
    void TearDown() override
    {
        setClock(nullptr);
        setLibburnDataTracksForTests(false);
        RealLibburnTest::TearDown();
    }
    // A job of one pattern WAV of sectors CD sectors; pcm receives its PCM.
    BurnJob patternJob(int sectors, QByteArray* pcm)
    {
        const QString wav = dir.filePath(QStringLiteral("pattern%1.wav").arg(sectors));
        *pcm = writePatternWav(wav, sectors);
        BurnJob job;
        BurnTrack t;
        t.path = wav;
        QString why;
        EXPECT_TRUE(inspectBurnTrack(t, &why)) << why.toStdString();
        job.tracks.push_back(t);
        return job;
    }
    QByteArray imageBytes() const
    {
        QFile f(image);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    CdWriterPtr writer() const { return makeLibburnWriterAt(QStringLiteral("stdio:") + image, QStringLiteral("File")); }

    NoWaitClock clock;
};

// A write puts the WAV's PCM on the disc byte for byte (the last block filled up with
// zeros), then fixates and ends written; test mode runs the same write and leaves the
// disc empty.
TEST_F(RealLibburnWriteTest, AWriteCarriesTheWavsPcmThenFixatesAndTestModeWritesNothing)
{
    const struct {
        bool simulate;
        BurnOutcome::Kind kind;
        const char* caption;
    } cases[] = {{false, BurnOutcome::Written, "Writing Tracks"}, {true, BurnOutcome::TestRunDone, "Simulating Write"}};
    QByteArray pcm;
    BurnJob job = patternJob(300, &pcm); // 705,600 bytes: 344.5 blocks of 2048
    ASSERT_EQ(pcm.size(), 300 * kCdSectorBytes);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        QFile::remove(image);
        job.simulate = c.simulate;
        const auto before = signalState();
        Recorder report;
        const BurnOutcome out = writer()->write(job, report);
        EXPECT_EQ(out.kind, c.kind) << out.message.toStdString();
        EXPECT_TRUE(report.infos.contains(QLatin1String(c.caption))) << report.infos.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(report.events, (QStringList{QStringLiteral("Track 1"), QStringLiteral("Fixating")}));
        ASSERT_FALSE(report.percents.empty());
        EXPECT_EQ(report.percents.back(), 100);
        EXPECT_EQ(signalState(), before);

        const QByteArray disc = imageBytes();
        if (c.simulate) {
            EXPECT_EQ(disc.size(), 0);
            continue;
        }
        const qsizetype padded = (pcm.size() + 2047) / 2048 * 2048;
        ASSERT_EQ(disc.size(), padded);
        EXPECT_TRUE(disc.left(pcm.size()) == pcm) << "the image is not the WAV's PCM";
        EXPECT_EQ(disc.mid(pcm.size()), QByteArray(padded - pcm.size(), '\0'));
    }
}

// Abort before the first block or in the middle of the track: the write stops without
// fixating and ends aborted, the signal handlers are as they were, and the drive and the
// library are free again: the drive is grabbed and a new write runs to its end.
TEST_F(RealLibburnWriteTest, AbortStopsTheWriteAndLeavesDriveAndLibraryFree)
{
    const auto midTrack = [](const Recorder& r) {
        return std::any_of(r.percents.begin(), r.percents.end(), [](int p) { return p > 0 && p < 100; });
    };
    const struct {
        const char* when;
        std::function<bool(const Recorder&)> abortWhen;
        bool someWritten;
    } cases[] = {{"at once", [](const Recorder&) { return true; }, false}, {"mid-track", midTrack, true}};
    QByteArray pcm, shortPcm;
    const BurnJob job = patternJob(6000, &pcm); // 80 seconds, 14 MB
    const BurnJob next = patternJob(300, &shortPcm);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        QFile::remove(image);
        const auto before = signalState();
        Recorder report;
        report.abortWhen = c.abortWhen;
        const BurnOutcome out = writer()->write(job, report);
        EXPECT_EQ(out.kind, BurnOutcome::Aborted) << out.message.toStdString();
        EXPECT_FALSE(report.events.contains(QStringLiteral("Fixating")));
        // Stopped in the middle: some of the track reached the disc, not all of it.
        EXPECT_EQ(QFileInfo(image).size() > 0, c.someWritten) << QFileInfo(image).size();
        EXPECT_LT(QFileInfo(image).size(), pcm.size());
        EXPECT_EQ(signalState(), before);

        const int state = writer()->checkDisc();
        EXPECT_TRUE(state == DiscBlank || state == DiscNotBlank) << state;
        const QString other = dir.filePath(QStringLiteral("next.iso"));
        QFile::remove(other);
        Recorder again;
        const BurnOutcome then = makeLibburnWriterAt(QStringLiteral("stdio:") + other, QStringLiteral("File"))->write(next, again);
        EXPECT_EQ(then.kind, BurnOutcome::Written) << then.message.toStdString() << " "
                                                   << again.infos.join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(QFileInfo(other).size(), (shortPcm.size() + 2047) / 2048 * 2048);
    }
}

// A write ended by a signal (Ctrl-C, logout, a closed terminal): a child copy of this test
// program writes a WAV that a run made (held for removal on a signal) at 1x, which the
// pseudo-drive keeps to as a drive would; the test sends the signal mid-track. The library's
// own handler stops the drive, and the write loop removes the run's files before it ends
// the program.
const char* const kSignalFolderVar = "QUILLORY_LIBBURN_SIGNAL_FOLDER";
const char kWriting[] = "libburn-signal-child-writing\n";

class SignalledWriteReport : public BurnReporter {
public:
    void actTrack(int) override {}
    void trackPercent(int percent) override
    {
        if (percent > 0 && !m_said) {
            m_said = true;
            [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, kWriting, sizeof kWriting - 1);
        }
    }
    void info(const QString&) override {}
    bool fixating() override { return true; }
    bool abortRequested() const override { return false; }

private:
    bool m_said = false;
};

class RealLibburnSignalChild : public RealLibburnWriteTest {};

TEST_F(RealLibburnSignalChild, WritesUntilSignalled)
{
    const QString folder = QString::fromLocal8Bit(qgetenv(kSignalFolderVar));
    if (folder.isEmpty())
        GTEST_SKIP() << "runs only as the child of RealLibburnSignal";
    setClock(nullptr); // the pseudo-drive's 1x runs in real time
    BurnJob job;
    BurnTrack t;
    t.path = folder + QStringLiteral("/track.wav");
    ASSERT_FALSE(writePatternWav(t.path, 1500).isEmpty()); // 20 seconds
    QString why;
    ASSERT_TRUE(inspectBurnTrack(t, &why)) << why.toStdString();
    job.tracks.push_back(t);
    job.speed = 1;
    SignalCleanup cleanup;
    ASSERT_TRUE(cleanup.add(t.path));
    SignalledWriteReport report;
    makeLibburnWriterAt(QStringLiteral("stdio:") + folder + QStringLiteral("/disc"), QStringLiteral("File"))
        ->write(job, report);
    FAIL() << "the write ended without the signal";
}

TEST(RealLibburnSignal, EndsTheWriteAndRemovesTheRunsFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int sig : SignalCleanup::kSignals) {
        SCOPED_TRACE(strsignal(sig));
        const QString folder = dir.filePath(QString::number(sig));
        ASSERT_TRUE(QDir().mkpath(folder));
        // The disc is a pipe that the test drains only after the signal: the drive is in the
        // middle of the track, held, until then.
        const QByteArray disc = QFile::encodeName(folder + QStringLiteral("/disc"));
        ASSERT_EQ(::mkfifo(disc.constData(), 0600), 0);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kSignalFolderVar), folder);
        env.insert(QStringLiteral("TMPDIR"), folder);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=RealLibburnSignalChild.*")});
        ASSERT_TRUE(child.waitForStarted());
        const int fd = ::open(disc.constData(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(fd, 0);
        QByteArray out;
        while (!out.contains(kWriting) && child.waitForReadyRead(30000))
            out += child.readAllStandardOutput();
        ASSERT_TRUE(out.contains(kWriting)) << out.toStdString() << child.readAllStandardError().toStdString();
        const QString wav = folder + QStringLiteral("/track.wav");
        ASSERT_TRUE(QFileInfo::exists(wav));

        ASSERT_EQ(::kill(pid_t(child.processId()), sig), 0);
        // The run's file goes as soon as the write sees the signal, while the drive is still
        // held in the track (the limit only guards against a hang).
        const QDeadlineTimer limit(20000);
        while (QFileInfo::exists(wav) && !limit.hasExpired() && !child.waitForFinished(10)) {
        }
        EXPECT_FALSE(QFileInfo::exists(wav)) << "the file was still there while the drive was held";
        qint64 written = 0;
        char buf[65536];
        while (!child.waitForFinished(10)) {
            for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
                written += n;
        }
        ::close(fd);
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 1);
        EXPECT_FALSE(QFileInfo::exists(wav));
        // Stopped mid-track: part of the track went out, not all of it.
        EXPECT_LT(written, 1500 * kCdSectorBytes);
    }
}

} // namespace
