#include "core/busylisting.h"

#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>

#include "platform/forms.h"
#include "platform/services.h"

namespace {
constexpr qint64 kBusyAfterMs = 500;
constexpr qint64 kPaintEveryMs = 100;
constexpr unsigned kTicksPerLook = 16; // the clock is read every so many entries
} // namespace

BusyListing::BusyListing(QWidget* list) : m_list(list), m_start(Clocks().monotonicMs()) {}

BusyListing::~BusyListing()
{
    delete m_figure.data();
    if (m_busy)
        QGuiApplication::restoreOverrideCursor();
}

void BusyListing::tick()
{
    if (++m_ticks % kTicksPerLook != 0)
        return;
    look();
}

void BusyListing::idle() { look(); }

void BusyListing::look()
{
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
    showFigure();
    // Paints and other queued work; clicks and keys wait for the listing's end, and no
    // window is deleted meanwhile (this is a nested loop).
    DoEvents(QEventLoop::ExcludeUserInputEvents);
}

QString BusyListing::figure() const
{
    if (!m_busy || m_total <= 0)
        return {};
    const QLocale c(QLocale::English, QLocale::UnitedStates); // thousands grouped with ","
    return QStringLiteral("Reading song files: %1 of %2").arg(c.toString(m_done), c.toString(m_total));
}

void BusyListing::showFigure()
{
    const QString text = figure();
    if (text.isEmpty())
        return;
    if (!m_figure) {
        // Over the list where it can be seen; else over its window (a window may grow to
        // show its list only when the listing is done); else over the window in front.
        QWidget* host = nullptr;
        if (m_list && m_list->isVisible())
            host = m_list->visibleRegion().isEmpty() ? m_list->window() : m_list.data();
        if (!host)
            if (Form* front = Forms::foreground(); front && front->isVisible())
                host = front;
        if (!host)
            return;
        m_figure = new QLabel(host);
        m_figure->setObjectName(QStringLiteral("listingFigure"));
        m_figure->setAutoFillBackground(true);
        m_figure->setFrameShape(QFrame::Box);
        m_figure->setMargin(6);
        m_figure->setAlignment(Qt::AlignCenter);
    }
    m_figure->setText(text);
    m_figure->adjustSize();
    const QWidget* host = m_figure->parentWidget();
    m_figure->move((host->width() - m_figure->width()) / 2, (host->height() - m_figure->height()) / 2);
    m_figure->raise();
    m_figure->show();
}
