#pragma once
// Child processes the program waits for (the MP3 encoder): start with an argument list
// (no shell, no window), poll whether it has ended and with what exit code, kill it.
// Tests replace the factory with their own processes.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // Starts program with args; false when it could not be started.
    virtual bool start(const QString& program, const QStringList& args) = 0;
    // True once the started process has ended (or was never started).
    virtual bool finished() = 0;
    // Exit code of the ended process; -1 when it crashed, was killed or never ran.
    virtual int exitCode() = 0;
    // Ends the process at once and waits until it is gone.
    virtual void kill() = 0;
    // Has onEnd called (on the thread that started the process, from its event loop) once
    // the process has ended; false when this process cannot tell, and the caller polls
    // finished() instead.
    virtual bool notifyWhenFinished(std::function<void()> onEnd)
    {
        (void)onEnd;
        return false;
    }
};

class ChildProcessFactory {
public:
    virtual ~ChildProcessFactory() = default;
    virtual std::unique_ptr<ChildProcess> create() = 0;
};

// The factory in use: a test's replacement, else the real one (QProcess).
ChildProcessFactory& ChildProcesses();
void setChildProcesses(ChildProcessFactory* f);
