// The writer for real drives, with libburn played by a fake that records the calls and
// answers with a drive's status sequence.
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "audiofiles.h"
#include "controls/acdwrite.h"
#include "controls/burnlibburn.h"
#include "fixture.h"
#include "pump.h"
#include "platform/cddrives.h"

namespace {

using St = LibburnCalls::DriveStatus;

class FakeLibburn : public LibburnCalls {
public:
    struct Step {
        St status;
        int track;
        int sector;
        int sectors;
    };

    // What the test sets up.
    std::vector<LibburnDriveInfo> drives;
    std::vector<Step> steps;
    DiscStatus disc = DiscBlank;
    qint64 roomBytes = 0;

    void queue(const QString& text, const char* severity)
    {
        std::lock_guard lk(m);
        messages.push_back({text, QByteArray(severity)});
    }
    size_t queued()
    {
        std::lock_guard lk(m);
        return messages.size();
    }
    QStringList calls()
    {
        std::lock_guard lk(m);
        return log;
    }
    size_t stepsLeft()
    {
        std::lock_guard lk(m);
        return steps.size() - next;
    }

    bool initialize() override { return true; }
    void clearWhitelist() override { note(QStringLiteral("clearWhitelist")); }
    bool scan(std::vector<LibburnDriveInfo>& found) override
    {
        note(QStringLiteral("scan"));
        std::unique_lock lk(m);
        scanOffWindowThread = QThread::currentThread() != qApp->thread();
        // Holds the scan until the window thread has handled an event (or a guard time).
        if (holdScan)
            windowSeen.wait_for(lk, std::chrono::seconds(20), [this] { return !holdScan; });
        found = drives;
        return true;
    }
    void releaseScan()
    {
        {
            std::lock_guard lk(m);
            holdScan = false;
        }
        windowSeen.notify_all();
    }
    bool holdScan = false;
    bool scanOffWindowThread = false;
    bool grab(const QString& address) override
    {
        note(QStringLiteral("grab ") + address);
        return true;
    }
    void release() override { note(QStringLiteral("release")); }
    DiscStatus discStatus() override { return disc; }
    int discProfile() override { return 0x09; }
    void setWriteSpeed(int kBps) override { note(QStringLiteral("speed %1").arg(kBps)); }
    qint64 availableBytes(bool) override { return roomBytes; }
    bool startWrite(const BurnJob&, BurnOutcome::Reason*, QString*) override
    {
        note(QStringLiteral("startWrite"));
        return true;
    }
    DriveStatus driveStatus(Progress& p) override
    {
        std::lock_guard lk(m);
        const Step s = next < steps.size() ? steps[next++] : Step{DriveIdle, 0, 0, 0};
        p = {s.track, s.sector, s.sectors};
        return s.status;
    }
    void cancel() override
    {
        note(QStringLiteral("cancel"));
        std::lock_guard lk(m);
        next = steps.size();
    }
    bool wroteWell() override { return true; }
    void endWrite() override { note(QStringLiteral("endWrite")); }
    bool nextMessage(Message& msg) override
    {
        std::lock_guard lk(m);
        if (messages.empty())
            return false;
        msg = messages.front();
        messages.pop_front();
        return true;
    }
    void setSignalHandling(bool writing) override { note(writing ? QStringLiteral("signals on") : QStringLiteral("signals off")); }
    bool signalled() override { return false; }
    void endAfterSignal() override {}

private:
    void note(const QString& what)
    {
        std::lock_guard lk(m);
        log << what;
    }
    std::mutex m;
    std::condition_variable windowSeen;
    QStringList log;
    std::deque<Message> messages;
    size_t next = 0;
};

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

    FakeLibburn lib;
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

TEST_F(LibburnWriterTest, RoomCountsTheFirstPregapAndShortTracksPaddedToFourSeconds)
{
    // Two one-second tracks are 150 sectors, but 150 + 300 + 300 on the disc.
    lib.roomBytes = 740LL * 2048;
    lib.steps = recordedSaoWrite();
    addTracks({1.0, 1.0});
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(runUntil([&] { return ended(); }));
    EXPECT_EQ(outcome.reason, BurnOutcome::TooLong);
    EXPECT_EQ(outcome.message, BurnText::tooLong(750, 740));
    EXPECT_FALSE(lib.calls().contains(QStringLiteral("startWrite")));
}

} // namespace
