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

QStringList FileNamesByName(const QString& folder)
{
    // The folder read by name and entry type, as QDir::Files lists it: no hidden names, files
    // and links to files. QDir's own sorted listing keeps a file record per entry while it
    // sorts (about a kilobyte each); here only the names and their sort keys, the lower-case
    // names QDir compares.
    const QByteArray path = QFile::encodeName(QDir(folder).path()) + '/';
    std::vector<std::pair<QString, QString>> keyed;
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
            QString name = QFile::decodeName(e->d_name);
            QString key = name.toLower(); // the name itself, shared, when it has no capitals
            keyed.emplace_back(std::move(key), std::move(name));
        }
        closedir(dir);
    }
    std::sort(keyed.begin(), keyed.end());
    QStringList names;
    names.reserve(qsizetype(keyed.size()));
    for (auto& k : keyed)
        names.append(std::move(k.second));
    return names;
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
    for (; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            out[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, p[i + 1]));
            out[i] = QChar::highSurrogate(folded);
            out[i + 1] = QChar::lowSurrogate(folded);
            ++i;
        } else {
            out[i] = char16_t(QChar::toCaseFolded(char32_t(c)));
        }
    }
    return key;
}
