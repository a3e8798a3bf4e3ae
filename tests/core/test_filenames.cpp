#include "fixture.h"

#include "core/filenames.h"
#include "core/globals.h"

#include <QDir>
#include <QTimer>

using FileNames = AppFixture;

TEST_F(FileNames, CheckInvalidRefusesTheNineCharactersAndLongNames)
{
    const struct {
        QString name;
        int expected;
    } cases[] = {
        {QStringLiteral("My Song"), 0}, {QStringLiteral("AC/DC"), 1},         {QStringLiteral("What?"), 1},
        {QStringLiteral("a\\b"), 1},    {QStringLiteral("x|y"), 1},           {QStringLiteral("Me = You"), 0},
        {QString(), 0},                 {QString(250, QLatin1Char('a')), 0}, {QString(251, QLatin1Char('a')), 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkinvalid(c.name), c.expected) << c.name.toStdString();
}

TEST_F(FileNames, RemoveInvalidMakesHostileTitlesSafeFileNames)
{
    const struct {
        QString title;
        QString expected;
    } cases[] = {
        {QStringLiteral("AC/DC: Live?"), QStringLiteral("AC_DC_ Live_")},
        {QStringLiteral("../x"), QStringLiteral("_._x")},
        {QStringLiteral("a/b"), QStringLiteral("a_b")},
        {QStringLiteral(".Intro"), QStringLiteral("_Intro")},
        {QStringLiteral("."), QStringLiteral("_")},
        {QStringLiteral(".."), QStringLiteral("_.")},
        {QString(), QStringLiteral("Untitled")},
        {QStringLiteral("a\tb\nc") + QChar(0) + QStringLiteral("d") + QChar(127), QStringLiteral("a_b_c_d_")},
        {QStringLiteral("Song <Remix> \"Live\" *"), QStringLiteral("Song _Remix_ _Live_ _")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(removeinvalid(c.title), c.expected) << c.title.toStdString();
}

TEST_F(FileNames, RemoveInvalidKeepsLongNamesWithinTheFileSystemLimit)
{
    // One-byte characters: the first 250 are kept, and a clean name of 250 is unchanged
    // (with ".mp3" it fits 255 bytes; checkduplmp3 makes room for a number).
    EXPECT_EQ(removeinvalid(QString(300, QLatin1Char('x'))), QString(250, QLatin1Char('x')));
    EXPECT_EQ(removeinvalid(QString(250, QLatin1Char('x'))), QString(250, QLatin1Char('x')));

    // Multi-byte characters: cut so that name, a "(n)" suffix and the extension fit 255 bytes.
    const QString wide = removeinvalid(QString(300, QChar(0x00E9))); // two bytes each
    EXPECT_LE(wide.toUtf8().size() + 10, 255);
    EXPECT_EQ(wide, QString(wide.size(), QChar(0x00E9)));

    // Characters outside the basic plane are never split.
    QString emoji;
    for (int i = 0; i < 100; ++i)
        emoji += QString::fromUcs4(U"\U0001F3B5");
    const QString e = removeinvalid(emoji);
    EXPECT_EQ(e.size() % 2, 0);
    EXPECT_LE(e.toUtf8().size() + 10, 255);

    // A short name is left as it is.
    EXPECT_EQ(removeinvalid(QString(200, QLatin1Char('y'))), QString(200, QLatin1Char('y')));
}

TEST_F(FileNames, DuplicateNamesAreNumberedIgnoringCaseAndCountingFoldersAndHiddenFiles)
{
    MusicFolder = homeDir();
    EXPECT_EQ(checkduplmp3(QStringLiteral("Track 1.mp3")), QStringLiteral("Track 1.mp3"));

    writeAll(MusicFolder + QStringLiteral("Track 1.mp3"), "x");
    writeAll(MusicFolder + QStringLiteral("Track 1(1).mp3"), "x");
    EXPECT_EQ(checkduplmp3(QStringLiteral("Track 1.mp3")), QStringLiteral("Track 1(2).mp3"));

    writeAll(MusicFolder + QStringLiteral("SONG.MP3"), "x");
    EXPECT_EQ(checkduplmp3(QStringLiteral("Song.mp3")), QStringLiteral("Song(1).mp3"));

    QDir(MusicFolder).mkdir(QStringLiteral("Album.mp3"));
    EXPECT_EQ(checkduplmp3(QStringLiteral("Album.mp3")), QStringLiteral("Album(1).mp3"));

    writeAll(MusicFolder + QStringLiteral(".hidden.wav"), "x");
    EXPECT_EQ(checkduplwav(QStringLiteral(".hidden.wav")), QStringLiteral(".hidden(1).wav"));

    writeAll(MusicFolder + QStringLiteral("Take.WAV"), "x");
    EXPECT_EQ(checkduplwav(QStringLiteral("Take.WAV")), QStringLiteral("Take(1).wav"));

    // A name at the limit gives up characters so that its numbered form still fits.
    const QString longName = removeinvalid(QString(300, QLatin1Char('z'))) + QStringLiteral(".mp3");
    writeAll(MusicFolder + longName, "x");
    const QString numberedLong = checkduplmp3(longName);
    EXPECT_TRUE(numberedLong.endsWith(QStringLiteral("(1).mp3")));
    EXPECT_LE(numberedLong.toUtf8().size(), 255);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(FileNames, PauseLetsEventsRunUntilTheTimeHasPassed)
{
    clock.setAutoStep(50);
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    const qint64 start = clock.monotonicMs();
    PAUSE(1000);
    EXPECT_GE(clock.monotonicMs() - start, 1000);
    EXPECT_TRUE(handled);
}

TEST_F(FileNames, ShortPathNameIsThePathItselfOrAMessage)
{
    const QString withBlanks = homeDir() + QStringLiteral("My Song File.wav");
    writeAll(withBlanks, "x");
    EXPECT_EQ(shortpathname(withBlanks), withBlanks);
    EXPECT_TRUE(prompt.asked.empty());

    EXPECT_EQ(shortpathname(homeDir() + QStringLiteral("missing.wav")), QString());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, QStringLiteral("Invalid Filename or Error=0"));
    EXPECT_EQ(prompt.last().style, Mb::OKOnly | Mb::Information);
    EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
}
