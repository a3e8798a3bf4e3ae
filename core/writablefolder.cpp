#include "core/writablefolder.h"

#include <QDir>
#include <QTemporaryFile>

bool FolderTakesFiles(const QString& folder)
{
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    // Permissions, a read-only mount, a full directory table: only a real file tells them all.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".quillory-write-check-XXXXXX")));
    return probe.open();
}

QString CannotWriteFolderText(const QString& folder)
{
    return QStringLiteral("Quillory cannot write files into the music folder %1\n\nPlease choose another music "
                          "folder with the Options button, or allow writing to this one, and try again.")
        .arg(QDir::toNativeSeparators(folder));
}
