#pragma once
// Whether new files can be made in a folder. Every run that writes files into the music
// folder (conversions, the burner's temporary WAV files) asks here before it starts, so a
// test can stand in for a read-only or unreachable folder.
#include <QString>
#include <functional>

// True when a file can be created in folder (tried with a temporary file that is removed
// at once); false for a missing, read-only or unreachable folder.
bool CanWriteInFolder(const QString& folder);
// Test seam: replaces the probe (nullptr restores the real one).
void setFolderWriteProbe(std::function<bool(const QString&)> probe);
