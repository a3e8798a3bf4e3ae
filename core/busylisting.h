#pragma once
// A window's listing of a music folder, which may take a while with thousands of files:
// once it has run for about half a second, the wait cursor shows until it ends, and the
// program's windows are repainted every tenth of a second meanwhile so that they stay
// painted. When the listing tells how far it is, that figure shows over the listing's
// window (or the window in front while that one is not shown yet). User input waits until
// the listing is over. Time is read from the clock seam.
#include <QPointer>
#include <QtGlobal>

class QLabel;
class QWidget;

class BusyListing {
public:
    // list: the control the listing fills, over which the figure shows.
    explicit BusyListing(QWidget* list = nullptr);
    ~BusyListing();
    BusyListing(const BusyListing&) = delete;
    BusyListing& operator=(const BusyListing&) = delete;

    // Once per listed entry.
    void tick();
    // While the listing waits for files being read: looks at the clock each time.
    void idle();
    // How many of the files to be read have been read.
    void setProgress(qsizetype done, qsizetype total)
    {
        m_done = done;
        m_total = total;
    }
    bool busy() const { return m_busy; }
    // The figure shown, or an empty text.
    QString figure() const;

private:
    void look();
    void showFigure();
    QPointer<QWidget> m_list;
    QPointer<QLabel> m_figure;
    qint64 m_start = 0;
    qint64 m_lastPaint = 0;
    unsigned m_ticks = 0;
    bool m_busy = false;
    qsizetype m_done = 0;
    qsizetype m_total = 0;
};
