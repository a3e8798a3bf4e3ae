#pragma once
// Helpers shared by the player window's source files.
#include <QString>
#include <QTreeWidgetItem>

#include "platform/controls.h"

namespace playerinternal {
extern const QString kModule;

// Moves a control to left, top (twips), keeping its size.
void moveTw(QWidget* w, int left, int top);
// Row index (1-based) of a list; throws AppError 5 when there is none.
QTreeWidgetItem* row(const ListView* lv, int index);
// The selected row of a list; throws AppError 91 when none is selected.
QTreeWidgetItem* selected(const ListView* lv);
bool sameText(const QString& a, const QString& b);

// A list row that sorts by the text of the sort column, ignoring letter case.
class RowItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override;
};
} // namespace playerinternal
