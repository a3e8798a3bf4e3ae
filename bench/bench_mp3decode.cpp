// Decoding an MP3 into a WAV file through the MP3 control, against plain libmpg123
// decoding of the same file into memory, in the same run. The closing line gives the
// ratio of the two (the control's overhead is the part above 1.00).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <cstdio>
#include <algorithm>
#include <mpg123.h>
#include <vector>

#include "../tests/support/audiofiles.h"
#include "controls/mp3play.h"

namespace {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// Two minutes of a stereo tone at 128 kbit/s, 44,100 Hz.
const QString& songFile()
{
    static const QString path = [] {
        const QString p = workDir().path() + QStringLiteral("/song.mp3");
        if (!testaudio::makeMp3(p, 44100, 2, 120.0, 128))
            std::fprintf(stderr, "could not make the test MP3 (is lame installed?)\n");
        return p;
    }();
    return path;
}

// Plain libmpg123: decode the whole file to 44,100 Hz stereo 16-bit samples in memory.
int64_t plainDecode(const QByteArray& path, std::vector<unsigned char>& buf)
{
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open(h, path.constData());
    size_t done = 0;
    int64_t total = 0;
    int r = MPG123_OK;
    do {
        r = mpg123_read(h, buf.data(), buf.size(), &done);
        total += static_cast<int64_t>(done);
    } while (r == MPG123_OK || r == MPG123_NEW_FORMAT);
    mpg123_close(h);
    mpg123_delete(h);
    return total;
}

// The control: Open, Play into a WAV file, wait for ThreadEnded, Close.
void controlDecode(Mp3Play& p, QEventLoop& loop, const QString& mp3, const QString& wav)
{
    p.Open(mp3, wav);
    p.Play();
    loop.exec(); // until ThreadEnded
    p.Close();
}

// The WAV goes to the temporary folder unless WAVOUT names another file (a RAM disk, /dev/null).
QString wavFile()
{
    const QString out = qEnvironmentVariable("WAVOUT");
    return out.isEmpty() ? workDir().path() + QStringLiteral("/song.wav") : out;
}

void BM_PlainMpg123Decode(benchmark::State& state)
{
    mpg123_init();
    const QByteArray path = QFile::encodeName(songFile());
    std::vector<unsigned char> buf(64 * 4608);
    for (auto _ : state)
        benchmark::DoNotOptimize(plainDecode(path, buf));
}
BENCHMARK(BM_PlainMpg123Decode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Mp3PlayDecodeToWav(benchmark::State& state)
{
    Mp3Play p;
    QEventLoop loop;
    QObject::connect(&p, &Mp3Play::ThreadEnded, &loop, &QEventLoop::quit);
    for (auto _ : state)
        controlDecode(p, loop, songFile(), wavFile());
}
BENCHMARK(BM_Mp3PlayDecodeToWav)->Unit(benchmark::kMillisecond)->UseRealTime();
// The control's Open alone (scan for length and frames, tag read), part of the above.
void BM_Mp3PlayOpen(benchmark::State& state)
{
    const QString mp3 = songFile();
    Mp3Play p;
    for (auto _ : state) {
        benchmark::DoNotOptimize(p.Open(mp3, QString()));
        p.Close();
    }
}
BENCHMARK(BM_Mp3PlayOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    songFile();
    benchmark::RunSpecifiedBenchmarks();

    // The two in turns, so that a busy machine weighs on both alike; the fastest
    // round of each counts.
    const QByteArray path = QFile::encodeName(songFile());
    std::vector<unsigned char> buf(64 * 4608);
    Mp3Play p;
    QEventLoop loop;
    QObject::connect(&p, &Mp3Play::ThreadEnded, &loop, &QEventLoop::quit);
    double bestPlain = 1e18, bestControl = 1e18;
    for (int round = 0; round < 15; ++round) {
        QElapsedTimer t;
        t.start();
        benchmark::DoNotOptimize(plainDecode(path, buf));
        bestPlain = std::min(bestPlain, t.nsecsElapsed() / 1e6);
        t.restart();
        controlDecode(p, loop, songFile(), wavFile());
        bestControl = std::min(bestControl, t.nsecsElapsed() / 1e6);
    }
    std::printf("fastest of 15 rounds: plain decode %.1f ms, decode to WAV through the control %.1f ms, ratio %.3f\n",
                bestPlain, bestControl, bestControl / bestPlain);
    benchmark::Shutdown();
    return 0;
}
