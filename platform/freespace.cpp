#include "platform/freespace.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace {
std::function<qint64(const QString&)>& probe()
{
    static std::function<qint64(const QString&)> p;
    return p;
}
} // namespace

qint64 FreeBytesOf(const QString& folder)
{
    if (probe())
        return probe()(folder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return -1;
    const QStorageInfo info(folder);
    if (!info.isValid() || !info.isReady())
        return -1;
    return info.bytesAvailable();
}

void setFreeBytesProbe(std::function<qint64(const QString&)> p) { probe() = std::move(p); }
