#include "core/driveinfo.h"

#include "platform/errors.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <mutex>

namespace {
std::mutex g_mutex;
std::optional<std::vector<MountEntry>> g_injected;

// mountinfo escapes blanks, tabs, newlines and backslashes as octal ("\040").
QString unescape(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 3 < s.size() && s[i + 1].isDigit() && s[i + 2].isDigit() && s[i + 3].isDigit()) {
            out += QChar(static_cast<char16_t>(s.mid(i + 1, 3).toInt(nullptr, 8)));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

QByteArray readSmallFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(64).trimmed();
}

// A block device is removable when its disk (the partition's parent) says so.
bool removableDevice(const QString& majorMinor)
{
    const QString dev = QFileInfo(QStringLiteral("/sys/dev/block/") + majorMinor).canonicalFilePath();
    if (dev.isEmpty())
        return false;
    const QString disk = QFileInfo::exists(dev + QStringLiteral("/partition")) ? QFileInfo(dev).path() : dev;
    return readSmallFile(disk + QStringLiteral("/removable")) == "1";
}

bool isUnder(const QString& path, const QString& mountPoint)
{
    if (mountPoint == u'/')
        return path.startsWith(u'/');
    return path == mountPoint || path.startsWith(mountPoint + u'/');
}

// The absolute path with symbolic links of its existing part resolved.
QString resolvedPath(const QString& path)
{
    QString existing = QDir::cleanPath(path);
    QString rest;
    while (!existing.isEmpty() && existing != u'/' && !QFileInfo::exists(existing)) {
        const qsizetype cut = existing.lastIndexOf(u'/');
        rest = existing.mid(cut) + rest;
        existing = cut <= 0 ? QStringLiteral("/") : existing.left(cut);
    }
    const QString canon = QFileInfo(existing).canonicalFilePath();
    const QString base = canon.isEmpty() ? existing : canon;
    return QDir::cleanPath(base + rest);
}

void driveMessage(const QString& text)
{
    MsgBox(text + QStringLiteral("\rPlease Enter Correct Drive And Folder For Music Folder Or Select The Default "
                                 "Music Folder."),
           Mb::OKOnly | Mb::NoIcon);
}
} // namespace

std::vector<MountEntry> ParseMountInfo(const QString& text)
{
    std::vector<MountEntry> out;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        // id parent major:minor root mount-point options [optional...] - fstype source super-options
        const QStringList f = line.split(u' ', Qt::SkipEmptyParts);
        const qsizetype dash = f.indexOf(QStringLiteral("-"));
        if (f.size() < 5 || dash < 6 || dash + 2 >= f.size())
            continue;
        MountEntry e;
        e.mountPoint = unescape(f[4]);
        e.fsType = f[dash + 1];
        e.source = unescape(f[dash + 2]);
        if (e.source.startsWith(QStringLiteral("/dev/")))
            e.removable = removableDevice(f[2]);
        out.push_back(e);
    }
    return out;
}

std::vector<MountEntry> MountTable()
{
    {
        std::lock_guard lk(g_mutex);
        if (g_injected)
            return *g_injected;
    }
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return ParseMountInfo(QString::fromUtf8(f.readAll()));
}

void SetMountTable(std::optional<std::vector<MountEntry>> table)
{
    std::lock_guard lk(g_mutex);
    g_injected = std::move(table);
}

int DriveTypeOf(const QString& path, bool* floppy)
{
    if (floppy)
        *floppy = false;
    if (!path.startsWith(u'/'))
        return DriveType::NoRootDir;
    const std::vector<MountEntry> table = MountTable();
    if (table.empty())
        return DriveType::Unknown;
    const QString p = resolvedPath(path);
    // The longest mount point that covers the path; a later mount over the same point wins.
    const MountEntry* best = nullptr;
    for (const MountEntry& e : table)
        if (isUnder(p, e.mountPoint) && (!best || e.mountPoint.size() >= best->mountPoint.size()))
            best = &e;
    if (!best)
        return DriveType::NoRootDir;
    const QString fs = best->fsType.toLower();
    const QString src = best->source;
    if (fs == u"tmpfs" || fs == u"ramfs")
        return DriveType::RamDisk;
    if (fs == u"iso9660" || fs == u"udf" || src.startsWith(QStringLiteral("/dev/sr")))
        return DriveType::CdRom;
    static const QStringList remote = {QStringLiteral("nfs"),        QStringLiteral("nfs4"),
                                       QStringLiteral("cifs"),       QStringLiteral("smb3"),
                                       QStringLiteral("smbfs"),      QStringLiteral("sshfs"),
                                       QStringLiteral("fuse.sshfs"), QStringLiteral("davfs"),
                                       QStringLiteral("fuse.davfs"), QStringLiteral("9p"),
                                       QStringLiteral("afs"),        QStringLiteral("ceph")};
    if (remote.contains(fs))
        return DriveType::Remote;
    if (src.startsWith(QStringLiteral("/dev/fd"))) {
        if (floppy)
            *floppy = true;
        return DriveType::Removable;
    }
    if (best->removable)
        return DriveType::Removable;
    return DriveType::Fixed;
}

QString CheckDriveType(const QString& path)
{
    QString result;
    Trap trap(QStringLiteral("modDriveInfo"), QStringLiteral("CheckDriveType"));
    trap([&] {
        bool floppy = false;
        switch (DriveTypeOf(path, &floppy)) {
        case DriveType::Unknown:
            driveMessage(QStringLiteral("The drive type cannot be determined"));
            result = QString();
            break;
        case DriveType::NoRootDir:
            driveMessage(QStringLiteral("The Drive Does Not Exist Or Is Not A Valid Drive."));
            result = QStringLiteral("1");
            break;
        case DriveType::Removable:
            if (floppy) {
                driveMessage(QStringLiteral("Can Not Use Floppy Drive For Music Folder."));
                result = QStringLiteral("1");
            } else {
                result = QStringLiteral("2");
            }
            break;
        case DriveType::Fixed:
        case DriveType::Remote: result = QStringLiteral("2"); break;
        case DriveType::CdRom: result = QStringLiteral("3"); break;
        case DriveType::RamDisk:
            driveMessage(QStringLiteral("Can Not Use RAM Disk for Music Folder."));
            result = QStringLiteral("1");
            break;
        default: result = QString(); break;
        }
    });
    return result;
}
