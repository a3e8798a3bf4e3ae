#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

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

namespace {
// A name's sort key packed for comparing without following pointers: the first kPrefix UTF-16
// units of its lower-case form, the first in the highest bits, zeros after its end.
constexpr qsizetype kPrefixWords = 3;
constexpr qsizetype kPrefix = 4 * kPrefixWords;
struct NameKey {
    quint64 prefix[kPrefixWords];
    quint32 name;       // its place in the names as read
    bool asciiCapitals; // the key is the name with its capitals A-Z made small
};

// Where the names and their lower-case forms are kept: blocks of text, filled in turn.
class NameStore {
public:
    explicit NameStore(std::vector<std::unique_ptr<char16_t[]>>& blocks) : m_blocks(blocks) {}
    // Room for n units (n at most kBlock); it is used up by the caller.
    char16_t* take(qsizetype n)
    {
        if (m_blocks.empty() || m_used + n > kBlock) {
            m_blocks.push_back(std::unique_ptr<char16_t[]>(new char16_t[kBlock]));
            m_used = 0;
        }
        char16_t* at = m_blocks.back().get() + m_used;
        m_used += n;
        return at;
    }
    QStringView add(QStringView text)
    {
        char16_t* at = take(text.size());
        std::copy(text.utf16(), text.utf16() + text.size(), at);
        return {at, text.size()};
    }
    static constexpr qsizetype kBlock = 64 * 1024; // a name is at most 255 bytes

private:
    std::vector<std::unique_ptr<char16_t[]>>& m_blocks;
    qsizetype m_used = 0;
};

char16_t smallAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }
} // namespace

QStringList FolderNames::toList() const
{
    QStringList list;
    list.reserve(size());
    for (QStringView name : m_names)
        list.append(name.toString());
    return list;
}

QStringList FileNamesByName(const QString& folder) { return FolderFilesByName(folder).toList(); }

FolderNames FolderFilesByName(const QString& folder)
{
    // The folder read by name and entry type, as QDir::Files lists it: no hidden names, files
    // and links to files. QDir's own sorted listing keeps a file record per entry while it
    // sorts (about a kilobyte each); here only the names and, for names outside ASCII, their
    // lower-case forms (the keys QDir compares; an ASCII name's key is made as it is compared).
    FolderNames out;
    NameStore store(out.m_blocks);
    // The lower-case form of each name outside ASCII, else none; kept once such a name is met.
    std::vector<QStringView> keys;
    const QByteArray path = QFile::encodeName(QDir(folder).path()) + '/';
    if (DIR* dir = opendir(path.constData())) {
        while (const dirent* e = readdir(dir)) {
            if (e->d_name[0] == '.')
                continue;
            bool file = e->d_type == DT_REG;
            if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
                struct stat st {};
                file = stat((path + e->d_name).constData(), &st) == 0 && S_ISREG(st.st_mode);
            }
            if (!file)
                continue;
            const QByteArrayView bytes(e->d_name);
            bool ascii = true;
            for (const char c : bytes)
                ascii = ascii && uchar(c) < 0x80;
            if (ascii) {
                char16_t* at = store.take(bytes.size());
                std::copy(bytes.begin(), bytes.end(), at);
                out.m_names.emplace_back(at, bytes.size());
                if (!keys.empty())
                    keys.emplace_back();
            } else {
                const QString name = QFile::decodeName(e->d_name);
                keys.resize(out.m_names.size());
                out.m_names.push_back(store.add(name));
                keys.push_back(store.add(name.toLower()));
            }
        }
        closedir(dir);
    }

    const auto keyUnit = [&](const NameKey& k, qsizetype i) {
        return k.asciiCapitals ? smallAscii(out.m_names[k.name][i].unicode()) : keys[k.name][i].unicode();
    };
    const auto keyLength = [&](const NameKey& k) {
        return k.asciiCapitals ? out.m_names[k.name].size() : keys[k.name].size();
    };
    std::vector<NameKey> sorted(out.m_names.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
        NameKey& k = sorted[i];
        k.name = quint32(i);
        k.asciiCapitals = keys.empty() || keys[i].isNull();
        const qsizetype length = keyLength(k);
        for (qsizetype w = 0; w < kPrefixWords; ++w) {
            quint64 v = 0;
            for (qsizetype u = w * 4; u < w * 4 + 4; ++u)
                v = (v << 16) | (u < length ? keyUnit(k, u) : 0u);
            k.prefix[w] = v;
        }
    }
    std::sort(sorted.begin(), sorted.end(), [&](const NameKey& a, const NameKey& b) {
        for (qsizetype w = 0; w < kPrefixWords; ++w)
            if (a.prefix[w] != b.prefix[w])
                return a.prefix[w] < b.prefix[w];
        // The first kPrefix units of the keys are equal (or the keys end there).
        const qsizetype la = keyLength(a), lb = keyLength(b);
        for (qsizetype i = std::min({kPrefix, la, lb}), n = std::min(la, lb); i < n; ++i) {
            const char16_t x = keyUnit(a, i), y = keyUnit(b, i);
            if (x != y)
                return x < y;
        }
        if (la != lb)
            return la < lb;
        return out.m_names[a.name].compare(out.m_names[b.name]) < 0;
    });
    std::vector<QStringView> names;
    names.reserve(sorted.size());
    for (const NameKey& k : sorted)
        names.push_back(out.m_names[k.name]);
    out.m_names.swap(names);
    return out;
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

