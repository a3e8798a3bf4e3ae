#pragma once
// Drive types judged from the mount table: which kind of storage holds a path.
#include <QString>
#include <optional>
#include <vector>

// The drive types, numbered as the checks that use them number them.
namespace DriveType {
enum { Unknown = 0, NoRootDir = 1, Removable = 2, Fixed = 3, Remote = 4, CdRom = 5, RamDisk = 6 };
}

// One mounted file system.
struct MountEntry {
    QString mountPoint; // "/media/usb"
    QString fsType;     // "ext4", "tmpfs", "iso9660", ...
    QString source;     // "/dev/sdb1", "server:/export", ...
    bool removable = false; // the block device says it is removable
};

// Parses the text of /proc/self/mountinfo (removable flags are looked up in /sys).
std::vector<MountEntry> ParseMountInfo(const QString& text);
// The current mount table: the injected one when a test set one, else the system's.
// Empty when it cannot be read.
std::vector<MountEntry> MountTable();
// Test injection: the mount table to use (nullopt = the system's).
void SetMountTable(std::optional<std::vector<MountEntry>> table);

// Sets a mount table for the lifetime of the object (tests).
class ScopedMountTable {
public:
    explicit ScopedMountTable(std::vector<MountEntry> table) { SetMountTable(std::move(table)); }
    ~ScopedMountTable() { SetMountTable(std::nullopt); }
    ScopedMountTable(const ScopedMountTable&) = delete;
    ScopedMountTable& operator=(const ScopedMountTable&) = delete;
};

// The drive type of the file system that holds path (the path need not exist).
// A relative path, or one that no mount covers, is NoRootDir; an unreadable table is Unknown.
int DriveTypeOf(const QString& path, bool* floppy = nullptr);

// Whether the drive of path may hold the music folder: "1" refused (after a message),
// "2" usable and not a CD-ROM, "3" a CD-ROM, "" type unknown.
QString CheckDriveType(const QString& path);
