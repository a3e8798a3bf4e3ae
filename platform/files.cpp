#include "platform/files.h"

#include <QDir>
#include <QFileInfo>

QString findIgnoringCase(const QString& folder, const QString& name)
{
    if (name.isEmpty())
        return {};
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (QFileInfo::exists(dir.filePath(name)))
        return dir.filePath(name);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(e);
    return {};
}

QString resolveIgnoringCase(const QString& path)
{
    if (path.isEmpty())
        return {};
    if (QFileInfo::exists(path))
        return path;
    const bool absolute = path.startsWith('/');
    const QStringList parts = path.split('/', Qt::SkipEmptyParts);
    QString cur = absolute ? QStringLiteral("/") : QStringLiteral(".");
    for (const QString& p : parts) {
        const QString next = findIgnoringCase(cur, p);
        if (next.isEmpty())
            return {};
        cur = next;
    }
    if (!absolute && cur.startsWith(QStringLiteral("./")))
        cur = cur.mid(2);
    return cur;
}

bool existsIgnoringCase(const QString& path) { return !resolveIgnoringCase(path).isEmpty(); }