namespace {
// The case-fold key of a text, unit by unit: each character replaced by its simple case folding.
class FoldedUnits {
public:
    explicit FoldedUnits(QStringView text)
        : m_p(reinterpret_cast<const char16_t*>(text.utf16())), m_end(m_p + text.size())
    {
    }
    // The next unit of the key; false at its end.
    bool next(char16_t& out)
    {
        if (m_low) {
            out = m_low;
            m_low = 0;
            return true;
        }
        if (m_p == m_end)
            return false;
        const char16_t c = *m_p++;
        if (c < 0x80) {
            out = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        } else if (QChar::isHighSurrogate(c) && m_p != m_end && QChar::isLowSurrogate(*m_p)) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, *m_p++));
            out = QChar::highSurrogate(folded);
            m_low = QChar::lowSurrogate(folded);
        } else {
            out = char16_t(QChar::toCaseFolded(char32_t(c)));
        }
        return true;
    }

private:
    const char16_t* m_p;
    const char16_t* m_end;
    char16_t m_low = 0; // the second unit of a folded pair, still to come
};
} // namespace

QString caseFoldKey(const QString& text)
{
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    // Plain lower-case ASCII (the usual title) is its own key.
    qsizetype i = 0;
    while (i < n && p[i] < 0x80 && !(p[i] >= u'A' && p[i] <= u'Z'))
        ++i;
    if (i == n)
        return text;
    QString key(n, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(key.data());
    std::copy(p, p + i, out);
    FoldedUnits units(QStringView(p + i, n - i));
    for (char16_t* o = out + i; units.next(*o);)
        ++o;
    return key;
}

bool sameCaseFoldKey(QStringView a, QStringView b)
{
    // A key has as many units as its text.
    if (a.size() != b.size())
        return false;
    FoldedUnits x(a), y(b);
    char16_t u = 0, v = 0;
    while (x.next(u)) {
        y.next(v);
        if (u != v)
            return false;
    }
    return true;
}

quint64 caseFoldKeyHash(QStringView text)
{
    // FNV-1a over the key's units, its bits mixed at the end.
    quint64 h = 0xcbf29ce484222325ULL;
    FoldedUnits units(text);
    for (char16_t u = 0; units.next(u);)
        h = (h ^ u) * 0x100000001b3ULL;
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ULL;
    return h ^ (h >> 32);
}
