// The writer for real drives, with libburn played by a fake that records the calls and
// answers with a drive's status sequence.
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "audiofiles.h"
#include "controls/acdwrite.h"
#include "controls/burnlibburn.h"
#include "fakelibburn.h"
#include "fixture.h"
#include "pump.h"
#include "platform/cddrives.h"
#include "platform/signalcleanup.h"

namespace {

using St = LibburnCalls::DriveStatus;

// A disc-at-once write of two tracks of 100 sectors as libburn reports it: no closing
// states; the lead-out goes out while the last track stands at its end.
std::vector<FakeLibburn::Step> recordedSaoWrite()
{
    std::vector<FakeLibburn::Step> s{{St::DriveSpawning, 0, 0, 0}, {St::DriveWriting, 0, 0, 0}};
    for (int sector = 0; sector <= 100; sector += 25)
        s.push_back({St::DriveWriting, 0, sector, 100});
    for (int sector = 0; sector < 100; sector += 25)
        s.push_back({St::DriveWriting, 1, sector, 100});
    for (int i = 0; i < 30; ++i) // the final flush with the lead-out
        s.push_back({St::DriveWriting, 1, 99, 100});
    return s;
}

// libburn's refusal to start a write while another drive operation or a scan is going on.
const QString kRefusal = QStringLiteral("A drive operation is still going on (want to write)");

// The fake with two more parts of the library's play: a write it refuses to start (the
// reason queued, no write thread, so the note of a thread's end never comes, and the
// drive's result still the last write's "wrote well"), and a count of its looks at an
// idle drive.
class ScriptedLibburn : public FakeLibburn {
public:
    std::atomic<bool> refuseWrite{false};
    std::atomic<int> idleLooks{0};
    // A signal its handler caught (set before the write), and whether the writer then
    // ended the program (here it only says so).
    std::atomic<bool> caughtSignal{false};
    std::atomic<bool> endedAfterSignal{false};

    bool startWrite(const BurnJob& job, BurnOutcome::Reason* reason, QString* why) override
    {
        const bool ok = FakeLibburn::startWrite(job, reason, why);
        if (refuseWrite)
            queue(kRefusal, "SORRY", LibburnCalls::kOperationGoingOnCode);
        return ok;
    }
    bool writeEnded() override { return !refuseWrite; }
    bool signalled() override { return caughtSignal; }
    void endAfterSignal() override { endedAfterSignal = true; }
    DriveStatus driveStatus(Progress& p) override
    {
        const DriveStatus st = FakeLibburn::driveStatus(p);
        if (st == DriveIdle)
            ++idleLooks;
        return st;
    }
};

class LibburnWriterTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        lib.drives = {{QStringLiteral("/dev/sr7"), {}, QStringLiteral("Maker"), QStringLiteral("Writer 1"), true},
                      {QStringLiteral("/dev/sr8"), {}, QStringLiteral("Maker"), QStringLiteral("Writer 2"), true}};
        setLibburn(&lib);
        CdDrives::setInjectedDrives({{QStringLiteral("/dev/sr7"), {}, {}, {}, false},
                                     {QStringLiteral("/dev/sr8"), {}, {}, {}, false}});
        writer = std::make_unique<ACDWRITE>();
        QObject::connect(writer.get(), &ACDWRITE::InfoMessage, [this](int, const QString& t) { infos << t; });
        QObject::connect(writer.get(), &ACDWRITE::Fixating, [this] {
            events << QStringLiteral("Fixating");
            writingAtFixating = writer->Writing() && lib.stepsLeft() > 0;
        });
        QObject::connect(writer.get(), &ACDWRITE::UserStop, [this] { events << QStringLiteral("UserStop"); });
        QObject::connect(writer.get(), &ACDWRITE::BurningProcessComplete, [this](const BurnOutcome& o) {
            events << QStringLiteral("BurningProcessComplete");
            outcome = o;
        });
    }
    void TearDown() override
    {
        // A write left running (after a failed check) waits on the clock: let it end.
        if (writer->Writing()) {
            writer->Abort();
            runUntil([&] { return !writer->Writing(); });
        }
        writer.reset();
        setLibburn(nullptr);
        AppFixture::TearDown();
    }
    // Selects the first writer and queues WAV tracks of the given seconds.
    void addTracks(const std::vector<double>& seconds)
    {
        ASSERT_EQ(writer->InitWriter(), 0);
        writer->SelectWriter(0);
        int i = 0;
        for (double s : seconds) {
            const QString p = homeDir() + QStringLiteral("t%1.wav").arg(++i);
            ASSERT_TRUE(testaudio::writeWav(p, 44100, 2, s));
            writer->AddTrack(p, 0);
        }
    }
    // Moves the clock (the write's polling pace) a step at a time until cond holds.
    bool runUntil(const std::function<bool()>& cond)
    {
        return pumpUntil([&] {
            if (cond())
                return true;
            clock.advance(250);
            return false;
        });
    }
    bool ended() const { return events.contains(QStringLiteral("BurningProcessComplete")); }

    ScriptedLibburn lib;
    std::unique_ptr<ACDWRITE> writer;
    QStringList infos, events;
    bool writingAtFixating = false;
    BurnOutcome outcome;
};

