#include "core/cddbtext.h"

#include <QStringDecoder>

QString Cddb::DecodeText(const QByteArray& bytes)
{
    QStringDecoder d(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString s = d(bytes);
    if (d.hasError())
        return QString::fromLatin1(bytes);
    return s;
}
