#pragma once
// Free space of the file system that holds a folder. Every room check before writing WAV or
// MP3 files (rip, conversion, the burner's temporary WAVs) asks here, so a test can stand in
// for the disk.
#include <QString>
#include <functional>

// Free bytes of the file system that holds folder, for the user; -1 when it cannot be measured
// (no folder given, the folder is missing or its file system unknown).
qint64 FreeBytesOf(const QString& folder);
// Test seam: replaces the probe (nullptr restores the real one).
void setFreeBytesProbe(std::function<qint64(const QString&)> probe);