TEST(LibburnSpeed, OneTimesIs176Point4KiloBytesAndFractionsRoundUp)
{
    const struct {
        int times, kBps;
    } cases[] = {{0, 0}, {1, 177}, {2, 353}, {4, 706}, {6, 1059}, {8, 1412}, {10, 1764}};
    for (const auto& c : cases)
        EXPECT_EQ(cdSpeedKBps(c.times), c.kBps) << c.times << "x";
}

TEST_F(LibburnWriterTest, EveryScanSeesAllDrivesAndLeavesNoOldMessageBehind)
{
    lib.queue(QStringLiteral("Drive /dev/sr7 was grabbed"), "NOTE");
    ASSERT_EQ(writer->InitWriter(), 0);
    EXPECT_EQ(writer->WriterCount(), 2);
    EXPECT_EQ(lib.queued(), 0u);
    writer->SelectWriter(0);
    lib.queue(QStringLiteral("Drive is not ready"), "FAILURE");
    EXPECT_EQ(writer->CheckDisc(), 0);
    EXPECT_EQ(lib.queued(), 0u);
    // A scan after a grab by the disc check still finds the second writer.
    writer->Reset();
    ASSERT_EQ(writer->InitWriter(), 0);
    EXPECT_EQ(writer->WriterCount(), 2);

    QStringList scans;
    for (const QString& c : lib.calls())
        if (c == QLatin1String("clearWhitelist") || c == QLatin1String("scan"))
            scans << c;
    EXPECT_EQ(scans, (QStringList{"clearWhitelist", "scan", "clearWhitelist", "scan"}));
}

TEST_F(LibburnWriterTest, DrivesWhoseDiscIsInUseAreKeptFromTheScan)
{
    // /dev/sr7 was skipped as busy; the scan found /dev/sr8 only.
    lib.drives.erase(lib.drives.begin());
    lib.queue(QStringLiteral("Cannot open busy device '/dev/sr7'"), "SORRY", LibburnCalls::kBusyDeviceCode);
    lib.queue(QStringLiteral("Failed to open device '/dev/sr9'"), "NOTE", 0x0002000a);
    ASSERT_EQ(writer->InitWriter(), 0);
    EXPECT_EQ(writer->WriterCount(), 1);
    EXPECT_EQ(writer->WriterDevice(0), QStringLiteral("/dev/sr8"));
    EXPECT_EQ(writer->DrivesInUse(), QStringList{QStringLiteral("/dev/sr7")});
    EXPECT_EQ(lib.queued(), 0u);

    // Nothing found, both discs mounted: both named; a busy device the enumerator does
    // not list is named as libburn saw it.
    lib.drives.clear();
    driveIo.mounted = true;
    lib.queue(QStringLiteral("Cannot open busy device '/dev/sg4'"), "SORRY", LibburnCalls::kBusyDeviceCode);
    writer->Reset();
    EXPECT_EQ(writer->InitWriter(), 1);
    EXPECT_EQ(writer->DrivesInUse(), (QStringList{"/dev/sr7", "/dev/sr8", "/dev/sg4"}));

    // Once the discs are out the next look finds both writers and names nothing.
    driveIo.mounted = false;
    lib.drives = {{QStringLiteral("/dev/sr7"), {}, {}, {}, true}, {QStringLiteral("/dev/sr8"), {}, {}, {}, true}};
    writer->Reset();
    ASSERT_EQ(writer->InitWriter(), 0);
    EXPECT_EQ(writer->WriterCount(), 2);
    EXPECT_TRUE(writer->DrivesInUse().isEmpty());
}

