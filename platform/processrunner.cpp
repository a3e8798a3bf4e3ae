#include "platform/processrunner.h"

#include <QProcess>

namespace {
ProcessRunner* g_runner = nullptr;

class RealChild : public ChildProcess {
public:
    ~RealChild() override
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }
    bool start(const QString& program, const QStringList& args)
    {
        // Output is not read; let it go nowhere so the child never blocks on a full pipe.
        m_proc.setStandardOutputFile(QProcess::nullDevice());
        m_proc.setStandardErrorFile(QProcess::nullDevice());
        m_proc.setStandardInputFile(QProcess::nullDevice());
        m_proc.start(program, args);
        return m_proc.waitForStarted(10000);
    }
    bool Finished() const override { return m_proc.state() == QProcess::NotRunning; }
    int ExitCode() const override
    {
        if (!Finished() || m_proc.exitStatus() == QProcess::CrashExit)
            return -1;
        return m_proc.exitCode();
    }
    bool Crashed() const override { return Finished() && m_proc.exitStatus() == QProcess::CrashExit; }
    void Kill() override
    {
        if (m_proc.state() == QProcess::NotRunning)
            return;
        m_proc.kill();
        m_proc.waitForFinished(5000);
    }

private:
    QProcess m_proc;
};

// Hands out a fake process that the runner keeps alive too, so tests can look at it later.
class SharedChild : public ChildProcess {
public:
    explicit SharedChild(std::shared_ptr<FakeProcessRunner::Process> p) : m_p(std::move(p)) {}
    bool Finished() const override { return m_p->Finished(); }
    int ExitCode() const override { return m_p->ExitCode(); }
    bool Crashed() const override { return m_p->Crashed(); }
    void Kill() override { m_p->Kill(); }

private:
    std::shared_ptr<FakeProcessRunner::Process> m_p;
};
} // namespace

std::unique_ptr<ChildProcess> RealProcessRunner::start(const QString& program, const QStringList& args)
{
    auto child = std::make_unique<RealChild>();
    if (!child->start(program, args))
        return nullptr;
    return child;
}

std::unique_ptr<ChildProcess> FakeProcessRunner::start(const QString& program, const QStringList& args)
{
    if (!canStart)
        return nullptr;
    auto p = std::make_shared<Process>();
    p->program = program;
    p->args = args;
    started.push_back(p);
    if (onStart)
        onStart(*p);
    return std::make_unique<SharedChild>(p);
}

ProcessRunner& Runner()
{
    static RealProcessRunner real;
    return g_runner ? *g_runner : real;
}

void setRunner(ProcessRunner* r) { g_runner = r; }
