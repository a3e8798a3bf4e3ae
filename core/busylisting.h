#pragma once
// A window's listing of a music folder, which may take a while with thousands of files:
// once it has run for about half a second, the wait cursor shows until it ends, and the
// program's windows are repainted every tenth of a second meanwhile so that they stay
// painted. User input waits until the listing is over. Time is read from the clock seam.
#include <QtGlobal>

class BusyListing {
public:
    BusyListing();
    ~BusyListing();
    BusyListing(const BusyListing&) = delete;
    BusyListing& operator=(const BusyListing&) = delete;

    // Once per listed entry.
    void tick();
    bool busy() const { return m_busy; }

private:
    qint64 m_start = 0;
    qint64 m_lastPaint = 0;
    unsigned m_ticks = 0;
    bool m_busy = false;
};
