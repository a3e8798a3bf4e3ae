#pragma once
// Runs window events until a condition holds, for tests that wait on worker threads or
// sockets. The limit is real time and only guards against a hang: no test waits for time
// to pass.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

// Runs window events until done() holds; false once limitMs have passed without it.
// Sleeps between events; a short tick re-checks flags that worker threads set without
// posting an event.
inline bool pumpUntil(const std::function<bool()>& done, int limitMs = 20000)
{
    const QDeadlineTimer limit(limitMs);
    QTimer tick;
    tick.start(1);
    while (!done()) {
        if (limit.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}
