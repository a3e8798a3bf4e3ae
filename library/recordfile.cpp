#include "library/recordfile.h"

#include "platform/errors.h"
#include "platform/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace RecordFile {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

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

// Whether bytes are valid UTF-8 (as QByteArray::isValidUtf8).
bool validUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
#ifdef __SSE2__
        // The ASCII bytes of the next sixteen, before the first other one, at once.
        if (end - p >= 16) {
            const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
            const int run = high == 0 ? 16 : __builtin_ctz(unsigned(high));
            if (run > 0) {
                p += run;
                continue;
            }
        }
#endif
        if (*p < 0x80) {
            ++p;
            continue;
        }
        char32_t cp = 0;
        const int n = utf8Sequence(p, end, cp);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

// UTF-8 in which each byte outside a valid sequence stands for its Windows-1252 character.
QByteArray repaired(QByteArrayView bytes)
{
    QByteArray out(bytes.size() * 3, Qt::Uninitialized); // at most 3 bytes a character
    char* o = out.data();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
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

// Record-file text (one field, or the whole file), with the Windows-1252 fallback. Decoding
// field by field gives what decoding the whole text gives: no valid sequence holds a
// separator or a line end.
QString decodeField(const char* p, qsizetype n)
{
    if (validUtf8(QByteArrayView(p, n)))
        return fromUtf8KeepingBom(p, n);
    const QByteArray utf8 = repaired(QByteArrayView(p, n));
    return fromUtf8KeepingBom(utf8.constData(), utf8.size());
}

// Decodes record-file text of n bytes into out (room for n units) as decodeField does, in one
// pass: valid UTF-8 sequences (a byte-order mark included) as they stand, every other byte as
// its Windows-1252 character. Returns the end of what was written.
char16_t* decodeInto(const char* text, qsizetype n, char16_t* out)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* const end = p + n;
    while (p < end) {
#ifdef __SSE2__
        // The ASCII bytes of the next sixteen, before the first other one, widened at once.
        if (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const int high = _mm_movemask_epi8(v);
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(v, zero));
            const int run = high == 0 ? 16 : __builtin_ctz(unsigned(high));
            p += run;
            out += run;
            if (run == 16)
                continue;
        }
#endif
        while (p < end && *p < 0x80)
            *out++ = char16_t(*p++);
        if (p == end)
            break;
        char32_t cp = 0;
        const int len = utf8Sequence(p, end, cp);
        if (len == 0) {
            *out++ = cp1252(*p++);
            continue;
        }
        p += len;
        if (cp > 0xFFFF) {
            *out++ = QChar::highSurrogate(cp);
            *out++ = QChar::lowSurrogate(cp);
        } else {
            *out++ = char16_t(cp);
        }
    }
    return out;
}

// Repeated values of one field (an artist, an album, a cover) are decoded once and share one
// text, which keeps a large catalogue small. A short value (a length, a category) is not
// looked up: decoding it into its record's block costs less than finding it and sharing it.
// A field whose values hardly repeat (the titles) soon stops being looked up.
class FieldTexts {
public:
    // The text kept for these bytes, when there is one.
    bool find(const char* p, qsizetype n, QString& out)
    {
        if (n < kShortest)
            return false;
        // Records often repeat the value of the record before (an album's songs).
        if (m_last && n == qsizetype(m_last->first.size()) && std::memcmp(p, m_last->first.data(), size_t(n)) == 0) {
            ++m_hits;
            out = QString(m_last->second); // a copy made inline, then moved
            return true;
        }
        if (!m_active || n > kLongest)
            return false;
        const auto it = m_seen.find(std::string_view(p, size_t(n)));
        if (it == m_seen.end())
            return false;
        ++m_hits;
        m_last = &*it;
        out = QString(it->second);
        return true;
    }

