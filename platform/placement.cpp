#include "platform/placement.h"

#include <algorithm>

namespace {
int place(int outer, int screenStart, int screenSize, int areaStart, int areaSize)
{
    if (outer > areaSize)
        return areaStart;
    const int centred = static_cast<int>(screenStart + (screenSize - outer) / 2.0);
    return std::clamp(centred, areaStart, areaStart + areaSize - outer);
}
} // namespace

QPoint CentredPlacement(const QSize& outer, const QRect& screen, const QRect& available)
{
    return QPoint(place(outer.width(), screen.x(), screen.width(), available.x(), available.width()),
                  place(outer.height(), screen.y(), screen.height(), available.y(), available.height()));
}
