// Playback: the MP3 control playing a 10-second MP3 to its end through PulseAudio against the
// mpg123 program (`mpg123 -o pulse`) playing the same file on the same sink, in one run, three
// rounds. A private sound server with a null sink is started for the run (as the tests start
// theirs), so nothing is heard and the machine's own sound setup is left alone; its monitor is
// recorded at the recorder's default latency, and the seconds of sound that reached it are
// printed beside the CPU each player used. The worst round of each is what counts.
//
// Needs the `pulseaudio`, `parec` and `mpg123` programs and `lame` for the test file. Missing
// programs are named and the bench ends.
//
// Environment: BENCH_LOAD (default 0) busy processes started for the whole run to measure on
// a loaded machine; BENCH_RECORD (seconds) also plays a counter signal through the device
// output while recording, and reports gaps, lost samples and a cut end.
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <map>
#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "../tests/support/audiofiles.h"
#include "../tests/support/pulsedaemon.h"
#include "controls/audiosink.h"
#include "controls/mp3play.h"

namespace {

double cpuSeconds(const rusage& r)
{
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

double selfCpu()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return cpuSeconds(r);
}

// Runs the events of this thread for ms milliseconds (sleeping between them).
void runEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Plays the whole file with mpg123 and returns the CPU seconds it used.
double mpg123Cpu(const QString& mp3)
{
    const QByteArray path = QFile::encodeName(mp3);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execlp("mpg123", "mpg123", "-q", "-o", "pulse", path.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Events run while it plays, so the recorder's output is read.
    int status = 0;
    rusage r{};
    while (wait4(pid, &status, WNOHANG, &r) == 0)
        runEvents(50);
    return cpuSeconds(r);
}

// CPU seconds of each thread of this process, by thread name.
std::map<QString, double> threadCpu()
{
    std::map<QString, double> out;
    const double tick = double(sysconf(_SC_CLK_TCK));
    for (const QString& tid : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = f.readAll();
        const int open = line.indexOf('('), close = line.lastIndexOf(')');
        const QList<QByteArray> fields = line.mid(close + 2).split(' ');
        if (open < 0 || close < 0 || fields.size() < 13)
            continue;
        out[QString::fromUtf8(line.mid(open + 1, close - open - 1))] += (fields[11].toDouble() + fields[12].toDouble()) / tick;
    }
    return out;
}

// Plays the whole file with the MP3 control and returns the CPU seconds the process used
// meanwhile (decoder, audio output, sound-server client, events).
double controlCpu(const QString& mp3, int* frameEvents)
{
    Mp3Play p;
    int events = 0;
    QObject::connect(&p, &Mp3Play::ActFrame, [&](int32_t) { ++events; });
    QEventLoop loop;
    QObject::connect(&p, &Mp3Play::ThreadEnded, &loop, &QEventLoop::quit);
    if (p.Open(mp3, QString()) != 0)
        return -1;
    const double before = selfCpu();
    const std::map<QString, double> threadsBefore = threadCpu();
    p.Play();
    loop.exec();
    for (const auto& [name, cpu] : threadCpu()) {
        const auto it = threadsBefore.find(name);
        const double used = cpu - (it == threadsBefore.end() ? 0.0 : it->second);
        if (used > 0.001)
            std::printf("    thread %-16s %.3f s\n", qPrintable(name), used);
    }
    p.Stop();
    const double used = selfCpu() - before;
    p.Close();
    *frameEvents = events;
    return used;
}

// Runs play() while the sink's monitor is recorded; returns the seconds of sound heard.
template <class Play> double heardWhile(Play play)
{
    SinkRecorder rec;
    if (!rec.start())
        return -1;
    play();
    runEvents(1000); // the recorder's own delay
    return SinkRecorder::heard(rec.stop()).seconds;
}

// Plays a counter signal (each stereo sample one more than the last, never 0) through
// the device output while the null sink's monitor is recorded, and reports the gaps
// (runs of silence inside the signal), the jumps (lost samples) and whether the signal's
// last sample was heard (the drain did not cut the end).
void recordCounter(int seconds)
{
    SinkRecorder rec;
    if (!rec.start()) {
        std::printf("  recording: parec did not start\n");
        return;
    }
    auto sink = makeDeviceAudioSink();
    const qint64 frames = qint64(seconds) * 44100;
    std::vector<int16_t> block(4410 * 2);
    qint64 n = 0;
    sink->start(44100, 2);
    std::thread writer([&] {
        while (n < frames) {
            for (size_t i = 0; i < block.size(); i += 2, ++n)
                block[i] = block[i + 1] = static_cast<int16_t>(n % 30000 + 1);
            sink->write(reinterpret_cast<const char*>(block.data()), qint64(block.size() * 2));
        }
        sink->drain();
    });
    while (!QThread::currentThread()->isInterruptionRequested()) {
        runEvents(100);
        if (writer.joinable() && n >= frames) {
            writer.join();
            break;
        }
    }
    const int16_t last = block[block.size() - 2];
    sink.reset();
    runEvents(1000);
    const QByteArray raw = rec.stop();
    const auto* smp = reinterpret_cast<const int16_t*>(raw.constData());
    const qint64 count = raw.size() / 4;
    qint64 first = -1, lastSeen = -1;
    for (qint64 i = 0; i < count; ++i)
        if (smp[2 * i] != 0) {
            if (first < 0)
                first = i;
            lastSeen = i;
        }
    int gaps = 0, jumps = 0;
    qint64 lost = 0;
    for (qint64 i = first + 1; first >= 0 && i <= lastSeen; ++i) {
        const int16_t prev = smp[2 * (i - 1)], cur = smp[2 * i];
        if (cur == 0 && prev != 0)
            ++gaps;
        if (cur != 0 && prev != 0 && cur != prev + 1 && !(prev == 30000 && cur == 1)) {
            ++jumps;
            lost += (cur - prev - 1 + 30000) % 30000;
        }
    }
    std::printf("  recording of %d s of counter: %lld samples heard from value %d, %d gaps, %d jumps "
                "(%lld samples lost), end %s\n",
                seconds, static_cast<long long>(first >= 0 ? lastSeen - first + 1 : 0), first >= 0 ? smp[2 * first] : 0, gaps, jumps,
                static_cast<long long>(lost),
                lastSeen >= 0 && smp[2 * lastSeen] == last ? "heard" : "cut");
}

bool have(const char* program) { return !QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty(); }

} // namespace

int main(int argc, char** argv)
{
    const char* needed[] = {"pulseaudio", "parec", "mpg123", "lame"};
    bool missing = false;
    for (const char* n : needed)
        if (!have(n)) {
            std::printf("bench_playcpu: the program \"%s\" is not installed; this bench needs it.\n", n);
            missing = true;
        }
    if (missing)
        return 0;

    QCoreApplication app(argc, argv);
    // The private server; this run and its children play on it alone.
    PulseDaemon server;
    if (!server.started()) {
        std::printf("bench_playcpu: the sound server did not start:\n%s\n", qPrintable(server.log()));
        return 1;
    }
    const int load = qEnvironmentVariableIntValue("BENCH_LOAD");
    constexpr double kSongSeconds = 10.0;

    QTemporaryDir dir;
    const QString mp3 = dir.path() + QStringLiteral("/song.mp3");
    if (!testaudio::makeMp3(mp3, 44100, 2, kSongSeconds, 128)) {
        std::printf("bench_playcpu: could not make the test MP3\n");
        return 1;
    }

    // The load runs in processes of its own, so this process's CPU count stays ours.
    std::vector<pid_t> busy;
    for (int i = 0; i < load; ++i) {
        const pid_t pid = fork();
        if (pid == 0) {
            volatile unsigned long x = 0;
            for (;;)
                x = x + 1;
        }
        busy.push_back(pid);
    }

    std::printf("playback of a %.0f-s song to its end, %d busy processes, sink recorded at the "
                "recorder's default latency\n", kSongSeconds, load);
    double worstHeard = 1e9, worstCpu = 0;
    for (int round = 1; round <= 3; ++round) {
        int events = 0;
        double theirs = 0, ours = 0;
        const double theirHeard = heardWhile([&] { theirs = mpg123Cpu(mp3); });
        const double ourHeard = heardWhile([&] { ours = controlCpu(mp3, &events); });
        std::printf("  round %d: mpg123 -o pulse heard %.2f s, %.3f s CPU; MP3 control heard %.2f s, "
                    "%.3f s CPU, %d position events\n",
                    round, theirHeard, theirs, ourHeard, ours, events);
        worstHeard = std::min(worstHeard, theirHeard > 0 ? ourHeard / theirHeard : 0.0);
        worstCpu = std::max(worstCpu, theirs > 0 ? ours / theirs : 0.0);
    }
    if (qEnvironmentVariableIsSet("BENCH_RECORD"))
        recordCounter(qEnvironmentVariableIntValue("BENCH_RECORD"));
    for (const pid_t pid : busy) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    std::printf("  worst round: heard %.3f of mpg123's, CPU %.2f times mpg123's\n", worstHeard, worstCpu);
    return 0;
}
