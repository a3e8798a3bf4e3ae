#pragma once
// Whether a run may write its files into a folder, asked before the run starts.
#include <QString>

// True when a file can be created in folder (made first when missing); the test file is
// removed again.
bool FolderTakesFiles(const QString& folder);
// What the user is told when it cannot: the folder named, and what to do.
QString CannotWriteFolderText(const QString& folder);