TEST_F(LibburnWriterTest, ADiscSpinningUpIsAskedForAgainUntilItIsReady)
{
    ASSERT_EQ(writer->InitWriter(), 0);
    writer->SelectWriter(0);
    // The check waits on the clock between its questions: the window thread moves it on.
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [this] { clock.advance(500); });
    ticker.start(1);
    const struct {
        int unready;
        int state;
    } cases[] = {{3, DiscBlank}, {25, DiscNone}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unready);
        lib.unreadyUntilReassessed = c.unready;
        EXPECT_EQ(writer->CheckDisc(), c.state);
    }
    EXPECT_EQ(lib.calls().count(QStringLiteral("reassess")), 3 + 20);
}

TEST_F(LibburnWriterTest, TheScanRunsOffTheWindowThreadWhileTheWindowGoesOn)
{
    lib.holdScan = true;
    bool windowRan = false;
    QTimer::singleShot(0, [&] {
        windowRan = true;
        lib.releaseScan();
    });
    ASSERT_EQ(writer->InitWriter(), 0);
    EXPECT_TRUE(lib.scanOffWindowThread);
    EXPECT_TRUE(windowRan);
}

// A disc mounted after the writers were listed: libburn's grab fails with its busy-device
// message. The disc check and the write both name the drive as in use with the library's
// words; a grab that fails without that message is no disc in use.
TEST_F(LibburnWriterTest, AGrabOfABusyDriveIsADiscInUseInTheCheckAndInTheWrite)
{
    const QString busy = FakeLibburn::busyText(QStringLiteral("/dev/sr7"));
    ASSERT_EQ(writer->InitWriter(), 0);
    writer->SelectWriter(0);
    lib.grabBusy = true;
    EXPECT_EQ(writer->CheckDisc(), DiscInUse);
    EXPECT_EQ(writer->DiscNote(), busy);
    EXPECT_EQ(writer->DrivesInUse(), QStringList{QStringLiteral("/dev/sr7")});
    EXPECT_EQ(lib.queued(), 0u);

    addTracks({1.0});
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(runUntil([&] { return ended(); }));
    EXPECT_EQ(outcome.reason, BurnOutcome::InUse);
    EXPECT_EQ(outcome.message, BurnText::discInUse({QStringLiteral("/dev/sr7")}) + QStringLiteral("\n") + busy);
    EXPECT_TRUE(infos.contains(busy));
    EXPECT_FALSE(lib.calls().contains(QStringLiteral("startWrite")));

    // Once the disc is out the check finds the blank disc and names nothing.
    lib.grabBusy = false;
    EXPECT_EQ(writer->CheckDisc(), DiscBlank);
    EXPECT_TRUE(writer->DrivesInUse().isEmpty());
    EXPECT_TRUE(writer->DiscNote().isEmpty());
}

