#include "tonefixture.h"
#include "fixture.h"

#include "controls/audiosink.h"
#include "controls/mp3play.h"
#include "platform/errors.h"
#include "controls/wavcheck.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <cmath>
#include <mpg123.h>
#include <taglib/id3v2header.h>
#include <thread>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <vector>

using namespace testaudio;

namespace {

// Records a control's events.
struct Events {
    std::vector<int32_t> frames;
    int ended = 0;
    void watch(Mp3Play& p)
    {
        QObject::connect(&p, &Mp3Play::ActFrame, [this](int32_t f) { frames.push_back(f); });
        QObject::connect(&p, &Mp3Play::ThreadEnded, [this] { ++ended; });
    }
    int32_t last() const { return frames.empty() ? 0 : frames.back(); }
    bool increasing() const
    {
        for (size_t i = 1; i < frames.size(); ++i)
            if (frames[i] <= frames[i - 1])
                return false;
        return true;
    }
};

// Delivers whatever the window thread has queued so far.
void flushEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// The fixture's audio output is the null output, paced by the manual clock.
using Mp3PlayTest = ToneMp3Fixture;

TEST_F(Mp3PlayTest, OpenReportsLengthFramesAndBitRate)
{
    Mp3Play p;
    ASSERT_EQ(p.Open(song, QString()), 0);
    EXPECT_NEAR(p.LengthMs(), 5000, 30);
    EXPECT_NEAR(p.MsPerFrame(), 26.122, 0.001);
    EXPECT_NEAR(p.FrameCount(), 5000 / 26.122, 3);
    EXPECT_EQ(p.BitRate(), 128000);
    EXPECT_FALSE(p.HasTag());
    EXPECT_EQ(p.AudioBytes(), QFileInfo(song).size());
}

// Frames and length in ms found by libmpg123 reading the whole file.
std::pair<int32_t, int32_t> fullScan(const QString& path)
{
    mpg123_init();
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    long rate = 0;
    int channels = 0, enc = 0;
    std::pair<int32_t, int32_t> r{-1, -1};
    if (mpg123_open(h, QFile::encodeName(path).constData()) == MPG123_OK &&
        mpg123_getformat(h, &rate, &channels, &enc) == MPG123_OK && mpg123_scan(h) == MPG123_OK)
        r = {int32_t(mpg123_framelength(h)), int32_t(qint64(mpg123_length(h)) * 1000 / rate)};
    mpg123_delete(h);
    return r;
}

bool lame(const QString& wav, const QString& mp3, const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("lame"), QStringList{QStringLiteral("--quiet")} + args + QStringList{wav, mp3});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Open reads the length from the start of the stream only; it must be what reading the
// whole file finds: with and without the encoder's info frame, at a variable bit rate
// with its header, at a low rate, and with tags before and after the audio.
TEST_F(Mp3PlayTest, OpenFindsTheLengthAWholeFileScanFinds)
{
    struct Case {
        const char* name;
        int rate, channels;
        QStringList args;
    };
    const QStringList tags{QStringLiteral("--ta"), QStringLiteral("Some Artist"), QStringLiteral("--add-id3v2")};
    const std::vector<Case> cases{
        {"cbr-info", 44100, 2, {QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("--cbr")}},
        {"cbr-bare", 44100, 2, {QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("--cbr"), QStringLiteral("-t")}},
        {"cbr-bare-tagged", 44100, 2,
         QStringList{QStringLiteral("-b"), QStringLiteral("192"), QStringLiteral("--cbr"), QStringLiteral("-t")} + tags},
        {"vbr-xing-tagged", 44100, 2, QStringList{QStringLiteral("-V"), QStringLiteral("4")} + tags},
        {"low-rate-bare", 22050, 1, {QStringLiteral("-b"), QStringLiteral("32"), QStringLiteral("--cbr"), QStringLiteral("-t")}},
        {"low-rate-info", 22050, 1, {QStringLiteral("-b"), QStringLiteral("64"), QStringLiteral("--cbr")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString wav = homeDir() + c.name + QStringLiteral(".wav");
        const QString mp3 = homeDir() + c.name + QStringLiteral(".mp3");
        ASSERT_TRUE(writeWav(wav, c.rate, c.channels, 7.3));
        ASSERT_TRUE(lame(wav, mp3, c.args));
        const auto [frames, lengthMs] = fullScan(mp3);
        Mp3Play p;
        ASSERT_EQ(p.Open(mp3, QString()), 0);
        EXPECT_EQ(p.FrameCount(), frames);
        EXPECT_EQ(p.LengthMs(), lengthMs);
    }
}

// A variable-rate stream without a header frame: Open can only reckon its frames from the
// first frame's bit rate; the run counts them before its first frame event, so that the
// progress ends at FrameCount.
TEST_F(Mp3PlayTest, AHeaderlessVariableRateStreamIsCountedBeforeItsRun)
{
    const QString wav = homeDir() + QStringLiteral("src.wav");
    const QString mp3 = homeDir() + QStringLiteral("vbr.mp3");
    ASSERT_TRUE(writeWav(wav, 44100, 2, 6.0));
    ASSERT_TRUE(lame(wav, mp3, {QStringLiteral("-V"), QStringLiteral("0"), QStringLiteral("-t")}));
    const auto [frames, lengthMs] = fullScan(mp3);
    Mp3Play p;
    Events ev;
    ev.watch(p);
    ASSERT_EQ(p.Open(mp3, homeDir() + QStringLiteral("out.wav")), 0);
    p.Play();
    ASSERT_TRUE(pumpUntil([&] { return ev.ended > 0; }));
    EXPECT_EQ(p.FrameCount(), frames);
    EXPECT_EQ(p.LengthMs(), lengthMs);
    EXPECT_TRUE(ev.increasing());
    EXPECT_EQ(ev.last(), frames);
}

// A header frame that claims more frames than the file can hold (0xFFFFFFFF on a 35 KB song)
// is not believed: the length comes from the stream itself, and a run ends on the real count.
TEST_F(Mp3PlayTest, AHeaderClaimingMoreFramesThanTheFileHoldsIsNotBelieved)
{
    struct Case {
        const char* name;
        QStringList args;
        QByteArray header;
    };
    const std::vector<Case> cases{
        {"cbr-info", {QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("--cbr")}, "Info"},
        {"vbr-xing", {QStringLiteral("-V"), QStringLiteral("4")}, "Xing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString wav = homeDir() + c.name + QStringLiteral(".wav");
        const QString mp3 = homeDir() + c.name + QStringLiteral(".mp3");
        ASSERT_TRUE(writeWav(wav, 44100, 2, 2.2));
        ASSERT_TRUE(lame(wav, mp3, c.args));
        const auto [frames, lengthMs] = fullScan(mp3);
        QByteArray bytes = readAll(mp3);
        const qsizetype at = bytes.indexOf(c.header);
        ASSERT_GE(at, 0);
        ASSERT_TRUE(bytes[at + 7] & 1) << "the header holds a frame count";
        bytes.replace(at + 8, 4, QByteArray(4, '\xFF'));
        writeAll(mp3, bytes);

        Mp3Play p;
        Events ev;
        ev.watch(p);
        ASSERT_EQ(p.Open(mp3, homeDir() + QStringLiteral("out.wav")), 0);
        // At most what the bytes hold at 32 kbit/s, the lowest rate of the stream's kind.
        EXPECT_LE(p.LengthMs(), bytes.size() * 8 / 32);
        EXPECT_LE(p.FrameCount(), bytes.size() / 104);
        p.Play();
        ASSERT_TRUE(pumpUntil([&] { return ev.ended > 0; }));
        EXPECT_EQ(p.FrameCount(), frames);
        // Without the header, the encoder's delay and padding (under two frames) count as well.
        EXPECT_NEAR(p.LengthMs(), lengthMs, 2 * p.MsPerFrame());
        EXPECT_EQ(ev.last(), frames);
    }
}

TEST_F(Mp3PlayTest, AShortVbrSongWithMegabytesOfTrailingZerosGetsARealBitRate)
{
    // A tenth of a second of VBR audio, then 32 MB of zeros: the average over the file
    // would be millions of kbit/s.
    const QString wav = homeDir() + QStringLiteral("short.wav");
    const QString vbr = homeDir() + QStringLiteral("short.mp3");
    ASSERT_TRUE(writeWav(wav, 44100, 2, 0.1));
    ASSERT_TRUE(lame(wav, vbr, {QStringLiteral("-V"), QStringLiteral("4")}));
    Mp3Play p;
    ASSERT_EQ(p.Open(vbr, QString()), 0);
    const int32_t plain = p.BitRate();
    EXPECT_GT(plain, 0);
    EXPECT_LE(plain, 320000);
    {
        QFile f(vbr);
        ASSERT_TRUE(f.open(QIODevice::Append));
        const QByteArray zeros(1024 * 1024, '\0');
        for (int i = 0; i < 32; ++i)
            ASSERT_EQ(f.write(zeros), zeros.size());
    }
    ASSERT_EQ(p.Open(vbr, QString()), 0);
    EXPECT_NEAR(p.LengthMs(), 100, 60);
    EXPECT_GT(p.BitRate(), 0);
    EXPECT_LE(p.BitRate(), 320000);
    EXPECT_EQ(p.BitRate() % 1000, 0);
}

TEST_F(Mp3PlayTest, PlayFollowsTheClockPausesAndEndsOnce)
{
    Mp3Play p;
    Events ev;
    ev.watch(p);
    ASSERT_EQ(p.Open(song, QString()), 0);
    const double ms = p.MsPerFrame();
    p.Play();
    flushEvents();
    EXPECT_EQ(ev.ended, 0);

    clock.advance(1000);
    ASSERT_TRUE(pumpUntil([&] { return ev.last() * ms >= 1000 - 2 * ms; }));
    EXPECT_LE(ev.last() * ms, 1000);

    p.Pause();
    const int32_t held = ev.last();
    clock.advance(2000); // paused: the position holds
    p.Pause();           // resume
    clock.advance(500);
    ASSERT_TRUE(pumpUntil([&] { return ev.last() * ms >= 1500 - 2 * ms; }));
    EXPECT_GE(ev.last(), held);
    EXPECT_LE(ev.last() * ms, 1500) << "time spent paused must not count";

    clock.advance(10000);
    ASSERT_TRUE(pumpUntil([&] { return ev.ended > 0; }));
    EXPECT_EQ(ev.ended, 1);
    EXPECT_TRUE(ev.increasing());
    EXPECT_EQ(ev.last(), p.FrameCount());
    flushEvents();
    EXPECT_EQ(ev.ended, 1);
    EXPECT_FALSE(p.IsRunning());
}

TEST_F(Mp3PlayTest, StopDuringPlayGivesOneEventAfterStopReturns)
{
    Mp3Play p;
    Events ev;
    int framesAfterStop = -1;
    ev.watch(p);
    ASSERT_EQ(p.Open(song, QString()), 0);
    p.Play();
    clock.advance(500);
    ASSERT_TRUE(pumpUntil([&] { return ev.last() > 5; }));
    p.Stop();
    EXPECT_EQ(ev.ended, 0) << "ThreadEnded must not be raised inside Stop";
    framesAfterStop = static_cast<int>(ev.frames.size());
    ASSERT_TRUE(pumpUntil([&] { return ev.ended > 0; }));
    clock.advance(10000);
    flushEvents();
    EXPECT_EQ(ev.ended, 1);
    EXPECT_EQ(static_cast<int>(ev.frames.size()), framesAfterStop) << "no frames of a stopped run";

    // A stop of the open, idle file raises one more; after Close nothing does.
    p.Stop();
    flushEvents();
    EXPECT_EQ(ev.ended, 2);
    p.Close();
    p.Stop();
    p.Play();
    flushEvents();
    EXPECT_EQ(ev.ended, 2);
}

TEST_F(Mp3PlayTest, StopThenCloseStillDeliversTheEvent)
{
    // The converter's abort: Stop, Close, then ThreadEnded.
    Mp3Play p;
    Events ev;
    ev.watch(p);
    ASSERT_EQ(p.Open(song, QString()), 0);
    p.Play();
    p.Stop();
    p.Close();
    EXPECT_EQ(ev.ended, 0);
    flushEvents();
    EXPECT_EQ(ev.ended, 1);
}

TEST_F(Mp3PlayTest, OpenWhilePlayingReplacesTheSongSilently)
{
    Mp3Play p;
    Events ev;
    ev.watch(p);
    ASSERT_EQ(p.Open(song, QString()), 0);
    p.Play();
    clock.advance(300);
    ASSERT_TRUE(pumpUntil([&] { return ev.last() > 3; }));
    ASSERT_EQ(p.Open(song, QString()), 0);
    p.Play();
    clock.advance(20000);
    ASSERT_TRUE(pumpUntil([&] { return ev.ended > 0; }));
    flushEvents();
    EXPECT_EQ(ev.ended, 1);
}

TEST_F(Mp3PlayTest, DecodesLowRateMonoToCdFormatWav)
{
    const QString mono = homeDir() + QStringLiteral("mono.mp3");
    ASSERT_TRUE(makeMp3(mono, 22050, 1, 3.0, 32, {QStringLiteral("-m"), QStringLiteral("m")}));
    const QString wav = homeDir() + QStringLiteral("mono.wav");
    Mp3Play p;
    Events ev;
    ev.watch(p);
    ASSERT_EQ(p.Open(mono, wav), 0);
    EXPECT_EQ(p.BitRate(), 32000);
    p.Play(); // decoding is not paced by the clock
    ASSERT_TRUE(pumpUntil([&] { return ev.ended > 0; }));
    EXPECT_EQ(ev.ended, 1);
    EXPECT_TRUE(ev.increasing());
    EXPECT_EQ(ev.last(), p.FrameCount());
    const WavInfo w = wavInfo(wav);
    EXPECT_EQ(w.rate, 44100);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    // Without gapless information in so small frames the encoder's delay and padding stay in.
    EXPECT_NEAR(double(w.frames) / 44100.0, 3.0, 0.07);
    EXPECT_NEAR(double(w.frames) / 44.1, p.LengthMs(), 1.0);
    p.Close();
    EXPECT_TRUE(CheckWAVFormat(wav));
    const std::vector<short> s = wavSamples(wav);
    double energy = 0;
    bool same = true;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        energy += double(s[i]) * s[i];
        same = same && s[i] == s[i + 1];
    }
    EXPECT_TRUE(same) << "mono is spread over both channels";
    EXPECT_GT(energy / double(s.size() / 2), 1e6) << "the tone is there";
}

TEST_F(Mp3PlayTest, DecodeChainsFromThreadEnded)
{
    // Close, Open and Play from inside ThreadEnded, as the converter and burner do.
    const QString wav1 = homeDir() + QStringLiteral("a.wav"), wav2 = homeDir() + QStringLiteral("b.wav");
    Mp3Play p;
    int ended = 0;
    QObject::connect(&p, &Mp3Play::ThreadEnded, [&] {
        ++ended;
        p.Close();
        if (ended == 1) {
            ASSERT_EQ(p.Open(song, wav2), 0);
            p.Play();
        }
    });
    ASSERT_EQ(p.Open(song, wav1), 0);
    p.Play();
    ASSERT_TRUE(pumpUntil([&] { return ended >= 2; }));
    flushEvents();
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(wavSamples(wav1), wavSamples(wav2));
    EXPECT_NEAR(wavInfo(wav1).frames, 5 * 44100, 1500);
}

TEST_F(Mp3PlayTest, StopWhileDecodingLeavesAClosedPartialWav)
{
    const QString wav = homeDir() + QStringLiteral("part.wav");
    Mp3Play p;
    Events ev;
    ev.watch(p);
    ASSERT_EQ(p.Open(song, wav), 0);
    // Some sound is written: the first frame event pauses and stops, before any later event of
    // the run is delivered (on a busy machine the whole file may be decoded by then, its end
    // queued behind that frame).
    bool stopped = false;
    QObject::connect(&p, &Mp3Play::ActFrame, &p, [&] {
        if (stopped)
            return;
        stopped = true;
        p.Pause(); // paused decoding holds the worker until Stop
        p.Stop();
    });
    p.Play();
    ASSERT_TRUE(pumpUntil([&] { return stopped; }));
    p.Close();
    flushEvents();
    EXPECT_EQ(ev.ended, 1);
    EXPECT_TRUE(CheckWAVFormat(wav)) << "the partial file is still a valid WAV";
}

TEST_F(Mp3PlayTest, BadFilesFailToOpenWithoutEvents)
{
    const QString dir = homeDir();
    writeAll(dir + "text.mp3", QByteArray("This is not an MP3 file at all.\r\n").repeated(200));
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator gen(1234);
    for (char& c : noise)
        c = static_cast<char>(gen.bounded(256));
    writeAll(dir + "noise.mp3", noise);
    writeAll(dir + "cut.mp3", readAll(song).left(300));
    writeAll(dir + "empty.mp3", QByteArray());
    writeAll(dir + "tagonly.mp3", QByteArray("ID3\x03\0\0\0\0\0\x10", 10) + QByteArray(16, '\0'));
    const QStringList bad{"text.mp3", "noise.mp3", "cut.mp3", "empty.mp3", "tagonly.mp3", "missing.mp3"};
    for (const QString& name : bad) {
        SCOPED_TRACE(name.toStdString());
        Mp3Play p;
        Events ev;
        ev.watch(p);
        EXPECT_NE(p.Open(dir + name, QString()), 0);
        EXPECT_FALSE(p.IsOpen());
        p.Play();
        p.Stop();
        flushEvents();
        EXPECT_EQ(ev.ended, 0);
        EXPECT_TRUE(ev.frames.empty());
        EXPECT_EQ(p.FrameCount(), 0);
    }
}

TEST_F(Mp3PlayTest, TagsRoundTripAndGenreNames)
{
    Mp3Play p;
    EXPECT_EQ(p.GenreName(0), "Blues");
    EXPECT_EQ(p.GenreName(17), "Rock");
    EXPECT_EQ(p.GenreName(255), "");
    EXPECT_THROW(p.WriteTag(), AppError) << "no file opened yet";

    ASSERT_EQ(p.Open(song, QString()), 0);
    p.Close();
    p.SetTagTitle(QStringLiteral("Tone"));
    p.SetTagArtist(QStringLiteral("Sine Wave Quartet"));
    p.SetTagAlbum(QStringLiteral("Tests"));
    p.SetTagComment(QStringLiteral("[Time=0:05]"));
    p.SetTagGenre(17);
    p.WriteTag(); // into the file opened last, after Close

    ASSERT_EQ(p.Open(song, QString()), 0);
    EXPECT_TRUE(p.HasTag());
    EXPECT_EQ(p.TagArtist(), "Sine Wave Quartet");
    EXPECT_EQ(p.TagAlbum(), "Tests");
    EXPECT_EQ(p.TagComment(), "[Time=0:05]");
    EXPECT_EQ(p.TagGenre(), 17);
    EXPECT_LT(p.AudioBytes(), QFileInfo(song).size());
    p.Close();

    TagLib::MPEG::File f(QFile::encodeName(song).constData());
    ASSERT_TRUE(f.hasID3v1Tag());
    ASSERT_TRUE(f.hasID3v2Tag());
    EXPECT_EQ(f.ID3v2Tag()->header()->majorVersion(), 3u);
    EXPECT_EQ(f.ID3v1Tag()->genreNumber(), 17u);
    EXPECT_EQ(f.ID3v2Tag()->genre(), TagLib::String("Rock"));
    EXPECT_EQ(f.ID3v1Tag()->title(), f.ID3v2Tag()->title());
}

// ---- audio outputs ----

TEST_F(Mp3PlayTest, NullOutputFollowsTheClockAndPauses)
{
    auto sink = makeNullAudioSink();
    ASSERT_TRUE(sink->start(44100, 2));
    std::vector<char> second(44100 * 4);
    qint64 accepted = -1;
    std::thread writer([&] { accepted = sink->write(second.data(), qint64(second.size())); });
    EXPECT_EQ(sink->playedUs(), 0);
    clock.advance(400);
    while (sink->playedUs() < 400000) // until the writer thread has written
        std::this_thread::yield();
    EXPECT_EQ(sink->playedUs(), 400000);
    sink->pause(true);
    clock.advance(300);
    EXPECT_EQ(sink->playedUs(), 400000);
    sink->pause(false);
    clock.advance(100);
    EXPECT_EQ(sink->playedUs(), 500000);
    sink->stop(); // unblocks the writer, which is waiting for the clock
    writer.join();
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(sink->playedUs(), 500000);
}

TEST_F(Mp3PlayTest, NullOutputWriteReturnsWhenTheClockReachesItsEnd)
{
    auto sink = makeNullAudioSink();
    ASSERT_TRUE(sink->start(44100, 2));
    std::vector<char> tenth(4410 * 4);
    std::thread writer([&] {
        for (int i = 0; i < 3; ++i)
            sink->write(tenth.data(), qint64(tenth.size()));
    });
    clock.advance(300);
    writer.join(); // all three writes end once the clock is at 300 ms
    EXPECT_EQ(sink->playedUs(), 300000);
    clock.advance(1000); // nothing more written: the position stays at the end of the audio
    EXPECT_EQ(sink->playedUs(), 300000);
}

} // namespace

namespace {

TEST_F(Mp3PlayTest, DefaultOutputStartsWithOrWithoutADevice)
{
    setAudioSinkFactory(nullptr); // the program's own choice: device when present, else null
    auto sink = makeAudioSink();
    ASSERT_TRUE(sink);
    ASSERT_TRUE(sink->start(44100, 2));
    std::vector<char> tenth(4410 * 4);
    std::thread writer([&] { sink->write(tenth.data(), qint64(tenth.size())); });
    sink->stop(); // releases the writer whether it waits for the clock or the device
    writer.join();
    EXPECT_EQ(sink->write(tenth.data(), 4), 0) << "stopped";
}

} // namespace
