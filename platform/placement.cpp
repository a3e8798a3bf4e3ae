#include "platform/placement.h"

#include <algorithm>
#include <cmath>

namespace {
int place(int outer, int screenStart, int screenSize, int areaStart, int areaSize, Centring centring)
{
    if (outer > areaSize)
        return areaStart;
    const double offset = (screenSize - outer) / 2.0;
    const int centred = screenStart + (centring == Centring::Rounded ? static_cast<int>(std::lround(offset))
                                                                     : static_cast<int>(offset));
    return std::clamp(centred, areaStart, areaStart + areaSize - outer);
}
} // namespace

QPoint CentredPlacement(const QSize& outer, const QRect& screen, const QRect& available, Centring centring)
{
    return QPoint(place(outer.width(), screen.x(), screen.width(), available.x(), available.width(), centring),
                  place(outer.height(), screen.y(), screen.height(), available.y(), available.height(), centring));
}
