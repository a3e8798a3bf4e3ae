#include "playerfixture.h"

#include <QKeyEvent>

#include "cd/frmcd.h"
#include "controls/audiosink.h"
#include "fakesound.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {
class Playback : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        addFiles({QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")});
        w = &player();
        fill(*w, {{"One", "A", "0:02"}, {"Two", "B", "0:02"}, {"Three", "C", "0:02"}});
        QObject::connect(w->Mp3Play1, &Mp3Play::ThreadEnded, [this] { ++ended; });
    }
    // Lets the song playing run out and the end-of-play event run.
    bool runOut()
    {
        const int before = ended;
        clock.advance(5000);
        return pumpUntil([&] { return ended > before; });
    }
    // Runs the end-of-play event that a stop queued.
    bool settleStop(int before)
    {
        return pumpUntil([&] { return ended > before; });
    }
    int selected() const { return frmPlay::selectedIndex(w->ListView1); }
    frmPlay* w = nullptr;
    int ended = 0;
};
} // namespace

// With shuffle off the list plays from the selected row to the last and stops there;
// Next on the last row does nothing.
TEST_F(Playback, PlaysInOrderToTheLastRowAndStops)
{
    w->picPlay_Click();
    EXPECT_EQ(w->Text2->text(), QStringLiteral("One"));
    EXPECT_EQ(selected(), 1);
    EXPECT_EQ(PlayerStarted, 1);
    ASSERT_TRUE(runOut());
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Two"));
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    ASSERT_TRUE(runOut());
    EXPECT_EQ(selected(), 3);
    w->picNext_Click();
    EXPECT_EQ(w->NextPressed, 0) << "Next on the last row does nothing";
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    ASSERT_TRUE(runOut());
    EXPECT_EQ(selected(), 3);
    EXPECT_FALSE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(errorBoxes(), 0);
}

// Previous on row 1 leaves a paused song paused; Next goes ahead and ends the pause look.
TEST_F(Playback, PreviousOnRowOneKeepsThePauseNextMovesOn)
{
    w->picPlay_Click();
    w->picPause_Click();
    EXPECT_EQ(w->picPause->borderStyle(), 1);
    w->picPrev_Click();
    EXPECT_EQ(w->PreviousPressed, 0);
    EXPECT_EQ(w->picPause->borderStyle(), 1);
    const int before = ended;
    w->picNext_Click();
    EXPECT_EQ(w->picPause->borderStyle(), 0);
    ASSERT_TRUE(settleStop(before));
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Two"));
    EXPECT_EQ(w->NextPressed, 0);
    w->picPrev_Click();
    ASSERT_TRUE(settleStop(before + 1));
    EXPECT_EQ(w->Text2->text(), QStringLiteral("One"));
}

// After Stop a click on a row only notes it; Play then plays that row.
TEST_F(Playback, StopThenClickWaitsForPlay)
{
    w->picPlay_Click();
    int before = ended;
    w->picStop_Click();
    ASSERT_TRUE(settleStop(before));
    frmPlay::selectRow(w->ListView1, 2);
    before = ended;
    w->ListView1_Click();
    EXPECT_EQ(w->PlaySelectedNext, 1);
    ASSERT_TRUE(settleStop(before));
    EXPECT_FALSE(w->Mp3Play1->IsRunning());
    w->picPlay_Click();
    EXPECT_EQ(w->PlaySelectedNext, 0);
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Two"));
}

// Next pressed while stopped is carried out when the song that Play starts ends.
TEST_F(Playback, NextWhileStoppedIsDoneAfterTheNextSong)
{
    w->picPlay_Click();
    int before = ended;
    w->picStop_Click();
    ASSERT_TRUE(settleStop(before));
    before = ended;
    w->picNext_Click();
    ASSERT_TRUE(settleStop(before));
    EXPECT_EQ(w->NextPressed, 1);
    w->picPlay_Click();
    EXPECT_EQ(w->Text2->text(), QStringLiteral("One"));
    ASSERT_TRUE(runOut());
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Two"));
    EXPECT_EQ(w->NextPressed, 0);
}

