#include "burner/freespace.h"

#include <QDir>
#include <QStorageInfo>

namespace {
std::function<std::optional<qint64>(const QString&)>& hook()
{
    static std::function<std::optional<qint64>(const QString&)> h;
    return h;
}
} // namespace

std::optional<qint64> BurnerDisk::freeBytes(const QString& folder)
{
    if (hook())
        return hook()(folder);
    if (folder.isEmpty() || !QDir(folder).exists())
        return std::nullopt;
    const QStorageInfo info(folder);
    if (!info.isValid() || !info.isReady())
        return std::nullopt;
    return info.bytesAvailable();
}

void BurnerDisk::setFreeBytesHook(std::function<std::optional<qint64>(const QString&)> h) { hook() = std::move(h); }
