#include "core/filenames.h"

#include "platform/errors.h"
#include "core/globals.h"
#include "platform/files.h"
#include "platform/prompt.h"
#include "platform/services.h"

#include <QFileInfo>

namespace {
const QString kModule = QStringLiteral("modMP3");
const QString kNineChars = QStringLiteral("\\/:*?\"<>|");
constexpr int kMaxNameChars = 250;

// Number of characters (code points) in s.
qsizetype charCount(const QString& s)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

// The first chars characters of s, never splitting a surrogate pair.
QString leftChars(const QString& s, qsizetype chars)
{
    qsizetype i = 0;
    for (qsizetype n = 0; n < chars && i < s.size(); ++n)
        i += (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ? 2 : 1;
    return s.left(i);
}

// The longest start of s whose UTF-8 form has at most bytes bytes.
QString fitBytes(const QString& s, qsizetype bytes)
{
    QString out = s;
    while (!out.isEmpty() && out.toUtf8().size() > bytes)
        out = leftChars(out, charCount(out) - 1);
    return out;
}

QString numbered(const QString& fileName, const QString& ext)
{
    Trap trap(kModule, ext == u".mp3" ? QStringLiteral("checkduplmp3") : QStringLiteral("checkduplwav"));
    bool taken = false;
    if (!trap([&] { taken = !findIgnoringCase(MusicFolder, fileName).isEmpty(); }) || !taken)
        return fileName;
    QString base = fileName.left(fileName.size() - 4);
    for (long n = 1;; ++n) {
        const QString suffix = QLatin1Char('(') + QString::number(n) + QLatin1Char(')') + ext;
        // A name near the file system's limit gives up characters for its number.
        const QString candidate = fitBytes(base, kMaxNameBytes - suffix.toUtf8().size()) + suffix;
        if (findIgnoringCase(MusicFolder, candidate).isEmpty())
            return candidate;
    }
}
} // namespace

QString shortpathname(const QString& path)
{
    QString result;
    Trap trap(kModule, QStringLiteral("shortpathname"));
    trap([&] {
        if (!path.isEmpty() && QFileInfo::exists(path)) {
            result = path;
            return;
        }
        MsgBox(QStringLiteral("Invalid Filename or Error=") + QStringLiteral("0"), Mb::OKOnly | Mb::Information,
               kAppTitle);
    });
    return result;
}

void PAUSE(int16_t milliseconds)
{
    Trap trap(kModule, QStringLiteral("PAUSE"));
    trap([&] {
        Clock& clock = Clocks();
        const qint64 end = clock.monotonicMs() + milliseconds;
        clock.waitUntil([&] { return clock.monotonicMs() >= end; }, milliseconds);
    });
}

int16_t checkinvalid(const QString& name)
{
    int16_t result = 0;
    Trap trap(kModule, QStringLiteral("checkinvalid"));
    trap([&] {
        for (QChar c : name)
            if (kNineChars.contains(c)) {
                result = 1;
                return;
            }
        if (charCount(name) > kMaxNameChars)
            result = 1;
    });
    return result;
}

QString checkduplmp3(const QString& fileName) { return numbered(fileName, QStringLiteral(".mp3")); }
QString checkduplwav(const QString& fileName) { return numbered(fileName, QStringLiteral(".wav")); }

QString removeinvalid(const QString& name)
{
    QString result = name;
    Trap trap(kModule, QStringLiteral("removeinvalid"));
    trap([&] {
        QString s = name;
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            const bool pairStart = c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate();
            if (pairStart) {
                ++i;
                continue;
            }
            // The nine characters, control characters (NUL among them) and lone surrogates.
            if (kNineChars.contains(c) || c.unicode() < 32 || c.unicode() == 127 || c.isSurrogate())
                s[i] = QLatin1Char('_');
        }
        if (charCount(s) > kMaxNameChars)
            s = leftChars(s, kMaxNameChars);
        // 250 one-byte characters fit with ".mp3"; checkduplmp3 makes room for a number.
        // Multi-byte characters can make a name too long in bytes, so such a name is cut
        // to leave room for the extension and a numbering suffix.
        if (s.toUtf8().size() > charCount(s))
            s = fitBytes(s, kMaxNameBytes - kNameReserveBytes);
        // No hidden names and no "." or "..".
        if (s.startsWith(QLatin1Char('.')))
            s[0] = QLatin1Char('_');
        if (s.isEmpty())
            s = QStringLiteral("Untitled");
        result = s;
    });
    return result;
}

void Not_Topmost() {}