// Shuffle: the first Play on an empty pool plays nothing; every pass plays each song once;
// Stop refills the pool.
TEST_F(Playback, ShufflePassesPlayEverySongOnce)
{
    w->Check1->setChecked(true);
    w->ListView5->clear();
    w->picPlay_Click();
    EXPECT_FALSE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 3);
    QStringList heard;
    w->picPlay_Click();
    heard << w->Text2->text();
    while (runOut() && w->Mp3Play1->IsRunning())
        heard << w->Text2->text();
    heard.sort();
    EXPECT_EQ(heard, (QStringList{"One", "Three", "Two"}));
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 3) << "the end of a pass refills the pool";

    w->picPlay_Click();
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 2);
    const int before = ended;
    w->picStop_Click();
    ASSERT_TRUE(settleStop(before));
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 3);
}

// Play with shuffle off and an empty list asks for the file ".mp3" and plays nothing.
TEST_F(Playback, PlayWithAnEmptyListPlaysNothing)
{
    w->sscmdClear_Click();
    w->picPlay_Click();
    EXPECT_TRUE(w->Text2->text().isEmpty());
    EXPECT_FALSE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(errorBoxes(), 0);
}

// Play stops a playing disc first.
TEST_F(Playback, PlayStopsTheCdPlayer)
{
    CDPlayState = QStringLiteral("play");
    w->picPlay_Click();
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
}

TEST_F(Playback, KeyboardCommandsAndJumps)
{
    for (int i = 4; i <= 12; ++i)
        fill(*w, {{QStringLiteral("Song %1").arg(i), "X", "1:00"}});
    auto keys = [&](const char* s) {
        for (const char* c = s; *c; ++c)
            w->Form_KeyPress(*c);
    };
    keys("12+");
    EXPECT_EQ(selected(), 12);
    EXPECT_EQ(w->PlaySelectedNext, 1);
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Song 12"));
    EXPECT_TRUE(w->JumpDigits.isEmpty());
    for (const char* nothing : {"0+", "99=", "13+"}) {
        keys(nothing);
        EXPECT_EQ(selected(), 12) << nothing;
        EXPECT_TRUE(w->JumpDigits.isEmpty());
    }
    keys("1-2+");
    EXPECT_EQ(selected(), 2);
    keys("p");
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    keys("u");
    EXPECT_EQ(w->picPause->borderStyle(), 1);
    keys("s");
    EXPECT_EQ(StoppedOnPurpose, 1);
    EXPECT_EQ(w->picPause->borderStyle(), 0);
    keys("x?");
    EXPECT_EQ(errorBoxes(), 0);
}

// Keys reach the window before the focused control, except in the search box.
TEST_F(Playback, KeyPreviewSwallowsKeysExceptInTheSearchBox)
{
    w->Show();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, QStringLiteral("5"));
    QCoreApplication::sendEvent(w->ListView1, &down);
    EXPECT_EQ(w->JumpDigits, QStringLiteral("5"));
    w->Text1->setFocus();
    QKeyEvent inBox(QEvent::KeyPress, Qt::Key_P, Qt::NoModifier, QStringLiteral("p"));
    QCoreApplication::sendEvent(w->Text1, &inBox);
    EXPECT_EQ(w->Text1->text(), QStringLiteral("p"));
    EXPECT_FALSE(w->Mp3Play1->IsRunning());
    frmPlay::selectRow(w->ListView1, 2);
    QKeyEvent arrow(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(w->ListView1, &arrow);
    EXPECT_EQ(selected(), 2) << "Up and Down leave the selection";
}

TEST_F(Playback, VolumeIsTheSliderTimesTen)
{
    w->Slider1->setValue(40);
    w->picPlay_Click();
    ASSERT_TRUE(runOut());
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Two"));
    EXPECT_EQ(errorBoxes(), 0);
}

namespace {
// Files the player cannot play: random bytes, nothing at all, or no file.
struct Unplayable {
    const char* kind;
    QByteArray bytes;
    bool present;
};
QByteArray randomBytes()
{
    QByteArray b(64 * 1024, '\0');
    quint32 x = 2463534242u;
    for (char& c : b) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return b;
}
const Unplayable kUnplayable[] = {
    {"random bytes", randomBytes(), true},
    {"empty", QByteArray(), true},
    {"missing", QByteArray(), false},
};
} // namespace

