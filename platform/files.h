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
    qsizetype size() const { return qsizetype(m_names.size()); }
    QStringView at(qsizetype i) const { return m_names[size_t(i)]; }
    auto begin() const { return m_names.cbegin(); }
    auto end() const { return m_names.cend(); }
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
