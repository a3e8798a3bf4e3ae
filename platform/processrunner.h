#pragma once
// Child processes that the program waits for (the MP3 encoder): start a program with an
// argument list (no shell, no window), ask whether it has finished and with which exit
// code, end it. Tests install a fake runner whose processes finish when told.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // Whether the process has ended (normally, by a crash or by Kill).
    virtual bool Finished() const = 0;
    // The exit code once finished; -1 while running or after a crash.
    virtual int ExitCode() const = 0;
    // true when the process ended by a signal (crash or Kill) rather than by exiting.
    virtual bool Crashed() const = 0;
    // Ends the process at once. Nothing when it has already ended.
    virtual void Kill() = 0;
};

class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    // Starts program with args; nullptr when it cannot be started (missing, not executable).
    // The process's state is updated as window events run; the returned object ends the
    // process when it is destroyed.
    virtual std::unique_ptr<ChildProcess> start(const QString& program, const QStringList& args) = 0;
};

class RealProcessRunner : public ProcessRunner {
public:
    std::unique_ptr<ChildProcess> start(const QString& program, const QStringList& args) override;
};

// A runner for tests: records every start; its processes run until the test finishes them.
class FakeProcessRunner : public ProcessRunner {
public:
    struct Process : ChildProcess {
        QString program;
        QStringList args;
        bool finished = false;
        bool crashed = false;
        bool killed = false;
        int exitCode = -1;
        bool Finished() const override { return finished; }
        int ExitCode() const override { return finished && !crashed ? exitCode : -1; }
        bool Crashed() const override { return crashed; }
        void Kill() override
        {
            if (finished)
                return;
            killed = finished = crashed = true;
        }
        // Ends the process as if it exited with code.
        void finish(int code)
        {
            finished = true;
            exitCode = code;
        }
    };

    // Every process started, in order (they stay alive here after their owner lets go).
    std::vector<std::shared_ptr<Process>> started;
    // When false, start fails (nullptr) as for a missing program.
    bool canStart = true;
    // Runs right after each start (for example to finish the process at once or write its output).
    std::function<void(Process&)> onStart;

    std::unique_ptr<ChildProcess> start(const QString& program, const QStringList& args) override;
};

ProcessRunner& Runner();
// Installs a runner (a test's fake); nullptr restores the real one.
void setRunner(ProcessRunner* r);
