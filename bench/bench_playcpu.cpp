// Playback CPU: the MP3 control playing a 3-minute MP3 through PulseAudio against the
// mpg123 program (`mpg123 -o pulse`) playing the same file on the same sink, in one run.
// A private sound server with a null sink is started for the run, so nothing is heard
// and the machine's own sound setup is left alone.
//
// Needs the `pulseaudio` and `mpg123` programs (bench-only; not part of the build's
// packages) and `lame` for the test file. Missing programs are named and the bench ends.
//
// Environment: BENCH_SECONDS (default 30) seconds of each play; BENCH_LOAD (default 0)
// busy processes started for the whole run to measure on a loaded machine; BENCH_RECORD
// (seconds) also plays a counter signal through the device output while recording the
// null sink's monitor with `parec`, and reports gaps, lost samples and a cut end.
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

// Plays the file with mpg123 for `seconds` and returns the CPU seconds it used.
double mpg123Cpu(const QString& mp3, int seconds)
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
    runEvents(seconds * 1000);
    kill(pid, SIGTERM);
    int status = 0;
    rusage r{};
    wait4(pid, &status, 0, &r);
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

// Plays the file with the MP3 control for `seconds` and returns the CPU seconds the
// process used meanwhile (decoder, audio output, sound-server client, events).
double controlCpu(const QString& mp3, int seconds, int* frameEvents)
{
    Mp3Play p;
    int events = 0;
    QObject::connect(&p, &Mp3Play::ActFrame, [&](int32_t) { ++events; });
    if (p.Open(mp3, QString()) != 0)
        return -1;
    const double before = selfCpu();
    const std::map<QString, double> threadsBefore = threadCpu();
    p.Play();
    runEvents(seconds * 1000);
    for (const auto& [name, cpu] : threadCpu()) {
        const auto it = threadsBefore.find(name);
        const double used = cpu - (it == threadsBefore.end() ? 0.0 : it->second);
        if (used > 0)
            std::printf("    thread %-16s %.3f s\n", qPrintable(name), used);
    }
    p.Stop();
    const double used = selfCpu() - before;
    p.Close();
    *frameEvents = events;
    return used;
}

// Plays a counter signal (each stereo sample one more than the last, never 0) through
// the device output while the null sink's monitor is recorded, and reports the gaps
// (runs of silence inside the signal), the jumps (lost samples) and whether the signal's
// last sample was heard (the drain did not cut the end).
void recordCounter(int seconds)
{
    QProcess rec;
    rec.start(QStringLiteral("parec"), {QStringLiteral("-d"), QStringLiteral("benchnull.monitor"),
                                        QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                                        QStringLiteral("--channels=2"), QStringLiteral("--raw"),
                                        QStringLiteral("--latency-msec=50")});
    if (!rec.waitForStarted(5000)) {
        std::printf("  recording: parec did not start\n");
        return;
    }
    runEvents(500);
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
    runEvents(500);
    rec.terminate();
    rec.waitForFinished(5000);
    const QByteArray raw = rec.readAllStandardOutput();
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
    const char* needed[] = {"pulseaudio", "mpg123", "lame"};
    bool missing = false;
    for (const char* n : needed)
        if (!have(n)) {
            std::printf("bench_playcpu: the program \"%s\" is not installed; this bench needs it (bench-only).\n", n);
            missing = true;
        }
    if (missing)
        return 0;

    QTemporaryDir dir;
    const QString runtime = dir.path() + QStringLiteral("/run");
    QDir().mkpath(runtime);
    const QString socket = runtime + QStringLiteral("/native");
    const QString script = dir.path() + QStringLiteral("/null.pa");
    {
        QFile f(script);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("load-module module-null-sink sink_name=benchnull\n"
                "set-default-sink benchnull\n"
                "load-module module-native-protocol-unix auth-anonymous=1 socket=" +
                QFile::encodeName(socket) + "\n");
    }
    // The private server and everything this run plays use it alone.
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("HOME", QFile::encodeName(dir.path()));
    qputenv("PULSE_RUNTIME_PATH", QFile::encodeName(runtime));
    qputenv("PULSE_STATE_PATH", QFile::encodeName(dir.path()));
    QProcess server;
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.setStandardOutputFile(QProcess::nullDevice());
    server.start(QStringLiteral("pulseaudio"),
                 {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                  QStringLiteral("--disallow-exit"), QStringLiteral("--log-level=0"), QStringLiteral("-F"), script});
    if (!server.waitForStarted(5000)) {
        std::printf("bench_playcpu: the sound server did not start\n");
        return 1;
    }
    for (int i = 0; i < 100 && !QFileInfo::exists(socket); ++i)
        QThread::msleep(50);

    QCoreApplication app(argc, argv);
    const int seconds = qEnvironmentVariableIsSet("BENCH_SECONDS") ? qEnvironmentVariableIntValue("BENCH_SECONDS") : 30;
    const int load = qEnvironmentVariableIntValue("BENCH_LOAD");

    const QString mp3 = dir.path() + QStringLiteral("/song.mp3");
    if (!testaudio::makeMp3(mp3, 44100, 2, 180.0, 128)) {
        std::printf("bench_playcpu: could not make the test MP3\n");
        return 1;
    }
    if (!makeDeviceAudioSink()) {
        std::printf("bench_playcpu: Qt finds no audio output on the private sound server\n");
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

    int events = 0;
    const double theirs = mpg123Cpu(mp3, seconds);
    const double ours = controlCpu(mp3, seconds, &events);
    if (qEnvironmentVariableIsSet("BENCH_RECORD") && have("parec"))
        recordCounter(qEnvironmentVariableIntValue("BENCH_RECORD"));
    for (const pid_t pid : busy) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    server.terminate();
    server.waitForFinished(5000);

    std::printf("playback of %d s, %d busy processes\n", seconds, load);
    std::printf("  mpg123 -o pulse : %.3f s CPU (%.2f %% of a core)\n", theirs, 100.0 * theirs / seconds);
    std::printf("  MP3 control     : %.3f s CPU (%.2f %% of a core), %d position events\n", ours,
                100.0 * ours / seconds, events);
    std::printf("  ratio           : %.2f\n", theirs > 0 ? ours / theirs : 0.0);
    return 0;
}
