#include "shell/listsearch.h"

#include <QTreeWidget>

#include "platform/prompt.h"

void SearchRows(QTreeWidget* list, const QString& text,
                const std::function<bool(QTreeWidgetItem* row, const QString& text)>& match)
{
    if (text.isEmpty() || list->topLevelItemCount() == 0)
        return;
    const QString quoted = QStringLiteral("\"") + text + QStringLiteral("\"");
    const bool single = list->selectionMode() == QAbstractItemView::SingleSelection;
    int start = 0;
    while (start < list->topLevelItemCount()) {
        int found = -1;
        for (int i = start; i < list->topLevelItemCount(); ++i)
            if (match(list->topLevelItem(i), text)) {
                found = i;
                break;
            }
        if (found < 0)
            break;
        QTreeWidgetItem* row = list->topLevelItem(found);
        list->scrollToItem(row);
        if (single)
            list->setCurrentItem(row);
        else
            list->setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
        row->setSelected(true);
        list->setFocus();
        start = found + 1;
        if (MsgBox(quoted + QStringLiteral(" found. Search for Next Match?"), Mb::YesNo) != Mb::Yes)
            return;
    }
    MsgBox(quoted + QStringLiteral(" not found."), Mb::OKOnly);
}

bool TitleArtistOrAlbumHolds(QTreeWidgetItem* row, const QString& text)
{
    return row->text(0).contains(text, Qt::CaseInsensitive) || row->text(1).contains(text, Qt::CaseInsensitive) ||
           row->text(3).contains(text, Qt::CaseInsensitive);
}
