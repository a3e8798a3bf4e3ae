#pragma once
// Helpers the two converter windows share: listing the music folder, switching a window's
// controls off and on for a run, the search over a list, and the free-space probe.
#include <QString>
#include <QStringList>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The names of the files of folder (no folders), in name order ignoring letter case.
// An empty folder name lists nothing; AppError 76 when the folder cannot be listed.
QStringList FolderFileNames(const QString& folder);

// Disables (or enables) every control of a window that is not a caption label: buttons,
// pictures, lists, text boxes, option buttons, and every entry of the window's menus.
// Labels stay active, so their pointer handlers and menu pop-ups still respond.
void SetRunControlsEnabled(QWidget* form, bool enabled);

// The converters' search: from row 1, each row that match() accepts is scrolled into view,
// selected (other selected rows stay selected) and made the list's current row; the list
// takes the focus and the user is asked whether to search on. When the rows run out, the
// not-found message follows. Nothing happens for an empty text or an empty list.
void SearchRows(QTreeWidget* list, const QString& text,
                const std::function<bool(QTreeWidgetItem* row, const QString& text)>& match);

// Free bytes of the file system that holds folder, for the user; -1 when it cannot be measured
// (the folder is missing or its file system unknown).
qint64 FreeBytesOf(const QString& folder);
// Test seam: replaces the probe (nullptr restores the real one).
void setFreeBytesProbe(std::function<qint64(const QString&)> probe);

class FeatureForm;
// Gives a converter window the navigation button of the other converter, between the
// encoder and the playlist buttons, and lays the row out again.
void AddConverterButton(FeatureForm* form, const QString& caption, const QString& tip);