    // Keeps value, just decoded from the bytes find did not know.
    void keep(const char* p, qsizetype n, const QString& value)
    {
        if (!m_active || n < kShortest || n > kLongest)
            return;
        if (m_seen.size() < kMostKept)
            m_last = &*m_seen.emplace(std::string(p, size_t(n)), value).first;
        if (++m_misses == kTrial && m_hits < kTrial / 4) {
            m_active = false;
            m_last = nullptr;
            m_seen.clear();
        }
    }

private:
    static constexpr qsizetype kShortest = 16;
    static constexpr qsizetype kLongest = 96;
    static constexpr size_t kMostKept = 20000;
    // Looked up until this many values were not found, unless a quarter as many were.
    static constexpr int kTrial = 256;
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    // The keys are copies: the text they were read from may be a buffer used again.
    using Seen = std::unordered_map<std::string, QString, KeyHash, std::equal_to<>>;
    Seen m_seen;
    const Seen::value_type* m_last = nullptr; // the entry used last (entries never move)
    int m_hits = 0;
    int m_misses = 0;
    bool m_active = true;
};

// Writes value as UTF-8 at out (at most 3 bytes a UTF-16 unit) and returns the end. The
// separator (character 4) is left out. A lone surrogate is written as "?", as QString::toUtf8
// writes it and as record files always had it.
char* encodeUtf8(char* out, QStringView value)
{
    const char16_t* p = value.utf16();
    const char16_t* const end = p + value.size();
    while (p < end) {
#ifdef __SSE2__
        // Eight plain ASCII characters (none of them the separator) at a time. Near the end
        // the last eight are taken, over characters already written when those were ASCII too
        // (each of them one byte).
        if (end - p < 8 && end - value.utf16() >= 8 && end - p > 1) {
            const qsizetype back = 8 - (end - p);
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 8));
            const __m128i high = _mm_and_si128(v, _mm_set1_epi16(short(0xFF80)));
            const bool ascii = _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) == 0xFFFF;
            if (ascii && _mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_set1_epi16(4))) == 0) {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out - back), _mm_packus_epi16(v, v));
                return out - back + 8;
            }
        }
        if (end - p >= 8) {
            // The ASCII characters before the first other one are written together.
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i high = _mm_and_si128(v, _mm_set1_epi16(short(0xFF80)));
            const int plain = _mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) &
                              ~_mm_movemask_epi8(_mm_cmpeq_epi16(v, _mm_set1_epi16(4)));
            const int run = plain == 0xFFFF ? 8 : __builtin_ctz(unsigned(~plain)) / 2;
            if (run > 0) {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
                out += run;
                p += run;
                continue;
            }
        }
#endif
        const char16_t c = *p++;
        if (c < 0x80) {
            if (c != 4)
                *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) {
            const char32_t cp = QChar::surrogateToUcs4(c, *p++);
            *out++ = char(0xF0 | (cp >> 18));
            *out++ = char(0x80 | ((cp >> 12) & 0x3F));
            *out++ = char(0x80 | ((cp >> 6) & 0x3F));
            *out++ = char(0x80 | (cp & 0x3F));
        } else if (QChar::isSurrogate(c)) {
            *out++ = '?';
        } else {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

BeforeRenameHook& hook()
{
    static BeforeRenameHook h;
    return h;
}

FileRead& readHook()
{
    static FileRead h;
    return h;
}

} // namespace

QByteArrayView RecordText(QByteArrayView bytes)
{
    // One mark only: a second one is the first text's own (RecordWriter writes it after a mark).
    if (bytes.startsWith(kBom))
        bytes = bytes.sliced(3);
    return bytes;
}

QString DecodeText(const QByteArray& raw)
{
    const QByteArrayView text = RecordText(raw);
    return decodeField(text.data(), text.size());
}

namespace {

// Parses records from text that may arrive in pieces.
class RecordParser {
public:
    RecordParser(int fieldCount, const std::function<void(QString* fields)>& add, const std::function<void()>& pump,
                 int pumpEvery)
        : m_fieldCount(std::max(fieldCount, 1)), m_add(add), m_pump(pump), m_pumpEvery(pumpEvery),
          m_fields(size_t(m_fieldCount)), m_texts(size_t(m_fieldCount)), m_spans(size_t(m_fieldCount)),
          m_fresh(size_t(m_fieldCount))
    {
    }

