// Sound through a real (private) PulseAudio daemon with a null sink, on the real clock: what
// reaches the sink, when a song ends, a server that dies and comes back, a server that hangs.
// The daemon is started by each test and must start: these tests fail without it.
#include "audiofiles.h"
#include "discimage.h"
#include "pulsedaemon.h"
#include "pump.h"

#include "controls/audiosink.h"
#include "controls/mci.h"
#include "controls/mp3play.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr double kSongSeconds = 10.0;

// One player of a song: the MP3 control, or the CD device on a disc image.
class Player {
public:
    virtual ~Player() = default;
    virtual void play() = 0;
    virtual bool ended() = 0;
    virtual qint64 positionMs() = 0;
    virtual void stop() = 0;
};

class Mp3Player : public Player {
public:
    explicit Mp3Player(const QString& dir, double seconds)
    {
        const QString mp3 = dir + QStringLiteral("/song.mp3");
        ok = testaudio::makeMp3(mp3, 44100, 2, seconds, 128) && m_play.Open(mp3, QString()) == 0;
        QObject::connect(&m_play, &Mp3Play::ThreadEnded, [this] { m_ended = true; });
        QObject::connect(&m_play, &Mp3Play::ActFrame, [this](int32_t f) { m_frame = f; });
    }
    ~Mp3Player() override { m_play.Close(); }
    void play() override { m_play.Play(); }
    bool ended() override { return m_ended; }
    qint64 positionMs() override { return qint64(m_frame * 1152 * 1000 / 44100); }
    void stop() override { m_play.Stop(); }
    bool ok = false;

private:
    Mp3Play m_play;
    bool m_ended = false;
    int32_t m_frame = 0;
};

class CdPlayer : public Player {
public:
    CdPlayer(const QString& dir, double seconds)
    {
        DiscImage::Layout layout;
        layout.tracks.push_back({DiscImage::tonePcm(int(seconds * 75), 1)});
        const QString cue = DiscImage::write(dir, QStringLiteral("disc"), layout);
        ok = !cue.isEmpty() && ask("open " + cue + " type cdaudio alias cd wait shareable") == "1";
        ask("set cd time format milliseconds");
    }
    ~CdPlayer() override { ask("close cd"); }
    void play() override { ask("play cd"); }
    bool ended() override { return ask("status cd mode") == "stopped"; }
    qint64 positionMs() override { return ask("status cd position").toLongLong(); }
    void stop() override { ask("stop cd"); }
    bool ok = false;

private:
    static QString ask(const QString& command)
    {
        QString reply;
        MciInterpreter().command(command, reply);
        return reply;
    }
};

using MakePlayer = std::function<std::unique_ptr<Player>(const QString& dir, double seconds)>;
struct Kind {
    const char* what;
    MakePlayer make;
};
const Kind kKinds[] = {
    {"an MP3 through the MP3 control",
     [](const QString& d, double s) {
         auto p = std::make_unique<Mp3Player>(d, s);
         return p->ok ? std::unique_ptr<Player>(std::move(p)) : nullptr;
     }},
    {"a CD range from a disc image",
     [](const QString& d, double s) {
         auto p = std::make_unique<CdPlayer>(d, s);
         return p->ok ? std::unique_ptr<Player>(std::move(p)) : nullptr;
     }},
};

// Runs events until done() or ms have passed on the real clock.
bool runFor(qint64 ms, const std::function<bool()>& done = [] { return false; })
{
    QElapsedTimer t;
    t.start();
    return pumpUntil([&] { return done() || t.elapsed() >= ms; }, int(ms) + 1000) && done();
}

class RealSound : public ::testing::Test {
protected:
    void SetUp() override
    {
        setAudioSinkFactory(nullptr); // the program's own output: the machine's server
        ASSERT_TRUE(daemon.started()) << "the private sound server did not start:\n" << daemon.log().toStdString();
    }
    void TearDown() override { setAudioSinkFactory(nullptr); }
    QTemporaryDir dir;
    PulseDaemon daemon;
};

