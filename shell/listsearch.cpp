#include "shell/listsearch.h"

#include <QStringMatcher>

#include "platform/controls.h"
#include "platform/prompt.h"

void SearchRows(ListView* list, const QString& text,
                const std::function<bool(ListItem* row, const QString& text)>& match)
{
    if (text.isEmpty() || list->topLevelItemCount() == 0)
        return;
    const QString quoted = QStringLiteral("\"") + text + QStringLiteral("\"");
    const bool single = list->selectionMode() == QAbstractItemView::SingleSelection;
    int start = 0;
    while (start < list->topLevelItemCount()) {
        const int found = list->findRow(start, [&](ListItem* row) { return match(row, text); });
        if (found < 0)
            break;
        ListItem* row = list->topLevelItem(found);
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

bool TitleArtistOrAlbumHolds(ListItem* row, const QString& text)
{
    // A search tests every row with the same text: its matcher is made once (window thread only).
    static QStringMatcher matcher;
    if (matcher.pattern() != text || matcher.caseSensitivity() != Qt::CaseInsensitive) {
        matcher.setCaseSensitivity(Qt::CaseInsensitive);
        matcher.setPattern(text);
    }
    for (int column : {0, 1, 3})
        if (matcher.indexIn(row->text(column)) >= 0)
            return true;
    return false;
}