    // Hands on the complete records of [pos, end) and returns where the first incomplete one
    // starts. Where the text ends (last), an incomplete record is damage.
    const char* take(const char* pos, const char* end, bool last)
    {
        while (pos < end || last) {
            // Only line-end characters left: the end of the file, or more is to come.
            const char* p = pos;
            while (p < end && (*p == '\r' || *p == '\n'))
                ++p;
            if (p == end)
                return last ? end : pos;
            const char* next = record(pos, end);
            if (!next) {
                if (last)
                    result.damaged = true;
                return pos;
            }
            pos = next;
            m_add(m_fields.data());
            ++result.records;
            if (m_pump && m_pumpEvery > 0 && result.records % m_pumpEvery == 0)
                m_pump();
        }
        return pos;
    }

    ParseResult result;

private:
    // Reads the record at pos into m_fields; the position after it, or nullptr when it does
    // not end before end.
    const char* record(const char* pos, const char* end)
    {
        // The next separator from p; fields are short, so it is looked for inline.
        const auto nextSep = [end](const char* p) -> const char* {
#ifdef __SSE2__
            const __m128i sep = _mm_set1_epi8(4);
            for (; end - p >= 16; p += 16) {
                const int hit = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), sep));
                if (hit != 0)
                    return p + __builtin_ctz(unsigned(hit));
            }
#endif
            for (; p < end; ++p)
                if (*p == 4)
                    return p;
            return nullptr;
        };
        // Where each field lies.
        for (int f = 0; f < m_fieldCount; ++f) {
            const bool lastField = f + 1 == m_fieldCount;
            const char* at = nextSep(pos);
            // The last field ends at the first pair of separators; single ones inside it are dropped.
            bool inner = false;
            while (lastField && at && at + 1 < end && at[1] != 4) {
                at = nextSep(at + 1);
                inner = true;
            }
            if (!at || (lastField && at + 1 >= end))
                return nullptr;
            m_spans[size_t(f)] = {pos, at - pos, inner};
            pos = at + (lastField ? 2 : 1);
        }
        // The texts already known are shared; the others are decoded into one block of the
        // record's own, which their texts share (each ends in a 0, as any text's data does):
        // one allocation a record. A text changed later is copied first, as any shared text is;
        // the block is freed with the last of its texts.
        qsizetype room = 0;
        int fresh = 0;
        for (int f = 0; f < m_fieldCount; ++f) {
            const Span& s = m_spans[size_t(f)];
            QString& field = m_fields[size_t(f)];
            if (s.n == 0) {
                field = QString();
            } else if (s.inner) {
                field = decodeField(s.p, s.n);
                field.remove(kSep);
            } else if (!m_texts[size_t(f)].find(s.p, s.n, field)) {
                m_fresh[size_t(fresh++)] = f;
                room += s.n + 1;
            }
        }
        if (fresh > 0) {
            auto [block, data] = QTypedArrayData<char16_t>::allocate(room);
            if (!block)
                qBadAlloc();
            block->ref_.storeRelaxed(fresh); // one reference for each text
            char16_t* out = data;
            for (int i = 0; i < fresh; ++i) {
                const int f = m_fresh[size_t(i)];
                const Span& s = m_spans[size_t(f)];
                char16_t* const text = out;
                out = decodeInto(s.p, s.n, text);
                m_fields[size_t(f)] = QString(QString::DataPointer(block, text, out - text));
                *out++ = 0;
                m_texts[size_t(f)].keep(s.p, s.n, m_fields[size_t(f)]);
            }
        }
        return pos;
    }

    struct Span {
        const char* p;
        qsizetype n;
        bool inner; // single separators inside, to be dropped
    };
    int m_fieldCount;
    const std::function<void(QString* fields)>& m_add;
    const std::function<void()>& m_pump;
    int m_pumpEvery;
    std::vector<QString> m_fields;
    std::vector<FieldTexts> m_texts;
    std::vector<Span> m_spans;
    std::vector<int> m_fresh; // the fields of the record being read that are decoded anew
};

} // namespace

ParseResult ParseRecords(QByteArrayView text, int fieldCount, const std::function<void(QString* fields)>& add,
                         const std::function<void()>& pump, int pumpEvery)
{
    RecordParser parser(fieldCount, add, pump, pumpEvery);
    parser.take(text.data(), text.data() + text.size(), true);
    return parser.result;
}

