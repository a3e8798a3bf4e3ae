#include "platform/childprocess.h"

#include <QProcess>

namespace {
class RealChildProcess : public ChildProcess {
public:
    bool start(const QString& program, const QStringList& args) override
    {
        m_proc.setProcessChannelMode(QProcess::MergedChannels);
        m_proc.setStandardOutputFile(QProcess::nullDevice());
        m_proc.start(program, args, QIODevice::ReadOnly);
        m_started = m_proc.waitForStarted(10000);
        return m_started;
    }
    bool finished() override { return !m_started || m_proc.state() == QProcess::NotRunning; }
    int exitCode() override
    {
        if (!m_started || m_proc.state() != QProcess::NotRunning || m_proc.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_proc.exitCode();
    }
    void kill() override
    {
        if (m_started && m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(10000);
        }
    }
    bool notifyWhenFinished(std::function<void()> onEnd) override
    {
        QObject::connect(&m_proc, &QProcess::finished, &m_proc, [onEnd = std::move(onEnd)] { onEnd(); });
        return true;
    }
    ~RealChildProcess() override { kill(); }

private:
    QProcess m_proc;
    bool m_started = false;
};

class RealFactory : public ChildProcessFactory {
public:
    std::unique_ptr<ChildProcess> create() override { return std::make_unique<RealChildProcess>(); }
};

ChildProcessFactory* g_factory = nullptr;
} // namespace

ChildProcessFactory& ChildProcesses()
{
    static RealFactory real;
    return g_factory ? *g_factory : real;
}

void setChildProcesses(ChildProcessFactory* f) { g_factory = f; }
