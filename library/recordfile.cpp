#include "library/recordfile.h"

#include "core/errors.h"
#include "core/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <string_view>
#include <unistd.h>
#include <unordered_map>
#include <vector>

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

// Decodes UTF-8, keeping byte-order marks at the start (QString::fromUtf8 drops one there).
QString fromUtf8KeepingBom(const char* p, qsizetype n)
{
    qsizetype boms = 0;
    while (n - 3 * boms >= 3 && std::memcmp(p + 3 * boms, "\xEF\xBB\xBF", 3) == 0)
        ++boms;
    if (boms == 0)
        return QString::fromUtf8(p, n);
    QString out(boms, QChar(0xFEFF));
    out += QString::fromUtf8(p + 3 * boms, n - 3 * boms);
    return out;
}

// Repeated values of one field (an artist, an album's cover, the category, a length) are
// decoded once and share one text, which saves an allocation per field and keeps a large
// catalogue small. A field whose values hardly repeat (the titles) soon stops being looked up.
class FieldTexts {
public:
    QString get(const char* p, qsizetype n)
    {
        if (n == 0)
            return QString();
        if (!m_active || n > kLongest)
            return fromUtf8KeepingBom(p, n);
        const std::string_view key(p, size_t(n));
        if (const auto it = m_seen.find(key); it != m_seen.end()) {
            ++m_hits;
            return it->second;
        }
        QString value = fromUtf8KeepingBom(p, n);
        if (m_seen.size() < kMostKept)
            m_seen.emplace(key, value);
        if (++m_misses == kTrial && m_hits < kTrial / 4) {
            m_active = false;
            m_seen.clear();
        }
        return value;
    }

private:
    static constexpr qsizetype kLongest = 96;
    static constexpr size_t kMostKept = 20000;
    static constexpr int kTrial = 2048;
    std::unordered_map<std::string_view, QString> m_seen; // keys point into the parsed text
    int m_hits = 0;
    int m_misses = 0;
    bool m_active = true;
};

BeforeRenameHook& hook()
{
    static BeforeRenameHook h;
    return h;
}

} // namespace

QByteArray Utf8Text(const QByteArray& raw)
{
    QByteArray bytes = raw;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (bytes.isValidUtf8()) {
        // Valid text was always decoded whole, which drops one more byte-order mark.
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        return bytes;
    }
    // Each byte outside a valid sequence stands for its Windows-1252 character (at most 3 bytes).
    QByteArray out(bytes.size() * 3, Qt::Uninitialized);
    char* o = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        char32_t cp = 0;
        const int n = *p < 0x80 ? 1 : utf8Sequence(p, end, cp);
        if (n > 0) {
            std::memcpy(o, p, size_t(n));
            o += n;
            p += n;
            continue;
        }
        const char16_t c = cp1252(*p++);
        if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
        } else {
            *o++ = char(0xE0 | (c >> 12));
            *o++ = char(0x80 | ((c >> 6) & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        }
    }
    out.truncate(o - out.constData());
    return out;
}

QString DecodeText(const QByteArray& raw)
{
    const QByteArray utf8 = Utf8Text(raw);
    return fromUtf8KeepingBom(utf8.constData(), utf8.size());
}

ParseResult ParseRecords(QByteArrayView text, int fieldCount, const std::function<void(QString* fields)>& add,
                         const std::function<void()>& pump, int pumpEvery)
{
    ParseResult result;
    const char* const end = text.data() + text.size();
    // Only line-end characters left: the end of the file.
    const auto onlyLineEnd = [end](const char* p) {
        for (; p < end; ++p)
            if (*p != '\r' && *p != '\n')
                return false;
        return true;
    };
    const auto nextSep = [end](const char* p) {
        return p < end ? static_cast<const char*>(std::memchr(p, 4, size_t(end - p))) : nullptr;
    };
    std::vector<QString> fields(size_t(std::max(fieldCount, 0)));
    std::vector<FieldTexts> texts(fields.size());
    const char* pos = text.data();
    while (!onlyLineEnd(pos)) {
        for (int f = 0; f < fieldCount; ++f) {
            const bool last = f + 1 == fieldCount;
            const char* at = nextSep(pos);
            // The last field ends at the first pair of separators.
            while (last && at && at + 1 < end && at[1] != 4)
                at = nextSep(at + 1);
            if (!at || (last && at + 1 >= end)) {
                result.damaged = true;
                return result;
            }
            fields[size_t(f)] = texts[size_t(f)].get(pos, at - pos);
            pos = at + (last ? 2 : 1);
        }
        add(fields.data());
        ++result.records;
        if (pump && pumpEvery > 0 && result.records % pumpEvery == 0)
            pump();
    }
    return result;
}

RecordWriter::RecordWriter(qsizetype bound)
    : m_bytes(bound + 2, Qt::Uninitialized),
      m_encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless),
      m_out(m_bytes.data())
{
}

qsizetype RecordWriter::Bound(QStringView value)
{
    qsizetype n = 1; // the separator
    for (const QChar c : value)
        n += c.unicode() < 0x80 ? 1 : 3;
    return n;
}

void RecordWriter::field(QStringView value)
{
    if (value.contains(kSep)) {
        field(StripSep(value.toString()));
        return;
    }
    // Room is checked cheaply first; the exact bound only near the end of the buffer.
    const qsizetype room = m_bytes.size() - 2 - (m_out - m_bytes.constData());
    if (3 * value.size() + 1 > room && Bound(value) > room) {
        const qsizetype used = m_out - m_bytes.constData();
        m_bytes.resize(std::max(2 * m_bytes.size(), used + Bound(value) + 2));
        m_out = m_bytes.data() + used;
    }
    char* const start = m_out;
    m_out = m_encoder.appendToBuffer(m_out, value);
    if (m_encoder.hasError()) {
        // A lone surrogate: written as QString::toUtf8 writes it ("?"), as files always had it.
        m_encoder.resetState();
        const QByteArray bytes = value.toUtf8();
        std::memcpy(start, bytes.constData(), size_t(bytes.size()));
        m_out = start + bytes.size();
    }
    separator();
}

void RecordWriter::endRecord() { separator(); }

void RecordWriter::separator()
{
    if (m_out - m_bytes.constData() + 1 > m_bytes.size() - 2) {
        const qsizetype used = m_out - m_bytes.constData();
        m_bytes.resize(2 * m_bytes.size() + 1);
        m_out = m_bytes.data() + used;
    }
    *m_out++ = 4;
}

QByteArray RecordWriter::finish()
{
    *m_out++ = '\r';
    *m_out++ = '\n';
    m_bytes.truncate(m_out - m_bytes.constData());
    m_out = nullptr;
    return std::move(m_bytes);
}

void setBeforeRenameHook(BeforeRenameHook h) { hook() = std::move(h); }

void WriteAtomically(const QString& path, const QByteArray& bytes)
{
    // The temporary file, its sync, the rename and the folder sync.
    SaveWholeFile(path, bytes, hook());
}

} // namespace RecordFile
