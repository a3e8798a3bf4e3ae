#pragma once
// What every CDDB conversation shares: the default server and port, and how reply bytes
// become text.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace Cddb {
inline const QString DefaultServer = QStringLiteral("gnudb.gnudb.org");
inline constexpr int32_t DefaultPort = 8880;
// UTF-8 where the bytes are valid UTF-8, else Latin-1 (older servers send Latin-1).
QString DecodeText(const QByteArray& bytes);
} // namespace Cddb
