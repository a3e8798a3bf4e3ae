#include "pulsedaemon.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <algorithm>
#include <csignal>
#include <cstdlib>

namespace {
QString socketOf(const QTemporaryDir& dir) { return dir.path() + QStringLiteral("/run/native"); }
} // namespace

PulseDaemon::PulseDaemon()
{
    m_hadServer = qEnvironmentVariableIsSet("PULSE_SERVER");
    m_oldServer = qgetenv("PULSE_SERVER");
    QDir().mkpath(m_dir.path() + QStringLiteral("/run"));
    QFile::setPermissions(m_dir.path() + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    {
        QFile script(m_dir.path() + QStringLiteral("/null.pa"));
        if (script.open(QIODevice::WriteOnly))
            script.write("load-module module-null-sink sink_name=" + sink().toUtf8() + " rate=44100\n"
                         "set-default-sink " + sink().toUtf8() + "\n"
                         "load-module module-native-protocol-unix auth-anonymous=1 socket=" +
                         QFile::encodeName(socketOf(m_dir)) + "\n");
    }
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socketOf(m_dir)));
    start();
}

PulseDaemon::~PulseDaemon()
{
    hang(false);
    kill();
    if (m_hadServer)
        qputenv("PULSE_SERVER", m_oldServer);
    else
        qunsetenv("PULSE_SERVER");
}

bool PulseDaemon::start()
{
    kill();
    // The daemon's own environment: everything of it lies in the temporary folder.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString run = m_dir.path() + QStringLiteral("/run");
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), run);
    env.insert(QStringLiteral("PULSE_STATE_PATH"), m_dir.path() + QStringLiteral("/state"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(m_dir.path() + QStringLiteral("/log"), QIODevice::Append);
    p.setStandardErrorFile(m_dir.path() + QStringLiteral("/log"), QIODevice::Append);
    // -D returns once the daemon has loaded its script and listens. Run as root (CI), it
    // warns and goes on. It leaves on its own a minute after its last client, should the
    // test end without stopping it.
    p.start(QStringLiteral("pulseaudio"),
            {QStringLiteral("-n"), QStringLiteral("-D"), QStringLiteral("--use-pid-file=yes"),
             QStringLiteral("--exit-idle-time=60"), QStringLiteral("--disallow-module-loading=no"),
             QStringLiteral("--log-target=stderr"), QStringLiteral("--log-level=error"),
             QStringLiteral("-F"), m_dir.path() + QStringLiteral("/null.pa")});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    // The pid file is read and removed, so a daemon started again never takes it for a live one.
    QFile pidFile(run + QStringLiteral("/pid"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return false;
    m_pid = pidFile.readAll().trimmed().toLongLong();
    pidFile.remove();
    return m_pid > 0;
}

void PulseDaemon::kill()
{
    if (m_pid > 0)
        ::kill(pid_t(m_pid), SIGKILL);
    m_pid = 0;
}

void PulseDaemon::hang(bool hung)
{
    if (m_pid > 0)
        ::kill(pid_t(m_pid), hung ? SIGSTOP : SIGCONT);
}

QString PulseDaemon::log() const
{
    QFile f(m_dir.path() + QStringLiteral("/log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

bool SinkRecorder::start()
{
    m_parec.start(QStringLiteral("parec"), {QStringLiteral("-d"), PulseDaemon::sink() + QStringLiteral(".monitor"),
                                            QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                                            QStringLiteral("--rate=44100"), QStringLiteral("--channels=2")});
    // Recording has begun once the first (silent) audio arrives.
    return m_parec.waitForStarted(10000) && m_parec.waitForReadyRead(10000);
}

QByteArray SinkRecorder::take()
{
    m_parec.waitForReadyRead(0);
    return m_parec.readAllStandardOutput();
}

QByteArray SinkRecorder::stop()
{
    m_parec.terminate();
    m_parec.waitForFinished(10000);
    return m_parec.readAllStandardOutput();
}

SinkRecorder::Heard SinkRecorder::heard(const QByteArray& pcm)
{
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    const qsizetype samples = pcm.size() / 2;
    constexpr qsizetype kBlock = 441 * 2; // 10 ms of stereo
    constexpr int kLevel = 1000;
    Heard h;
    int blocks = 0;
    for (qsizetype b = 0; b + kBlock <= samples; b += kBlock) {
        int peak = 0;
        for (qsizetype i = b; i < b + kBlock; ++i)
            peak = std::max(peak, std::abs(int(s[i])));
        if (peak > kLevel) {
            ++blocks;
            h.last = double(b / kBlock) / 100.0;
            if (h.first < 0)
                h.first = h.last;
        }
    }
    h.seconds = blocks / 100.0;
    return h;
}
