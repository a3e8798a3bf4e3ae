#pragma once
#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>
#include <vector>

// Linux names are case-sensitive; the program's names (built from titles and catalogue
// data) were not. These helpers find a file or folder in a folder ignoring letter case.

// The existing entry of folder whose name equals name ignoring case (exact match preferred),
// as a full path; empty when there is none. Hidden entries count.
QString findIgnoringCase(const QString& folder, const QString& name);
// The names of the files of a folder (no hidden ones, no folders) in the order QDir lists them
// by name ignoring letter case, names equal but for letter case in name order. Only the names
// are held while they are sorted, so a folder of many thousand files lists in little memory.
QStringList FileNamesByName(const QString& folder);

// The same names held as views into a few large blocks of text, so that a folder of many
// thousand files lists without a text of its own per name; the views last as long as this.
class FolderNames {
public:
    // Walks the names in order. The names lie in the blocks in the folder's own order: the
    // walk asks for the text of a name a few places ahead before it reaches it.
    class Iterator {
    public:
        Iterator(const QStringView* at, const QStringView* end) : m_at(at), m_end(end) {}
        QStringView operator*() const { return *m_at; }
        Iterator& operator++()
        {
            if (++m_at + kAhead < m_end)
                __builtin_prefetch(m_at[kAhead].data());
            return *this;
        }
        bool operator!=(const Iterator& other) const { return m_at != other.m_at; }

    private:
        static constexpr std::ptrdiff_t kAhead = 16;
        const QStringView* m_at;
        const QStringView* m_end;
    };
    qsizetype size() const { return qsizetype(m_names.size()); }
    QStringView at(qsizetype i) const { return m_names[size_t(i)]; }
    Iterator begin() const { return {m_names.data(), m_names.data() + m_names.size()}; }
    Iterator end() const { return {m_names.data() + m_names.size(), m_names.data() + m_names.size()}; }
    QStringList toList() const;

private:
    friend FolderNames FolderFilesByName(const QString& folder);
    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    std::vector<QStringView> m_names;
};
FolderNames FolderFilesByName(const QString& folder);
// A full path ("a/b/c.txt") resolved component by component ignoring case; empty when missing.
QString resolveIgnoringCase(const QString& path);
bool existsIgnoringCase(const QString& path);

// A key for comparing names ignoring letter case: two texts are equal by
// QString::compare(..., Qt::CaseInsensitive) exactly when their keys are equal. Each
// character is replaced by its simple case folding; a text that needs no change is returned
// as it is (shared, not copied).
QString caseFoldKey(const QString& text);
// The same keys compared and hashed without being made: texts whose keys are equal have
// equal hashes.
bool sameCaseFoldKey(QStringView a, QStringView b);
quint64 caseFoldKeyHash(QStringView text);
