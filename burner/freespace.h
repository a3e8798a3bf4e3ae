#pragma once
// Free space of the file system that holds a folder: the burner's room check for the
// temporary WAV files goes through here so that a test can stand in for the disk.
#include <QString>
#include <functional>
#include <optional>

namespace BurnerDisk {
// Bytes a program may still write on the file system of folder; nothing when the folder
// does not exist or its file system cannot be measured.
std::optional<qint64> freeBytes(const QString& folder);
// Test injection: answers freeBytes in place of the disk; an empty function restores it.
void setFreeBytesHook(std::function<std::optional<qint64>(const QString&)> hook);
} // namespace BurnerDisk
