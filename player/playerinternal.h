#pragma once
// Helpers shared by the player window's source files.
#include <QString>

#include "platform/controls.h"

namespace playerinternal {
extern const QString kModule;

// Moves a control to left, top (twips), keeping its size.
void moveTw(QWidget* w, int left, int top);
// Row index (1-based) of a list; throws AppError 5 when there is none.
ListItem* row(const ListView* lv, int index);
// The selected row of a list; throws AppError 91 when none is selected.
ListItem* selected(const ListView* lv);
bool sameText(const QString& a, const QString& b);

// A row of the player's lists (they sort ignoring letter case: see makeList).
using RowItem = ListItem;
} // namespace playerinternal
