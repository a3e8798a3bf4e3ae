#pragma once
// The outside effects that are not questions to the user: ending the program,
// the clock, the desktop "open" call and child processes. Each has a real
// implementation and can be replaced by a test.
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <mutex>
#include <condition_variable>
#include <vector>

// ---- Ending the program ----
// Thrown by the test exit seam so that the code after an "end the program" never runs.
// Deliberately not derived from std::exception: error traps must not swallow it.
struct ProgramEnded {
    int code = 0;
};

class ExitSeam {
public:
    virtual ~ExitSeam() = default;
    // Ends the program at once; never returns.
    [[noreturn]] virtual void endProgram(int code) = 0;
};
class RealExit : public ExitSeam {
public:
    [[noreturn]] void endProgram(int code) override;
};
class TestExit : public ExitSeam {
public:
    int calls = 0;
    [[noreturn]] void endProgram(int code) override;
};
ExitSeam& Exit();
void setExit(ExitSeam* e);
[[noreturn]] void EndProgram(int code = 0);

// ---- Clock ----
class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds for durations and time-outs.
    virtual qint64 monotonicMs() const = 0;
    // Wall-clock date and time.
    virtual QDateTime now() const = 0;
    // Seconds since midnight (the original runtime's Timer).
    virtual double timer() const;
    // Runs window events until done() holds or timeoutMs of this clock have passed
    // (timeoutMs < 0: no time-out). Returns done(). Does not spin the CPU: done() is
    // checked after each event, so it must turn true in an event (a worker thread reports
    // by a queued event); a wait for time alone passes the time as timeoutMs.
    virtual bool waitUntil(const std::function<bool()>& done, qint64 timeoutMs);
    // Blocks the calling worker thread until this clock reaches monotonicMs() >= t.
    // Worker threads (audio pacing) use it; never call it on the window thread.
    virtual void sleepUntilMs(qint64 t) = 0;
    // Interruptible form for workers that must also react to stop or pause: returns true
    // once monotonicMs() >= t, false as soon as woken() holds. Whoever makes woken() true
    // calls wakeSleepers() afterwards. woken() may run with the clock's lock held: it must
    // only read flags (atomics).
    // The default sleeps in slices of at most 10 ms of this clock.
    virtual bool sleepUntilMsOr(qint64 t, const std::function<bool()>& woken);
    virtual void wakeSleepers() {}
    // Runs fn once on context's thread after ms of this clock has passed (a job's pause or
    // poll, which must never wait in a loop). Nothing runs when context is gone by then.
    virtual void singleShot(qint64 ms, QObject* context, std::function<void()> fn);
};

class SystemClock : public Clock {
public:
    qint64 monotonicMs() const override;
    QDateTime now() const override;
    void sleepUntilMs(qint64 t) override;
    bool sleepUntilMsOr(qint64 t, const std::function<bool()>& woken) override;
    void wakeSleepers() override;

private:
    std::mutex m_sleepMutex;
    std::condition_variable m_sleepCv;
};

// A clock that moves only when told. waitUntil() advances it by autoStepMs per
// round of event processing (0 = never), so time-outs can be tested without sleeping.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 1, 15), QTime(12, 0, 0)));
    qint64 monotonicMs() const override;
    QDateTime now() const override;
    bool waitUntil(const std::function<bool()>& done, qint64 timeoutMs) override;
    void sleepUntilMs(qint64 t) override;
    bool sleepUntilMsOr(qint64 t, const std::function<bool()>& woken) override;
    void wakeSleepers() override;
    void advance(qint64 ms);
    void setAutoStep(qint64 ms) { m_autoStep = ms; }
    // Fires once advance() reaches its time; with an auto step the time passes as the
    // event loop turns, so it fires from the event queue.
    void singleShot(qint64 ms, QObject* context, std::function<void()> fn) override;

private:
    struct Pending {
        qint64 due;
        QPointer<QObject> context;
        std::function<void()> fn;
    };
    void fireDue();
    std::vector<Pending> m_timers;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    qint64 m_ms = 0;
    QDateTime m_start;
    qint64 m_autoStep = 0;
};

Clock& Clocks();
void setClock(Clock* c);

// ---- Desktop "open with the associated program" ----
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};
class RealDesktop : public Desktop {
public:
    bool openUrl(const QUrl& url) override;
};
class RecordingDesktop : public Desktop {
public:
    std::vector<QUrl> opened;
    bool result = true;
    bool openUrl(const QUrl& url) override
    {
        opened.push_back(url);
        return result;
    }
};
Desktop& DesktopSeam();
void setDesktop(Desktop* d);

// ---- Child processes ----
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts a program that outlives us (no waiting, no shell). false when it could not start.
    virtual bool startDetached(const QString& program, const QStringList& args, const QString& workDir) = 0;
};
class RealProcessLauncher : public ProcessLauncher {
public:
    bool startDetached(const QString& program, const QStringList& args, const QString& workDir) override;
};
class RecordingProcessLauncher : public ProcessLauncher {
public:
    struct Start {
        QString program;
        QStringList args;
        QString workDir;
    };
    std::vector<Start> started;
    bool result = true;
    bool startDetached(const QString& program, const QStringList& args, const QString& workDir) override
    {
        started.push_back({program, args, workDir});
        return result;
    }
};
ProcessLauncher& Processes();
void setProcesses(ProcessLauncher* p);

