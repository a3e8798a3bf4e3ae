#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

// Where a window of outer size `outer` goes when it centres itself on a screen: centred on the
// whole screen, as the windows' designs ask, as long as it then lies inside the screen's
// available area. A window that fits that area is kept inside it; on an axis where it is
// larger than the area it starts at the area's edge, so its title bar and menus stay in reach.
// The centred offset is cut to whole pixels (the windows' way) or rounded (the small dialogs').
enum class Centring { Truncated, Rounded };
QPoint CentredPlacement(const QSize& outer, const QRect& screen, const QRect& available,
                        Centring centring = Centring::Truncated);
