#include "core/writablefolder.h"

#include <QDir>

#include "platform/folderaccess.h"
#include "platform/freespace.h"
#include "platform/prompt.h"

namespace {
// Less free room than this after a failed write: the disk is full.
constexpr qint64 kNoRoomBytes = 1 << 20;

QString shown(const QString& folder)
{
    return QDir::toNativeSeparators(folder.size() > 1 && folder.endsWith('/') ? folder.chopped(1) : folder);
}
} // namespace

QString FolderNotWritableText(const QString& folder, const QString& kind, const QString& button)
{
    const QString how = button.isEmpty() ? QStringLiteral("Please select another Music Folder")
                                         : QStringLiteral("Please select another Music Folder using the ") + button +
                                               QStringLiteral(" button");
    return QStringLiteral("Can't write ") + kind + QStringLiteral(" files to the folder \"") + shown(folder) +
           QStringLiteral("\": it is read-only or cannot be reached.\n\n") + how +
           QStringLiteral(", or allow writing to this folder, and try again.");
}

QString FileNotWrittenText(const QString& path)
{
    return QStringLiteral("The file \"") + QDir::toNativeSeparators(path) +
           QStringLiteral("\" could not be written. The disk may be full or the folder read-only.");
}

QString DiskFullText(const QString& folder, const QString& fileName)
{
    return QStringLiteral("Error: the hard drive is full. There is no room left in \"%1\" to write \"%2\".\n\n"
                          "Please delete unneeded files on your hard drive and try again.")
        .arg(shown(folder), fileName);
}

bool CheckFolderWritable(const QString& folder, const QString& kind, const QString& button)
{
    if (CanWriteInFolder(folder))
        return true;
    MsgBox(FolderNotWritableText(folder, kind, button));
    return false;
}

WriteTrouble WriteTroubleOf(const QString& folder)
{
    const qint64 free = FreeBytesOf(folder);
    if (free >= 0 && free < kNoRoomBytes)
        return WriteTrouble::DiskFull;
    if (!CanWriteInFolder(folder))
        return WriteTrouble::FolderNotWritable;
    return WriteTrouble::None;
}

QString WriteFailedText(const QString& folder, const QString& fileName, const QString& kind)
{
    return WriteFailedText(WriteTroubleOf(folder), folder, fileName, kind);
}

QString WriteFailedText(WriteTrouble trouble, const QString& folder, const QString& fileName, const QString& kind)
{
    switch (trouble) {
    case WriteTrouble::DiskFull: return DiskFullText(folder, fileName);
    case WriteTrouble::FolderNotWritable: return FolderNotWritableText(folder, kind);
    case WriteTrouble::None: break;
    }
    return FileNotWrittenText(folder + fileName);
}