ParseResult ParseRecordsFrom(const ReadMore& read, int fieldCount, const std::function<void(QString* fields)>& add,
                             const std::function<void()>& pump, int pumpEvery, qsizetype chunk)
{
    RecordParser parser(fieldCount, add, pump, pumpEvery);
    // One buffer used again and again: what is left of a record moves to its front.
    QByteArray buffer(std::max<qsizetype>(chunk, 16), Qt::Uninitialized);
    qsizetype held = 0;
    for (;;) {
        if (held == buffer.size()) // one record larger than the buffer
            buffer.resize(2 * buffer.size());
        const qsizetype got = read(buffer.data() + held, buffer.size() - held);
        if (got < 0) {
            // Not the end of the file: what was read is kept, and the caller learns it is not all.
            parser.result.readFailed = true;
            return parser.result;
        }
        const bool last = got == 0;
        held += got;
        const char* stop = parser.take(buffer.constData(), buffer.constData() + held, last);
        if (last)
            return parser.result;
        held -= stop - buffer.constData();
        std::memmove(buffer.data(), stop, size_t(held));
    }
}

RecordWriter::RecordWriter(qsizetype bound) : m_bytes(bound + 2, Qt::Uninitialized), m_out(m_bytes.data()) {}

RecordWriter::RecordWriter(qsizetype chunk, AtomicFile::Put put)
    : m_bytes(std::max<qsizetype>(chunk, 16) + 2, Qt::Uninitialized), m_put(std::move(put)), m_out(m_bytes.data())
{
}

qsizetype RecordWriter::Bound(QStringView value)
{
    qsizetype n = 1; // the separator
    for (const QChar c : value)
        n += c.unicode() < 0x80 ? 1 : 3;
    return n;
}

void RecordWriter::makeRoom(qsizetype bytes)
{
    qsizetype used = m_out - m_bytes.constData();
    if (used + bytes + 2 <= m_bytes.size())
        return;
    if (m_put && used > 0) {
        m_put(QByteArrayView(m_bytes.constData(), used));
        m_out = m_bytes.data();
        used = 0;
        if (bytes + 2 <= m_bytes.size())
            return;
    }
    m_bytes.resize(std::max(2 * m_bytes.size(), used + bytes + 2));
    m_out = m_bytes.data() + used;
}

void RecordWriter::field(QStringView value)
{
    if (m_atStart) [[unlikely]]
    {
        // A text that starts with U+FEFF as the file's first bytes would be read as a
        // byte-order mark and lost: a mark before it keeps it.
        m_atStart = false;
        if (value.startsWith(QChar(0xFEFF))) {
            makeRoom(3);
            m_out = std::copy_n(kBom, 3, m_out);
        }
    }
    // Room is checked cheaply first; the exact bound only near the end of the buffer.
    if (m_out + LooseBound(value) + 2 > m_bytes.constData() + m_bytes.size())
        makeRoom(Bound(value));
    m_out = encodeUtf8(m_out, value);
    *m_out++ = 4;
}

void RecordWriter::endRecord()
{
    m_atStart = false;
    makeRoom(1);
    *m_out++ = 4;
}

QByteArray RecordWriter::finish()
{
    *m_out++ = '\r';
    *m_out++ = '\n';
    const qsizetype used = m_out - m_bytes.constData();
    m_out = nullptr;
    if (m_put) {
        m_put(QByteArrayView(m_bytes.constData(), used));
        return {};
    }
    m_bytes.truncate(used);
    return std::move(m_bytes);
}

void setBeforeRenameHook(BeforeRenameHook h) { hook() = std::move(h); }

qsizetype ReadFile(QFile& file, char* buffer, qsizetype max)
{
    if (readHook())
        return readHook()(file, buffer, max);
    return qsizetype(file.read(buffer, max));
}

void setFileReadHook(FileRead read) { readHook() = std::move(read); }

void WriteAtomically(const QString& path, const std::function<void(const AtomicFile::Put& put)>& produce)
{
    SaveWholeFileWith(path, produce, hook());
}

} // namespace RecordFile
