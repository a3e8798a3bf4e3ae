#include "platform/folderaccess.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {
std::function<bool(const QString&)>& probe()
{
    static std::function<bool(const QString&)> p;
    return p;
}
} // namespace

bool CanWriteInFolder(const QString& folder)
{
    if (probe())
        return probe()(folder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    // Permissions alone do not tell (read-only mounts, access lists): try it.
    QTemporaryFile probeFile(QDir(folder).filePath(QStringLiteral(".quillory-write-XXXXXX")));
    return probeFile.open();
}

void setFolderWriteProbe(std::function<bool(const QString&)> p) { probe() = std::move(p); }