// A song that cannot be played is named (box and error log, no error box), the status line
// stops naming the song before it, and the list goes on with the next song, both at the end
// of a song and on Next.
TEST_F(Playback, AnUnplayableSongIsNamedAndSkipped)
{
    for (const Unplayable& u : kUnplayable) {
        SCOPED_TRACE(u.kind);
        QFile::remove(MusicFolder + "Two.mp3");
        if (u.present)
            writeAll(MusicFolder + "Two.mp3", u.bytes);
        for (const bool byNext : {false, true}) {
            SCOPED_TRACE(byNext);
            prompt.asked.clear();
            QFile::remove(programFile("QuilloryError.log"));
            frmPlay::selectRow(w->ListView1, 1);
            w->Text2->setText("One");
            w->picPlay_Click();
            ASSERT_TRUE(w->Mp3Play1->IsRunning());
            clock.advance(1000);
            ASSERT_TRUE(pumpUntil([&] { return w->Text3->text().startsWith("One"); }));
            if (byNext)
                w->picNext_Click();
            else
                clock.advance(5000);
            ASSERT_TRUE(pumpUntil([&] { return w->Text2->text() == "Three" && w->Mp3Play1->IsRunning(); }));
            ASSERT_EQ(prompt.asked.size(), 1u);
            EXPECT_TRUE(prompt.last().text.contains("\"Two\""));
            EXPECT_TRUE(prompt.last().text.contains(QDir::toNativeSeparators(MusicFolder + "Two.mp3")));
            EXPECT_EQ(errorBoxes(), 0);
            const QString log = QString::fromUtf8(readAll(programFile("QuilloryError.log")));
            EXPECT_TRUE(log.contains("Module Name : frmPlay")) << log.toStdString();
            EXPECT_TRUE(log.contains("Could not play \"Two\"")) << log.toStdString();
            EXPECT_FALSE(w->Text3->text().startsWith("One")) << w->Text3->text().toStdString();
            const int before = ended;
            w->picStop_Click();
            ASSERT_TRUE(settleStop(before));
        }
    }
}

// A list of nothing but unplayable files names each once and ends: nothing plays, nothing
// loops, with shuffle off and on.
TEST_F(Playback, AListOfOnlyUnplayableFilesEndsCleanly)
{
    for (const char* n : {"One", "Two", "Three"})
        writeAll(MusicFolder + n + ".mp3", kUnplayable[0].bytes);
    for (const bool shuffle : {false, true}) {
        SCOPED_TRACE(shuffle);
        prompt.asked.clear();
        w->Check1->setChecked(shuffle);
        w->reloadshuffle();
        w->Text2->clear();
        w->picPlay_Click();
        ASSERT_TRUE(pumpUntil([&] { return prompt.asked.size() >= 3; }));
        // Whatever is still queued runs out without another box.
        for (int i = 0; i < 20; ++i)
            flush();
        EXPECT_EQ(prompt.asked.size(), 3u);
        EXPECT_FALSE(w->Mp3Play1->IsRunning());
        QStringList named;
        for (const auto& r : prompt.asked)
            named << r.text.section('"', 1, 1);
        named.sort();
        EXPECT_EQ(named, (QStringList{"One", "Three", "Two"}));
        EXPECT_EQ(errorBoxes(), 0);
    }
}

