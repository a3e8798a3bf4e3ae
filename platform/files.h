#pragma once
#include <QString>
#include <QStringList>

// Linux names are case-sensitive; the program's names (built from titles and catalogue
// data) were not. These helpers find a file or folder in a folder ignoring letter case.

// The existing entry of folder whose name equals name ignoring case (exact match preferred),
// as a full path; empty when there is none. Hidden entries count.
QString findIgnoringCase(const QString& folder, const QString& name);
// The names of the files of a folder (no hidden ones, no folders) in the order QDir lists them
// by name ignoring letter case, names equal but for letter case in name order. Only the names
// are held while they are sorted, so a folder of many thousand files lists in little memory.
QStringList FileNamesByName(const QString& folder);
// A full path ("a/b/c.txt") resolved component by component ignoring case; empty when missing.
QString resolveIgnoringCase(const QString& path);
bool existsIgnoringCase(const QString& path);

// A key for comparing names ignoring letter case: two texts are equal by
// QString::compare(..., Qt::CaseInsensitive) exactly when their keys are equal. Each
// character is replaced by its simple case folding; a text that needs no change is returned
// as it is (shared, not copied).
QString caseFoldKey(const QString& text);
