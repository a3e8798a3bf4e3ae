// Listing a folder's files by name: the order of the lower-case names, names equal but for
// letter case in name order; hidden files and folders left out, links to files kept.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/files.h"

namespace {

TEST(Files, AFolderIsListedInTheOrderOfItsLowerCaseNamesThenItsNames)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Names that share their first dozen letters, end within them, differ only in letter case,
    // hold characters between the capitals and the small letters ("_"), or lie outside ASCII
    // (whose lower-case forms may be longer: "İ").
    const QStringList names{"Song 000123 of a long evening.mp3", "song 000123 of a long evening.MP3",
                            "SONG 000123 OF A LONG EVENING.mp3", "Song 000123 of a long evening.lst",
                            "Song 000123 of.mp3", "Song 000123 o", "Song 000123 ", "Song 000123", "Song 00012",
                            "Song 000124.mp3", "B_x", "Ba", "bA", "BA", "a", "A", "Ärger.mp3", "ärger.mp3",
                            "Zebra.mp3", "İstanbul.mp3", "istanbul.mp3", "Ωmega", "ωmega", "z", "[x]", "_"};
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir("A folder"));
    QFile(dir.filePath(".hidden")).open(QIODevice::WriteOnly);
    ASSERT_EQ(symlink(QFile::encodeName(dir.filePath("Ba")).constData(),
                      QFile::encodeName(dir.filePath("Link to Ba")).constData()),
              0);
    ASSERT_EQ(symlink(QFile::encodeName(dir.filePath("A folder")).constData(),
                      QFile::encodeName(dir.filePath("Link to a folder")).constData()),
              0);

    QStringList expected = names;
    expected << "Link to Ba";
    std::sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
        const QString la = a.toLower(), lb = b.toLower();
        return la != lb ? la < lb : a < b;
    });
    EXPECT_EQ(FileNamesByName(dir.path()), expected);
    const FolderNames listed = FolderFilesByName(dir.path() + "/");
    EXPECT_EQ(listed.toList(), expected);
    ASSERT_EQ(listed.size(), expected.size());
    EXPECT_EQ(listed.at(0), expected.at(0));
    EXPECT_TRUE(FileNamesByName(dir.filePath("missing")).isEmpty());
}

// Names of the private-use area and the last block of U+FFFF and below, names beyond U+FFFF
// (emoji, letters with case of other planes) and plain names list in QDir's own order.
TEST(Files, NamesOfEveryPlaneListInTheOrderQDirGivesThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList names{QString(QChar(0xE000)) + "1", QString(QChar(0xF8FF)) + "A", QString(QChar(0xFF21)) + "2",
                            QString(QChar(0xFF42)),       QString::fromUcs4(U"😀"),       QString::fromUcs4(U"😀b"),
                            QString::fromUcs4(U"\U00010400a"), QString::fromUcs4(U"\U00010428b"), QString::fromUcs4(U"\U0001E900"),
                            "a",                          "Z",                            QStringLiteral("Éa")};
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
    }
    const QStringList byQDir = QDir(dir.path()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    ASSERT_EQ(byQDir.size(), names.size());
    EXPECT_EQ(FileNamesByName(dir.path()), byQDir);
}

} // namespace