namespace {
// A sound device that is pulled out after half a second: it takes and plays the first
// half second on the clock, then takes nothing more and says it is lost; its writes wait
// until it is stopped.
class PulledOutDevice : public AudioSink {
public:
    static inline std::atomic<int> stops{0};
    bool start(int sampleRate, int channels) override
    {
        std::lock_guard lk(m_mutex);
        m_bytesPerSecond = qint64(sampleRate) * channels * 2;
        m_startMs = Clocks().monotonicMs();
        m_taken = 0;
        m_stopped = false;
        return true;
    }
    qint64 write(const char*, qint64 bytes) override
    {
        std::unique_lock lk(m_mutex);
        const qint64 n = std::min(bytes, m_bytesPerSecond / 2 - m_taken);
        m_taken += n;
        if (n < bytes)
            m_cv.wait(lk, [&] { return m_stopped; });
        return n;
    }
    void pause(bool) override {}
    void stop() override
    {
        {
            std::lock_guard lk(m_mutex);
            m_stopped = true;
        }
        ++stops;
        m_cv.notify_all();
    }
    void setVolume(double) override {}
    qint64 playedUs() const override
    {
        std::lock_guard lk(m_mutex);
        return std::min((Clocks().monotonicMs() - m_startMs) * 1000, m_taken * 1000000 / m_bytesPerSecond);
    }
    bool lost() const override
    {
        std::lock_guard lk(m_mutex);
        return m_taken >= m_bytesPerSecond / 2;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    qint64 m_bytesPerSecond = 1;
    qint64 m_startMs = 0;
    qint64 m_taken = 0;
    bool m_stopped = false;
};
std::unique_ptr<AudioSink> makePulledOutDevice() { return makeGuardedAudioSink(std::make_unique<PulledOutDevice>()); }
} // namespace

// The only sound device goes away mid-song: the song goes on as the null output, ends,
// and the next one starts.
TEST_F(Playback, ALostDeviceLetsTheSongEndAndTheNextStart)
{
    setAudioSinkFactory(&makePulledOutDevice);
    PulledOutDevice::stops = 0;
    w->picPlay_Click();
    ASSERT_EQ(w->Text2->text(), QStringLiteral("One"));
    // Time moves on while the device takes nothing; the end of the song comes all the same.
    ASSERT_TRUE(pumpUntil([&] {
        clock.advance(50);
        return ended > 0;
    }));
    EXPECT_GE(PulledOutDevice::stops.load(), 1);
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Two"));
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(errorBoxes(), 0);
    w->picStop_Click();
    settleStop(ended);
}

// The guard gives an output up only when it is lost: the server went away, the device in
// use left the list or the stream failed. Another device joining the list while the
// output stalls is waited out. A write that the lost output left half done still returns
// all it was given (the rest went to the null output, or to the device found next), so a
// writer never reads it as a stop.
TEST_F(Playback, TheGuardGivesUpOnlyALostOutput)
{
    struct Case {
        const char* what;
        std::function<void(FakeSoundServer::State&)> event;
        bool givenUp;
    } cases[] = {
        {"a headset joins the list", [](auto& s) { s.devices << "Headset"; }, false},
        {"the device in use leaves the list", [](auto& s) { s.devices = QStringList{"Headset"}; }, true},
        {"the stream fails", [](auto& s) { s.streamsFail = true; }, true},
        {"the server goes away", [](auto& s) { s.up = false; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeSoundServer server;
        auto sink = makeDeviceAudioSink();
        ASSERT_TRUE(sink);
        ASSERT_TRUE(sink->start(44100, 2));
        server.change([](auto& s) { s.stalled = true; });
        std::vector<char> second(44100 * 4);
        std::atomic<qint64> taken{-1};
        std::thread writer([&] { taken = sink->write(second.data(), qint64(second.size())); });
        clock.advance(2000); // a stall alone is no reason to give up
        server.change([&](auto& s) {
            c.event(s);
            // Once given up, the guard may find the server's new device and go on there.
            s.stalled = s.stalled && !c.givenUp;
        });
        const qint64 until = clock.monotonicMs() + 5000;
        pumpUntil([&] {
            clock.advance(50);
            return taken >= 0 || clock.monotonicMs() >= until;
        });
        if (c.givenUp) {
            EXPECT_EQ(taken.load(), qint64(second.size()));
            EXPECT_GE(sink->playedUs(), 1000000);
        } else {
            EXPECT_EQ(taken.load(), -1) << "a device that only stalls is waited for";
            sink->stop();
        }
        writer.join();
        if (!c.givenUp) {
            EXPECT_EQ(taken.load(), 0);
        }
    }
}

// The sound server goes away mid-song: the output's time runs on at once (the guard looks
// a few times a second), from what the lost output had played.
TEST_F(Playback, ALostOutputsTimeRunsOnAtOnce)
{
    FakeSoundServer server;
    auto sink = makeDeviceAudioSink();
    ASSERT_TRUE(sink);
    ASSERT_TRUE(sink->start(44100, 2));
    std::atomic<bool> quit{false};
    std::thread writer([&] {
        std::vector<char> tenth(4410 * 4);
        while (!quit && sink->write(tenth.data(), qint64(tenth.size())) == qint64(tenth.size())) {
        }
    });
    auto runTo = [&](qint64 us) {
        return pumpUntil([&] {
            if (sink->playedUs() < us)
                clock.advance(10);
            return sink->playedUs() >= us;
        });
    };
    ASSERT_TRUE(runTo(500000));
    server.goAway();
    const qint64 lossMs = clock.monotonicMs();
    ASSERT_TRUE(runTo(1000000));
    EXPECT_LE(clock.monotonicMs() - lossMs, 500 + 300) << "the time froze";
    EXPECT_GT(server.received(), 0);
    quit = true;
    sink->stop();
    writer.join();
}

// The sound server goes away mid-song and comes back: the song goes on on the null output,
// the song after it starts while the server is away, and once the server is back that song
// is heard on it again (within a few seconds, without a new Play), as is the next Play.
TEST_F(Playback, SoundFollowsTheServerAwayAndBack)
{
    FakeSoundServer server;
    setAudioSinkFactory(nullptr); // the program's own choice: device when present, else null
    auto runUntil = [&](const std::function<bool()>& done) {
        return pumpUntil([&] {
            if (!done())
                clock.advance(20);
            return done();
        });
    };
    w->picPlay_Click();
    ASSERT_TRUE(runUntil([&] { return server.received() > 0; }));
    EXPECT_EQ(server.opened(), 1);

    server.goAway();
    const qint64 heard = server.received();
    ASSERT_TRUE(runUntil([&] { return w->Text2->text() == "Two"; }));
    EXPECT_EQ(server.opened(), 1) << "no server: the next song plays on the null output";
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(server.received(), heard);

    server.comeBack();
    const qint64 backMs = clock.monotonicMs();
    ASSERT_TRUE(runUntil([&] { return server.received() > heard; }));
    EXPECT_LE(clock.monotonicMs() - backMs, 2000);
    EXPECT_EQ(w->Text2->text(), QStringLiteral("Two")) << "the song that played silently is heard again";
    EXPECT_EQ(server.opened(), 2);
    ASSERT_TRUE(runUntil([&] { return w->Text2->text() == "Three"; }));
    EXPECT_EQ(server.opened(), 3);

    int stops = ended;
    w->picStop_Click();
    ASSERT_TRUE(settleStop(stops));
    w->picPlay_Click();
    EXPECT_EQ(server.opened(), 4) << "Play opens the server again";
    stops = ended;
    w->picStop_Click();
    ASSERT_TRUE(settleStop(stops));
    EXPECT_EQ(errorBoxes(), 0);
}

TEST(StatusLine, BudgetsTruncationAndTime)
{
    const QString t12 = QStringLiteral("Twelve Chars"), a12 = QStringLiteral("Artist Name!");
    const QString t27 = QStringLiteral("A Title Of Twenty-Seven Chr"), a22 = QStringLiteral("Artist Of 22 Character");
    ASSERT_EQ(t27.size(), 27);
    ASSERT_EQ(a22.size(), 22);
    struct Case {
        QString title, artist;
        double secs;
        QString expected;
    } cases[] = {
        {t12, a12, 65.4, t12 + "   " + a12 + "   1:05/3:00"},
        {t27, a22, 125, t27.left(18) + "...   " + a22.left(9) + "...   2:05/3:00"},
        {QStringLiteral("Four"), a22, 7, "Four   " + a22 + "   0:07/3:00"},
        {t12, a12, 59.6, t12 + "   " + a12 + "   0:00/3:00"},
        {t12, a12, 2.5, t12 + "   " + a12 + "   0:02/3:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frmPlay::StatusLine(c.title, c.artist, QStringLiteral("3:00"), c.secs), c.expected) << c.secs;
}
