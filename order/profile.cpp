#include "profile.h"

#include <QFile>
#include <QStringDecoder>

namespace orderapp {

namespace {

// The file as text: UTF-8, or Windows-1252 for files that are not valid UTF-8.
bool readText(const QString& path, QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray bytes = file.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    text = utf8.decode(bytes);
    if (!utf8.hasError())
        return true;
    QStringDecoder ansi("windows-1252");
    if (ansi.isValid())
        text = ansi.decode(bytes);
    else
        text = QString::fromLatin1(bytes);
    return true;
}

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString trimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b).toString();
}

// At most max characters, never splitting a surrogate pair.
QString cut(const QString& s, int max)
{
    if (max <= 0)
        return {};
    if (s.size() <= max)
        return s;
    qsizetype n = max;
    if (s[n - 1].isHighSurrogate())
        --n;
    return s.left(n);
}

} // namespace

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int bufferSize, const QString& filePath)
{
    const int max = bufferSize - 1;
    QString text;
    if (readText(filePath, text)) {
        bool inSection = false;
        const auto lines = QStringView(text).split(QLatin1Char('\n'));
        for (QStringView raw : lines) {
            if (raw.endsWith(QLatin1Char('\r')))
                raw.chop(1);
            const QString line = trimBlanks(raw);
            if (line.startsWith(QLatin1Char('['))) {
                if (inSection)
                    break; // the first section of that name is the one read
                const qsizetype close = line.indexOf(QLatin1Char(']'));
                const QString name = trimBlanks(QStringView(line).mid(1, close < 0 ? -1 : close - 1));
                inSection = name.compare(section, Qt::CaseInsensitive) == 0;
                continue;
            }
            if (!inSection || line.startsWith(QLatin1Char(';')))
                continue;
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (eq < 0)
                continue;
            if (trimBlanks(QStringView(line).left(eq)).compare(key, Qt::CaseInsensitive) != 0)
                continue;
            QString value = trimBlanks(QStringView(line).mid(eq + 1));
            if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
                && value.back() == value.front())
                value = value.mid(1, value.size() - 2);
            return cut(value, max);
        }
    }
    // The default loses its trailing blanks, as the classic reader does.
    QString def = defaultValue;
    while (!def.isEmpty() && isBlank(def.back()))
        def.chop(1);
    return cut(def, max);
}

} // namespace orderapp