// A whole song is heard on a plain server (one null sink, recorded at the recorder's default
// latency), and its end is told when its sound ends, not before and not long after. The end
// is counted on the recording (an idle null sink may hold a new stream back for a second or
// two, so the Play alone does not tell it); a recorder at its default latency delivers in
// large pieces, and its timeline may run a few hundred ms from the real one: hence the margin.
TEST_F(RealSound, AWholeSongIsHeardAndEndsWithItsSound)
{
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.what);
        auto player = k.make(dir.path(), kSongSeconds);
        ASSERT_TRUE(player);
        SinkRecorder rec;
        ASSERT_TRUE(rec.start());
        rec.take(); // the recording counts from the Play
        QElapsedTimer t;
        t.start();
        player->play();
        ASSERT_TRUE(runFor(30000, [&] { return player->ended(); }));
        const double endedAt = double(t.elapsed()) / 1000.0;
        runFor(2500); // the recorder's own delay
        const SinkRecorder::Heard heard = SinkRecorder::heard(rec.stop());
        EXPECT_GE(heard.seconds, kSongSeconds - 0.5);
        const double trueEnd = heard.last + 0.01;
        EXPECT_GE(endedAt, trueEnd - 0.1) << "the end came before the sound ended";
        EXPECT_LE(endedAt, trueEnd + 1.0);
        player->stop();
    }
}

// The server dies 3 s into a song and is back 3 s later: the time runs on meanwhile, and the
// rest of the song is heard again within 5 s, without a new Play.
TEST_F(RealSound, SoundComesBackWhenTheServerReturns)
{
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.what);
        auto player = k.make(dir.path(), 20.0);
        ASSERT_TRUE(player);
        player->play();
        runFor(3000);
        daemon.kill();
        const qint64 killedAtMs = player->positionMs();
        runFor(3000);
        EXPECT_GE(player->positionMs() - killedAtMs, 2000) << "the time stood still without a server";
        ASSERT_TRUE(daemon.start()) << daemon.log().toStdString();
        QElapsedTimer back;
        back.start();
        SinkRecorder rec;
        ASSERT_TRUE(rec.start());
        rec.take();
        const double recordingFrom = double(back.elapsed()) / 1000.0;
        runFor(7500); // the recorder delivers in pieces of up to 2 s
        const SinkRecorder::Heard heard = SinkRecorder::heard(rec.stop());
        ASSERT_GE(heard.first, 0.0) << "no sound since the server's return";
        EXPECT_LE(recordingFrom + heard.first, 5.0);
        player->stop();
    }
}

// A write of any size is taken whole, however small the format makes the server's buffer,
// and a write that ends inside a frame is carried on by the next.
TEST_F(RealSound, AWriteOfAnySizeIsPlayed)
{
    for (const auto& [rate, channels] : {std::pair{8000, 1}, std::pair{22050, 2}}) {
        SCOPED_TRACE(rate);
        std::vector<qint16> pcm(size_t(rate * channels * 2));
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = qint16(8000 * std::sin(2 * M_PI * 440.0 * double(i / size_t(channels)) / rate));
        const char* data = reinterpret_cast<const char*>(pcm.data());
        const qint64 bytes = qint64(pcm.size() * 2);
        SinkRecorder rec;
        ASSERT_TRUE(rec.start());
        auto sink = makeAudioSink();
        ASSERT_TRUE(sink->start(rate, channels));
        std::atomic<qint64> taken{0};
        std::atomic<bool> done{false};
        std::thread writer([&] {
            taken = sink->write(data, 3);
            taken += sink->write(data + 3, bytes - 3);
            sink->drain();
            done = true;
        });
        EXPECT_TRUE(runFor(15000, [&] { return done.load(); }));
        writer.join();
        EXPECT_EQ(taken.load(), bytes);
        runFor(2500); // the recorder's own delay
        EXPECT_GE(SinkRecorder::heard(rec.stop()).seconds, 1.9);
    }
}

// A server that hangs (stopped, its socket still there) costs the window thread next to
// nothing: Play, the time display and Stop return at once.
TEST_F(RealSound, AHungServerDoesNotHoldUpTheWindow)
{
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.what);
        auto player = k.make(dir.path(), kSongSeconds);
        ASSERT_TRUE(player);
        daemon.hang(true);
        QElapsedTimer t;
        for (const auto& [what, call] : std::initializer_list<std::pair<const char*, std::function<void()>>>{
                 {"play", [&] { player->play(); }},
                 {"time", [&] { player->positionMs(); }},
                 {"stop", [&] { player->stop(); }},
                 {"play again", [&] { player->play(); }},
                 {"stop again", [&] { player->stop(); }}}) {
            t.start();
            call();
            EXPECT_LE(t.elapsed(), 100) << what;
        }
        daemon.hang(false);
    }
}

} // namespace
