#pragma once
#include <QString>

// Linux names are case-sensitive; the program's names (built from titles and catalogue
// data) were not. These helpers find a file or folder in a folder ignoring letter case.

// The existing entry of folder whose name equals name ignoring case (exact match preferred),
// as a full path; empty when there is none. Hidden entries count.
QString findIgnoringCase(const QString& folder, const QString& name);
// A full path ("a/b/c.txt") resolved component by component ignoring case; empty when missing.
QString resolveIgnoringCase(const QString& path);
bool existsIgnoringCase(const QString& path);

// A key for comparing names ignoring letter case: two texts are equal by
// QString::compare(..., Qt::CaseInsensitive) exactly when their keys are equal. Each
// character is replaced by its simple case folding; a text that needs no change is returned
// as it is (shared, not copied).
QString caseFoldKey(const QString& text);
