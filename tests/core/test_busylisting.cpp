#include "fixture.h"

#include "core/busylisting.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>

namespace {

class BusyListingTest : public AppFixture {
protected:
    static void ticks(BusyListing& b, int n = 64)
    {
        for (int i = 0; i < n; ++i)
            b.tick();
    }
    static bool waitCursor()
    {
        return QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
    }
};

// A quick listing leaves the cursor and the event queue alone; one past half a second shows
// the wait cursor, lets queued work (paints) run, and puts the cursor back at its end.
TEST_F(BusyListingTest, WaitCursorAndPaintsOnlyOnceTheListingRunsLong)
{
    bool ran = false;
    QMetaObject::invokeMethod(qApp, [&] { ran = true; }, Qt::QueuedConnection);
    {
        BusyListing busy;
        ticks(busy);
        clock.advance(499);
        ticks(busy);
        EXPECT_FALSE(busy.busy());
        EXPECT_FALSE(waitCursor());
        EXPECT_FALSE(ran);
        clock.advance(1);
        ticks(busy);
        EXPECT_TRUE(busy.busy());
        EXPECT_TRUE(waitCursor());
        EXPECT_TRUE(ran);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Once busy, how far the reading is shows over the list, and goes with the listing's end.
TEST_F(BusyListingTest, TheFigureShowsOverTheListOnceTheListingRunsLong)
{
    QWidget list;
    list.resize(400, 300);
    list.show();
    const auto figure = [&] { return list.findChild<QLabel*>(QStringLiteral("listingFigure")); };
    {
        BusyListing busy(&list);
        busy.setProgress(5, 10);
        busy.idle();
        EXPECT_TRUE(busy.figure().isEmpty());
        EXPECT_EQ(figure(), nullptr);
        clock.advance(500);
        busy.idle();
        ASSERT_NE(figure(), nullptr);
        EXPECT_TRUE(figure()->isVisible());
        EXPECT_EQ(figure()->text(), QStringLiteral("Reading song files: 5 of 10"));
        busy.setProgress(1234, 50000);
        clock.advance(99);
        busy.idle(); // painted a moment ago
        EXPECT_EQ(figure()->text(), QStringLiteral("Reading song files: 5 of 10"));
        clock.advance(1);
        busy.idle();
        EXPECT_EQ(figure()->text(), QStringLiteral("Reading song files: 1,234 of 50,000"));
    }
    EXPECT_EQ(figure(), nullptr);
}

// Run from a handler, as listings are: a window unloaded meanwhile (deleted later) is still
// there until the handler has returned.
TEST_F(BusyListingTest, NothingIsDeletedUnderTheListingsHandler)
{
    QEventLoop loop;
    auto* window = new QObject;
    QPointer<QObject> watched(window);
    bool aliveDuringListing = false;
    QTimer::singleShot(0, [&] {
        BusyListing busy;
        window->deleteLater();
        clock.advance(1000);
        ticks(busy, 256);
        aliveDuringListing = !watched.isNull() && busy.busy();
        loop.quit();
    });
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(aliveDuringListing);
    EXPECT_TRUE(watched.isNull());
}

} // namespace
