#include "core/busylisting.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>

#include "platform/services.h"

namespace {
constexpr qint64 kBusyAfterMs = 500;
constexpr qint64 kPaintEveryMs = 100;
constexpr unsigned kTicksPerLook = 16; // the clock is read every so many entries
} // namespace

BusyListing::BusyListing() : m_start(Clocks().monotonicMs()) {}

BusyListing::~BusyListing()
{
    if (m_busy)
        QGuiApplication::restoreOverrideCursor();
}

void BusyListing::tick()
{
    if (++m_ticks % kTicksPerLook != 0)
        return;
    const qint64 now = Clocks().monotonicMs();
    if (!m_busy) {
        if (now - m_start < kBusyAfterMs)
            return;
        m_busy = true;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_lastPaint = now - kPaintEveryMs;
    }
    if (now - m_lastPaint < kPaintEveryMs)
        return;
    m_lastPaint = now;
    // Paints and other queued work; clicks and keys wait for the listing's end, and no
    // window is deleted meanwhile (deferred deletes wait for the outer event loop).
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
