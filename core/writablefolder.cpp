#include "core/writablefolder.h"

#include <QDir>

#include "platform/folderaccess.h"
#include "platform/prompt.h"

namespace {
QString shown(const QString& folder)
{
    return QDir::toNativeSeparators(folder.size() > 1 && folder.endsWith('/') ? folder.chopped(1) : folder);
}
} // namespace

QString FolderNotWritableText(const QString& folder, const QString& kind)
{
    return QStringLiteral("Can't write ") + kind + QStringLiteral(" files to the folder \"") + shown(folder) +
           QStringLiteral("\": it is read-only or cannot be reached.\n\nPlease select another Music Folder using "
                          "the Change Folder button, or allow writing to this folder, and try again.");
}

QString FileNotWrittenText(const QString& path)
{
    return QStringLiteral("The file \"") + QDir::toNativeSeparators(path) +
           QStringLiteral("\" could not be written. The disk may be full or the folder read-only.");
}

bool CheckFolderWritable(const QString& folder, const QString& kind)
{
    if (CanWriteInFolder(folder))
        return true;
    MsgBox(FolderNotWritableText(folder, kind));
    return false;
}
