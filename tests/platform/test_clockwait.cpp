// The event-pumping wait of the real clock: it sleeps until an event comes, so it must end
// on the queued report of a worker thread and at its time-out, with nothing else to wake it.
#include <QObject>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "platform/services.h"

TEST(SystemClockWait, EndsOnAWorkersQueuedReportAndAtItsTimeOut)
{
    SystemClock clock;
    QObject receiver;
    bool done = false;
    std::thread worker([&] { QMetaObject::invokeMethod(&receiver, [&] { done = true; }, Qt::QueuedConnection); });
    EXPECT_TRUE(clock.waitUntil([&] { return done; }, -1));
    worker.join();

    // Nothing happens: the wait ends by its time-out, with what the condition says.
    EXPECT_FALSE(clock.waitUntil([] { return false; }, 0));
    const qint64 t0 = clock.monotonicMs();
    EXPECT_FALSE(clock.waitUntil([] { return false; }, 2));
    EXPECT_GE(clock.monotonicMs() - t0, 2);
    int calls = 0;
    EXPECT_TRUE(clock.waitUntil([&] { return ++calls > 1; }, 2)); // true the next time it is asked
}