// The room libburn reports for the blank disc a check found decides what fits before
// anything is written: the first pregap counted once, short tracks padded. A check that
// finds no blank disc, or a library that knows no room, leaves the nominal 80-minute disc.
TEST_F(LibburnWriterTest, TheRoomOfTheBlankDiscTheCheckFoundDecidesWhatFits)
{
    ASSERT_EQ(writer->InitWriter(), 0);
    writer->SelectWriter(0);
    const std::vector<qint64> twoShort{44100, 44100}; // one second each: 300 + 300 sectors padded
    const std::vector<qint64> eightyMinutes{(kCdR80Sectors - kCdFirstPregapSectors) * kCdFramesPerSector};
    const struct {
        const char* name;
        LibburnCalls::DiscStatus disc;
        qint64 roomSectors;
        int shortFit, longFit;
    } cases[] = {{"room for one padded track", LibburnCalls::DiscBlank, 599, 1, 0},
                 {"room for both", LibburnCalls::DiscBlank, 600, 2, 0},
                 {"no blank disc", LibburnCalls::DiscOther, 600, 2, 1},
                 {"room not known", LibburnCalls::DiscBlank, 0, 2, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lib.disc = c.disc;
        lib.roomBytes = c.roomSectors * 2048;
        writer->CheckDisc();
        EXPECT_EQ(writer->TracksThatFit(twoShort), c.shortFit);
        EXPECT_EQ(writer->TracksThatFit(eightyMinutes), c.longFit);
    }
}

// A grab held by the library's retries on a busy drive runs off the window thread: the
// window goes on meanwhile and hears that a look is going on until it has ended.
TEST_F(LibburnWriterTest, TheDiscCheckRunsOffTheWindowThreadAndSaysItIsLooking)
{
    ASSERT_EQ(writer->InitWriter(), 0);
    writer->SelectWriter(0);
    QList<bool> looking;
    QObject::connect(writer.get(), &ACDWRITE::Looking, [&](bool on) { looking << on; });
    lib.holdGrab = true;
    bool windowRan = false;
    QTimer::singleShot(0, [&] {
        windowRan = looking == QList<bool>{true};
        lib.releaseGrab();
    });
    EXPECT_EQ(writer->CheckDisc(), DiscBlank);
    EXPECT_TRUE(lib.grabOffWindowThread);
    EXPECT_TRUE(windowRan);
    EXPECT_EQ(looking, (QList<bool>{true, false}));
}

TEST_F(LibburnWriterTest, RecordedDiscAtOnceWriteFinalisesBeforeItsEndAndRefusesAbortThen)
{
    lib.steps = recordedSaoWrite();
    lib.queue(QStringLiteral("Something from long ago"), "SORRY");
    addTracks({1.0, 1.0});
    writer->Speed(4);
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(runUntil([&] { return events.contains(QStringLiteral("Fixating")) || ended(); }));
    ASSERT_FALSE(ended());
    EXPECT_TRUE(writingAtFixating);
    EXPECT_FALSE(writer->Abort());
    ASSERT_TRUE(runUntil([&] { return ended(); }));

    EXPECT_EQ(events, (QStringList{"Fixating", "BurningProcessComplete"}));
    EXPECT_EQ(outcome.kind, BurnOutcome::Written);
    EXPECT_FALSE(infos.contains(QStringLiteral("Something from long ago")));
    const QStringList calls = lib.calls();
    EXPECT_FALSE(calls.contains(QStringLiteral("cancel")));
    EXPECT_TRUE(calls.contains(QStringLiteral("speed 706")));
    const auto at = [&](const char* c) { return calls.indexOf(QString::fromLatin1(c)); };
    ASSERT_GE(at("signals on"), 0);
    EXPECT_LT(at("signals on"), at("startWrite"));
    EXPECT_LT(at("endWrite"), at("signals off"));
    EXPECT_LT(at("signals off"), at("release"));
}

TEST_F(LibburnWriterTest, ADriveDoneBetweenTwoLooksStillHasEveryTrackEndAtAHundredBeforeFixating)
{
    // The drive was seen halfway through track 1, then idle: the write has ended.
    lib.steps = {{St::DriveSpawning, 0, 0, 0}, {St::DriveWriting, 0, 0, 0}, {St::DriveWriting, 0, 50, 100}};
    QStringList progress;
    QObject::connect(writer.get(), &ACDWRITE::ActTrack, [&](int t) { progress << QStringLiteral("ActTrack %1").arg(t); });
    QObject::connect(writer.get(), &ACDWRITE::TrackPercent, [&](int p) { progress << QString::number(p); });
    QObject::connect(writer.get(), &ACDWRITE::Fixating, [&] { progress << QStringLiteral("Fixating"); });
    addTracks({1.0, 1.0});
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(runUntil([&] { return ended(); }));
    EXPECT_EQ(outcome.kind, BurnOutcome::Written);
    EXPECT_EQ(progress, (QStringList{"ActTrack 1", "0", "50", "100", "ActTrack 2", "100", "Fixating"}));
}

TEST_F(LibburnWriterTest, TheFirstLookAfterSpawningCounts)
{
    lib.steps = {{St::DriveSpawning, 0, 0, 0}, {St::DriveSpawning, 0, 0, 0}, {St::DriveWriting, 0, 40, 100},
                 {St::DriveWriting, 0, 80, 100}};
    QStringList progress;
    QObject::connect(writer.get(), &ACDWRITE::ActTrack, [&](int t) { progress << QStringLiteral("ActTrack %1").arg(t); });
    QObject::connect(writer.get(), &ACDWRITE::TrackPercent, [&](int p) { progress << QString::number(p); });
    addTracks({1.0});
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(runUntil([&] { return ended(); }));
    EXPECT_EQ(progress, (QStringList{"ActTrack 1", "0", "40", "80", "100"}));
}

// libburn refuses to start the write and leaves the drive idle: the burn fails with the
// library's reason, as its other refusals do, instead of ending written on the drive's
// old result; and it ends with the clock standing still, waiting for no write thread.
TEST_F(LibburnWriterTest, AWriteTheLibraryRefusesToStartFailsWithItsReasonAndWaitsForNothing)
{
    lib.refuseWrite = true;
    addTracks({1.0});
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(pumpUntil([&] { return ended(); }));

    EXPECT_EQ(outcome.kind, BurnOutcome::Failed);
    EXPECT_EQ(outcome.message, kRefusal);
    EXPECT_EQ(events, QStringList{QStringLiteral("BurningProcessComplete")});
    EXPECT_EQ(infos.count(kRefusal), 1) << infos.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(infos.contains(QStringLiteral("Writing Tracks")));
    const QStringList calls = lib.calls();
    EXPECT_FALSE(calls.contains(QStringLiteral("cancel")));
    EXPECT_LT(calls.indexOf(QStringLiteral("startWrite")), calls.indexOf(QStringLiteral("release")));

    // The drive was let go: the next write runs to its end.
    lib.refuseWrite = false;
    lib.steps = recordedSaoWrite();
    events.clear();
    addTracks({1.0, 1.0});
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(runUntil([&] { return ended(); }));
    EXPECT_EQ(outcome.kind, BurnOutcome::Written);
}

// A signal caught while the library refused to start the write still ends the program, and
// the run's files go first.
TEST_F(LibburnWriterTest, ASignalCaughtAsTheLibraryRefusesTheWriteStillEndsTheProgram)
{
    lib.refuseWrite = true;
    lib.caughtSignal = true;
    addTracks({1.0});
    const QString made = homeDir() + QStringLiteral("made.wav");
    ASSERT_TRUE(testaudio::writeWav(made, 44100, 2, 0.1));
    SignalCleanup cleanup;
    ASSERT_TRUE(cleanup.add(made));
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(pumpUntil([&] { return ended(); }));
    EXPECT_TRUE(lib.endedAfterSignal);
    EXPECT_FALSE(QFile::exists(made));
}

// Abort comes in after the writer's last look at the working drive, and the next look
// finds it done: the disc is written, so the write ends Written, with every track at 100
// and the finalising announced first (the announcement is refused: Abort came first).
TEST_F(LibburnWriterTest, AnAbortAsTheDriveFinishesStillEndsWrittenWithEveryTrackAtAHundredFirst)
{
    struct Recorder : BurnReporter {
        ScriptedLibburn& lib;
        QStringList events;
        explicit Recorder(ScriptedLibburn& l) : lib(l) {}
        void actTrack(int t) override { events << QStringLiteral("Track %1").arg(t); }
        void trackPercent(int p) override { events << QString::number(p); }
        void info(const QString&) override {}
        bool fixating() override
        {
            events << (abortRequested() ? QStringLiteral("fixating refused") : QStringLiteral("Fixating"));
            return !abortRequested();
        }
        bool abortRequested() const override { return lib.idleLooks > 0; }
    } report(lib);
    // The write runs on this thread: its pauses move the clock on themselves.
    struct SelfMovingClock : ManualClock {
        void sleepUntilMs(qint64 t) override { advance(std::max<qint64>(0, t - monotonicMs())); }
    } selfMoving;
    setClock(&selfMoving);

    lib.steps = {{St::DriveSpawning, 0, 0, 0}, {St::DriveWriting, 0, 50, 100}};
    BurnJob job;
    for (const char* name : {"a.wav", "b.wav"}) {
        BurnTrack t;
        t.path = homeDir() + QLatin1String(name);
        ASSERT_TRUE(testaudio::writeWav(t.path, 44100, 2, 1.0));
        ASSERT_TRUE(inspectBurnTrack(t, nullptr));
        job.tracks.push_back(t);
    }
    const BurnOutcome out = makeLibburnWriterAt(QStringLiteral("/dev/sr7"), QStringLiteral("Writer"))->write(job, report);
    setClock(&clock);

    EXPECT_EQ(out.kind, BurnOutcome::Written);
    EXPECT_EQ(report.events, (QStringList{"Track 1", "0", "50", "100", "Track 2", "100", "fixating refused"}));
    EXPECT_FALSE(lib.calls().contains(QStringLiteral("cancel")));
}

TEST_F(LibburnWriterTest, AbortBeforeFinalisingCancelsTheDrive)
{
    lib.steps = recordedSaoWrite();
    addTracks({1.0, 1.0});
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(runUntil([&] { return lib.stepsLeft() < lib.steps.size() - 4; }));
    EXPECT_TRUE(writer->Abort());
    ASSERT_TRUE(runUntil([&] { return ended(); }));
    EXPECT_EQ(events, (QStringList{"UserStop", "BurningProcessComplete"}));
    EXPECT_TRUE(lib.calls().contains(QStringLiteral("cancel")));
}

TEST_F(LibburnWriterTest, RoomCountsShortTracksPaddedToFourSecondsButNotThePregapBeforeThem)
{
    // Two one-second tracks are 150 sectors, but 300 + 300 on the disc; libburn's room
    // starts after the 150-sector pregap, so 600 sectors of room take them.
    const struct {
        qint64 roomSectors;
        bool fits;
    } cases[] = {{599, false}, {600, true}, {740, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.roomSectors);
        lib.roomBytes = c.roomSectors * 2048;
        lib.steps = recordedSaoWrite();
        events.clear();
        addTracks({1.0, 1.0});
        const int starts = static_cast<int>(lib.calls().count(QStringLiteral("startWrite")));
        ASSERT_EQ(writer->WriteCD(), 0);
        ASSERT_TRUE(runUntil([&] { return ended(); }));
        if (c.fits) {
            EXPECT_EQ(outcome.kind, BurnOutcome::Written);
        } else {
            EXPECT_EQ(outcome.reason, BurnOutcome::TooLong);
            EXPECT_EQ(outcome.message, BurnText::tooLong(600, 599));
        }
        EXPECT_EQ(lib.calls().count(QStringLiteral("startWrite")), starts + (c.fits ? 1 : 0));
    }
}

} // namespace
