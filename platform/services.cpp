#include "platform/services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "platform/forms.h"

namespace {
ExitSeam* g_exit = nullptr;
Clock* g_clock = nullptr;
Desktop* g_desktop = nullptr;
ProcessLauncher* g_proc = nullptr;
} // namespace

// ---- exit ----
void RealExit::endProgram(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}
void TestExit::endProgram(int code)
{
    ++calls;
    throw ProgramEnded{code};
}
ExitSeam& Exit()
{
    static RealExit real;
    return g_exit ? *g_exit : real;
}
void setExit(ExitSeam* e) { g_exit = e; }
void EndProgram(int code)
{
    Exit().endProgram(code);
    std::_Exit(code); // not reached
}

// ---- clock ----
double Clock::timer() const
{
    const QTime t = now().time();
    return t.msecsSinceStartOfDay() / 1000.0;
}

bool Clock::waitUntil(const std::function<bool()>& done, qint64 timeoutMs)
{
    NestedLoopScope nested;
    const qint64 deadline = timeoutMs < 0 ? -1 : monotonicMs() + timeoutMs;
    // Sleeps until an event arrives and checks done() after each: the flags a wait ends on
    // change in window events, and worker threads report by queued events, never by a flag
    // alone. A single-shot timer wakes the loop at the deadline. (A periodic tick would cost
    // a wake-up every few milliseconds for the whole wait; processEvents with a time limit
    // does not wait for events at all.)
    QTimer alarm;
    alarm.setSingleShot(true);
    alarm.setTimerType(Qt::PreciseTimer);
    while (!done()) {
        if (deadline >= 0) {
            const qint64 left = deadline - monotonicMs();
            if (left <= 0)
                return done();
            if (!alarm.isActive())
                alarm.start(static_cast<int>(std::min<qint64>(left, INT32_MAX)));
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    }
    return true;
}

void Clock::singleShot(qint64 ms, QObject* context, std::function<void()> fn)
{
    QTimer::singleShot(std::chrono::milliseconds(std::max<qint64>(ms, 0)), Qt::PreciseTimer, context, std::move(fn));
}

bool Clock::sleepUntilMsOr(qint64 t, const std::function<bool()>& woken)
{
    for (;;) {
        if (woken())
            return false;
        const qint64 now = monotonicMs();
        if (now >= t)
            return true;
        sleepUntilMs(std::min(t, now + 10));
    }
}

qint64 SystemClock::monotonicMs() const
{
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return t.elapsed();
}
QDateTime SystemClock::now() const { return QDateTime::currentDateTime(); }
void SystemClock::sleepUntilMs(qint64 t)
{
    const qint64 d = t - monotonicMs();
    if (d > 0)
        QThread::msleep(static_cast<unsigned long>(d));
}

bool SystemClock::sleepUntilMsOr(qint64 t, const std::function<bool()>& woken)
{
    std::unique_lock lk(m_sleepMutex);
    for (;;) {
        if (woken())
            return false;
        const qint64 d = t - monotonicMs();
        if (d <= 0)
            return true;
        m_sleepCv.wait_for(lk, std::chrono::milliseconds(d));
    }
}
void SystemClock::wakeSleepers()
{
    std::lock_guard lk(m_sleepMutex);
    m_sleepCv.notify_all();
}

ManualClock::ManualClock(QDateTime start) : m_start(std::move(start)) {}
qint64 ManualClock::monotonicMs() const
{
    std::lock_guard lk(m_mutex);
    return m_ms;
}
QDateTime ManualClock::now() const
{
    std::lock_guard lk(m_mutex);
    return m_start.addMSecs(m_ms);
}
void ManualClock::advance(qint64 ms)
{
    {
        std::lock_guard lk(m_mutex);
        m_ms += ms;
    }
    m_cv.notify_all();
    fireDue();
}
void ManualClock::singleShot(qint64 ms, QObject* context, std::function<void()> fn)
{
    if (ms <= 0) { // no time has to pass: it runs as the event loop turns
        QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
        return;
    }
    qint64 due = 0;
    {
        std::lock_guard lk(m_mutex);
        due = m_ms + std::max<qint64>(ms, 0);
        m_timers.push_back({due, context, std::move(fn)});
    }
    if (m_autoStep > 0)
        QMetaObject::invokeMethod(
            context,
            [this, due] {
                const qint64 left = due - monotonicMs();
                if (left > 0)
                    advance(left);
                else
                    fireDue();
            },
            Qt::QueuedConnection);
}
void ManualClock::fireDue()
{
    std::vector<Pending> due;
    {
        std::lock_guard lk(m_mutex);
        auto it = std::stable_partition(m_timers.begin(), m_timers.end(),
                                        [this](const Pending& p) { return p.due > m_ms; });
        due.assign(std::make_move_iterator(it), std::make_move_iterator(m_timers.end()));
        m_timers.erase(it, m_timers.end());
    }
    for (Pending& p : due)
        if (p.context)
            QMetaObject::invokeMethod(p.context, std::move(p.fn), Qt::QueuedConnection);
}
void ManualClock::sleepUntilMs(qint64 t)
{
    std::unique_lock lk(m_mutex);
    m_cv.wait(lk, [&] { return m_ms >= t; });
}
bool ManualClock::sleepUntilMsOr(qint64 t, const std::function<bool()>& woken)
{
    std::unique_lock lk(m_mutex);
    m_cv.wait(lk, [&] { return m_ms >= t || woken(); });
    return m_ms >= t;
}
void ManualClock::wakeSleepers()
{
    std::lock_guard lk(m_mutex);
    m_cv.notify_all();
}
bool ManualClock::waitUntil(const std::function<bool()>& done, qint64 timeoutMs)
{
    NestedLoopScope nested;
    const qint64 deadline = timeoutMs < 0 ? -1 : monotonicMs() + timeoutMs;
    while (!done()) {
        if (deadline >= 0 && monotonicMs() >= deadline)
            return done();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 5);
        if (m_autoStep > 0 && !done())
            advance(m_autoStep);
    }
    return true;
}
Clock& Clocks()
{
    static SystemClock real;
    return g_clock ? *g_clock : real;
}
void setClock(Clock* c) { g_clock = c; }

// ---- desktop ----
bool RealDesktop::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }
Desktop& DesktopSeam()
{
    static RealDesktop real;
    return g_desktop ? *g_desktop : real;
}
void setDesktop(Desktop* d) { g_desktop = d; }

// ---- processes ----
bool RealProcessLauncher::startDetached(const QString& program, const QStringList& args, const QString& workDir)
{
    return QProcess::startDetached(program, args, workDir);
}
ProcessLauncher& Processes()
{
    static RealProcessLauncher real;
    return g_proc ? *g_proc : real;
}
void setProcesses(ProcessLauncher* p) { g_proc = p; }

