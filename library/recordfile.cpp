#include "library/recordfile.h"

#include "core/errors.h"
#include "core/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace RecordFile {

namespace {

// Windows-1252 characters for the bytes 0x80..0x9F; the five unassigned bytes keep their value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t cp1252(unsigned char b)
{
    return (b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : char16_t(b);
}

bool isCont(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence starting at p (0 when it is not valid), and its code point.
int utf8Sequence(const unsigned char* p, const unsigned char* end, char32_t& cp)
{
    const unsigned char b = p[0];
    const qsizetype left = end - p;
    if (b >= 0xC2 && b <= 0xDF) {
        if (left < 2 || !isCont(p[1]))
            return 0;
        cp = char32_t(b & 0x1F) << 6 | (p[1] & 0x3F);
        return 2;
    }
    if (b >= 0xE0 && b <= 0xEF) {
        if (left < 3 || !isCont(p[1]) || !isCont(p[2]))
            return 0;
        if ((b == 0xE0 && p[1] < 0xA0) || (b == 0xED && p[1] > 0x9F)) // overlong or surrogate
            return 0;
        cp = char32_t(b & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (left < 4 || !isCont(p[1]) || !isCont(p[2]) || !isCont(p[3]))
            return 0;
        if ((b == 0xF0 && p[1] < 0x90) || (b == 0xF4 && p[1] > 0x8F)) // overlong or above U+10FFFF
            return 0;
        cp = char32_t(b & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6 | (p[3] & 0x3F);
        return 4;
    }
    return 0;
}

BeforeRenameHook& hook()
{
    static BeforeRenameHook h;
    return h;
}

} // namespace

QString DecodeText(const QByteArray& raw)
{
    QByteArray bytes = raw;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        if (*p < 0x80) {
            out += QChar(char16_t(*p));
            ++p;
            continue;
        }
        char32_t cp = 0;
        const int n = utf8Sequence(p, end, cp);
        if (n == 0) {
            out += QChar(cp1252(*p));
            ++p;
            continue;
        }
        const char32_t one[1] = {cp};
        out += QString::fromUcs4(one, 1);
        p += n;
    }
    return out;
}

ParseResult ParseRecords(const QString& text, int fieldCount, const std::function<void(const QStringList&)>& add,
                         const std::function<void()>& pump, int pumpEvery)
{
    ParseResult result;
    const qsizetype n = text.size();
    const QChar* data = text.constData();
    // Only line-end characters left: the end of the file.
    auto onlyLineEnd = [&](qsizetype from) {
        for (qsizetype i = from; i < n; ++i)
            if (data[i] != u'\r' && data[i] != u'\n')
                return false;
        return true;
    };
    QStringList fields;
    fields.reserve(fieldCount);
    qsizetype pos = 0;
    while (!onlyLineEnd(pos)) {
        fields.clear();
        for (int f = 0; f < fieldCount; ++f) {
            qsizetype at = -1;
            if (f + 1 < fieldCount) {
                at = text.indexOf(kSep, pos);
            } else {
                // The last field ends at the first pair of separators.
                for (qsizetype i = text.indexOf(kSep, pos); i >= 0 && i + 1 < n; i = text.indexOf(kSep, i + 1)) {
                    if (data[i + 1] == kSep) {
                        at = i;
                        break;
                    }
                }
            }
            if (at < 0) {
                result.damaged = true;
                return result;
            }
            fields.append(text.mid(pos, at - pos));
            pos = at + (f + 1 < fieldCount ? 1 : 2);
        }
        add(fields);
        ++result.records;
        if (pump && pumpEvery > 0 && result.records % pumpEvery == 0)
            pump();
    }
    return result;
}

void setBeforeRenameHook(BeforeRenameHook h) { hook() = std::move(h); }

void WriteAtomically(const QString& path, const QByteArray& bytes)
{
    // The temporary file, its sync, the rename and the folder sync.
    SaveWholeFile(path, bytes, hook());
}

} // namespace RecordFile
