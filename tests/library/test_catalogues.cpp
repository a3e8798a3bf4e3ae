#include "fixture.h"

#include "platform/errors.h"
#include "library/catalogues.h"
#include "library/recordfile.h"
#include "platform/atomicfile.h"
#include "platform/files.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
const QString kE = QString(QChar(4));
} // namespace

class Catalogues : public AppFixture {
protected:
    void TearDown() override
    {
        RecordFile::setBeforeRenameHook({});
        RecordFile::setFileReadHook({});
        AppFixture::TearDown();
    }
    QString log() const { return QString::fromUtf8(readAll(programFile(QStringLiteral("QuilloryError.log")))); }
    int reports() const { return int(prompt.asked.size()); }
};

// ---- exact bytes ----

TEST_F(Catalogues, OneSongWithEmptyCoverAndNotesIsWrittenExactly)
{
    colMp3 songs;
    songs.setFileName(programFile("MP3.mpd"));
    songs.Add(QStringLiteral("Blue Sky"), QStringLiteral("Björk"), "3:25", "Album", "Rock", "", "", "");
    songs.SaveFile();
    EXPECT_EQ(readAll(programFile("MP3.mpd")),
              QByteArray("Blue Sky\x04" "Bj\xC3\xB6rk\x04" "3:25\x04" "Album\x04" "Rock\x04\x04\x04\x04\r\n"));
    EXPECT_EQ(reports(), 0);
}

TEST_F(Catalogues, EmptyCataloguesAreWrittenAsCrLfAlone)
{
    colMp3 songs;
    colPlaylist lists;
    colCD cds;
    songs.setFileName(programFile("MP3.mpd"));
    lists.setFileName(programFile("playlist.mpd"));
    cds.setFileName(programFile("cd.mpd"));
    songs.SaveFile();
    lists.SaveFile();
    cds.SaveFile();
    for (const char* name : {"MP3.mpd", "playlist.mpd", "cd.mpd"})
        EXPECT_EQ(readAll(programFile(name)), QByteArray("\r\n")) << name;
}

TEST_F(Catalogues, NegativeItemNumberIsWrittenWithMinusAndReadBack)
{
    colPlaylist lists;
    lists.setFileName(programFile("playlist.mpd"));
    lists.Add("Mix", -5, "Song", "Artist", "1:00", "", "", "");
    lists.SaveFile();
    EXPECT_EQ(readAll(programFile("playlist.mpd")),
              QByteArray("Mix\x04-5\x04Song\x04" "Artist\x04" "1:00\x04\x04\x04\x04\r\n"));
    colPlaylist back;
    back.setFileName(programFile("playlist.mpd"));
    EXPECT_TRUE(back.OpenFile());
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.Item(1)->ItemNumber(), -5);
    EXPECT_EQ(reports(), 0);
}

// ---- round trips ----

TEST_F(Catalogues, EveryRecordKindRoundTrips)
{
    // Values with CR LF inside, empty fields, an empty last field and non-ASCII text.
    const QString multi = QStringLiteral("line one\r\nline two");
    colMp3 songs;
    songs.setFileName(programFile("MP3.mpd"));
    songs.Add(multi, "A", "1:02", "", "Pop", "cover.jpg", "", "");
    songs.Add("Ça va", "Zoë", "10:00", "Album", "", "", "notes", "");
    songs.SaveFile();

    colPlaylist lists;
    lists.setFileName(programFile("playlist.mpd"));
    lists.Add("Party", 1, "S1", "A1", "2:00", "pic.bmp", "", "");
    lists.Add("Party", 32767, "S2", "A2", "3:00", "pic.bmp", "", "");
    lists.Add("Other", -32768, multi, "", "", "", "", "");
    lists.SaveFile();

    colCD cds;
    cds.setFileName(programFile("cd.mpd"));
    cds.Add("7a0b3c09", "Disc", "Band", "Track 1", "03:15", "Rock", "", "Yes", "");
    cds.Add("7a0b3c09", "Disc", "Band", "Track 2", "04:00", "Rock", "", "No", "");
    cds.Add("00000000", "", "", "", "", "", "", "", "");
    cds.SaveFile();

    colMp3 songs2;
    songs2.setFileName(programFile("MP3.mpd"));
    songs2.OpenFile();
    ASSERT_EQ(songs2.Count(), 2);
    const auto& s1 = *songs2.Item(1);
    EXPECT_EQ(s1.MP3Title(), multi);
    EXPECT_EQ(s1.artist(), "A");
    EXPECT_EQ(s1.Length(), "1:02");
    EXPECT_EQ(s1.CDTitle(), "");
    EXPECT_EQ(s1.Category(), "Pop");
    EXPECT_EQ(s1.Cover(), "cover.jpg");
    EXPECT_EQ(s1.Notes(), "");
    const auto& s2 = *songs2.Item(2);
    EXPECT_EQ(s2.MP3Title(), QStringLiteral("Ça va"));
    EXPECT_EQ(s2.artist(), QStringLiteral("Zoë"));
    EXPECT_EQ(s2.Notes(), "notes");

    colPlaylist lists2;
    lists2.setFileName(programFile("playlist.mpd"));
    lists2.OpenFile();
    ASSERT_EQ(lists2.Count(), 3);
    EXPECT_EQ(lists2.Item(1)->PlaylistName(), "Party");
    EXPECT_EQ(lists2.Item(1)->Cover(), "pic.bmp");
    EXPECT_EQ(lists2.Item(2)->ItemNumber(), 32767);
    EXPECT_EQ(lists2.Item(2)->MP3Title(), "S2");
    EXPECT_EQ(lists2.Item(2)->artist(), "A2");
    EXPECT_EQ(lists2.Item(2)->Length(), "3:00");
    EXPECT_EQ(lists2.Item(3)->ItemNumber(), -32768);
    EXPECT_EQ(lists2.Item(3)->MP3Title(), multi);

    colCD cds2;
    cds2.setFileName(programFile("cd.mpd"));
    cds2.OpenFile();
    ASSERT_EQ(cds2.Count(), 3);
    const auto& t = *cds2.Item(2);
    EXPECT_EQ(t.CDID(), "7a0b3c09");
    EXPECT_EQ(t.CDTitle(), "Disc");
    EXPECT_EQ(t.artist(), "Band");
    EXPECT_EQ(t.TrackTitle(), "Track 2");
    EXPECT_EQ(t.TrackLength(), "04:00");
    EXPECT_EQ(t.Category(), "Rock");
    EXPECT_EQ(t.Notes(), "");
    EXPECT_EQ(t.TrackSelected(), "No");
    EXPECT_EQ(cds2.Item(3)->CDID(), "00000000");
    EXPECT_EQ(cds2.Item(3)->TrackSelected(), "");

    // The category list has no save; it reads the format the others write.
    writeAll(programFile("category.mpd"), QByteArray("0\x04" "Blues\x04\x04" "17\x04Rock\x04\x04\r\n"));
    colCategory cats;
    cats.setFileName(programFile("category.mpd"));
    cats.OpenFile();
    ASSERT_EQ(cats.Count(), 2);
    EXPECT_EQ(cats.Item(2)->CategoryNumber(), "17");
    EXPECT_EQ(cats.Item(2)->Category(), "Rock");
    EXPECT_EQ(reports(), 0);
}

// A first text that starts with U+FEFF, the byte-order mark, comes back whole from a save and
// a load, in every kind of catalogue, and a file the program did not write (with a mark, with
// the marks of a fuzzed file) reads back the same after a save.
TEST_F(Catalogues, AFirstTextStartingWithAByteOrderMarkRoundTrips)
{
    const QString mark(QChar(0xFEFF));
    for (const QString& first : {mark, mark + "Title", mark + mark + "Title", mark + "\u00EF"}) {
        const std::string where = first.toHtmlEscaped().toStdString();
        // Each store is given its file and filled (by add), or loaded from it.
        const auto use = [this](auto& store, const char* name, const auto& add) {
            store.setFileName(programFile(name));
            add(store);
            store.SaveFile();
        };
        const auto load = [this](auto& store, const char* name) {
            store.setFileName(programFile(name));
            store.OpenFile();
            return store.Count();
        };
        colMp3 songs;
        colPlaylist lists;
        colCD cds;
        use(songs, "MP3.mpd", [&](colMp3& c) { c.Add(first, mark, "", "", "", "", ""); });
        use(lists, "playlist.mpd", [&](colPlaylist& c) { c.Add(first, 1, first, "", "", "", ""); });
        use(cds, "cd.mpd", [&](colCD& c) { c.Add(first, "", "", "", "", "", "", ""); });

        colMp3 songsBack;
        colPlaylist listsBack;
        colCD cdsBack;
        ASSERT_EQ(load(songsBack, "MP3.mpd"), 1) << where;
        ASSERT_EQ(load(listsBack, "playlist.mpd"), 1) << where;
        ASSERT_EQ(load(cdsBack, "cd.mpd"), 1) << where;
        EXPECT_EQ(songsBack.Item(1)->MP3Title(), first) << where;
        EXPECT_EQ(songsBack.Item(1)->artist(), mark) << where;
        EXPECT_EQ(listsBack.Item(1)->PlaylistName(), first) << where;
        EXPECT_EQ(listsBack.Item(1)->MP3Title(), first) << where;
        EXPECT_EQ(cdsBack.Item(1)->CDID(), first) << where;

        // Saved untouched, the file stays as it is.
        const QByteArray saved = readAll(programFile("MP3.mpd"));
        songsBack.SaveFile();
        EXPECT_EQ(readAll(programFile("MP3.mpd")), saved) << where;
    }

    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray fuzzed("\x04\xEF\xBB\xBF\xEF\xBB\xBF\xEF\x04\x04\x04\x04\x04\x04\x04\x04", 16);
    for (const QByteArray& bytes : {fuzzed, fuzzed.mid(1), bom + "A\x04\x04\x04\x04\x04\x04\x04\x04",
                                    bom + bom + "\xEF\x04\x04\x04\x04\x04\x04\x04\x04"}) {
        const std::string where = bytes.toHex(' ').toStdString();
        const auto texts = [](const colMp3& songs) {
            QStringList out;
            for (const auto& s : songs)
                out << s->MP3Title() << s->artist() << s->Length() << s->CDTitle() << s->Category() << s->Cover()
                    << s->Notes();
            return out;
        };
        writeAll(programFile("MP3.mpd"), bytes);
        colMp3 songs;
        songs.setFileName(programFile("MP3.mpd"));
        songs.OpenFile();
        songs.SaveFile();
        colMp3 back;
        back.setFileName(programFile("MP3.mpd"));
        back.OpenFile();
        EXPECT_EQ(texts(back), texts(songs)) << where;
        EXPECT_FALSE(texts(songs).isEmpty()) << where;
    }
}

TEST_F(Catalogues, TwoOpenFileCallsGiveEveryRecordTwice)
{
    writeAll(programFile("MP3.mpd"), QByteArray("A\x04" "1\x04\x04\x04\x04\x04\x04\x04" "B\x04" "2\x04\x04\x04\x04\x04\x04\x04\r\n"));
    colMp3 songs;
    songs.setFileName(programFile("MP3.mpd"));
    EXPECT_TRUE(songs.OpenFile());
    EXPECT_TRUE(songs.OpenFile());
    ASSERT_EQ(songs.Count(), 4);
    QStringList titles;
    for (const auto& s : songs)
        titles << s->MP3Title();
    EXPECT_EQ(titles, QStringList({"A", "B", "A", "B"}));
    EXPECT_EQ(reports(), 0);
}

TEST_F(Catalogues, ItemIsTheStoredRecordAndRemoveShifts)
{
    colPlaylist lists;
    lists.setFileName(QStringLiteral("playlist.mpd")); // no "/": the program folder
    lists.Add("P", 1, "one", "", "", "", "", "");
    lists.Add("P", 2, "two", "", "", "", "", "");
    lists.Add("P", 2, "two", "", "", "", "", ""); // duplicates are kept
    EXPECT_EQ(lists.Count(), 3);
    lists.Item(2)->setMP3Title("changed");
    lists.Remove(1);
    EXPECT_EQ(lists.Item(1)->MP3Title(), "changed");
    EXPECT_EQ(lists.NewEnum().size(), 2u);
    try {
        lists.Item(3);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.number, Err::Subscript);
    }
    EXPECT_THROW(lists.Remove(0), AppError);
    lists.SaveFile();
    EXPECT_TRUE(readAll(programFile("playlist.mpd")).startsWith("P\x04" "2\x04" "changed\x04"));
    lists.Clear();
    EXPECT_EQ(lists.Count(), 0);
}

// ---- saving safely ----

TEST_F(Catalogues, SaveCutOffBeforeTheRenameLeavesTheOldFile)
{
    const QByteArray old("Old\x04\x04\x04\x04\x04\x04\x04\x04\r\n");
    writeAll(programFile("MP3.mpd"), old);
    colMp3 songs;
    songs.setFileName(programFile("MP3.mpd"));
    songs.OpenFile();
    songs.Add("New", "", "", "", "", "", "", "");
    QByteArray seenTemp;
    QByteArray seenRecord;
    RecordFile::setBeforeRenameHook([&](const QString& temp, const QString& record) {
        seenTemp = readAll(temp);
        seenRecord = readAll(record);
        throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
    });
    songs.SaveFile();
    // The new file was complete on disk, the record file untouched; the failure was reported.
    EXPECT_TRUE(seenTemp.endsWith("New\x04\x04\x04\x04\x04\x04\x04\x04\r\n"));
    EXPECT_EQ(seenRecord, old);
    EXPECT_EQ(readAll(programFile("MP3.mpd")), old);
    EXPECT_FALSE(QFile::exists(programFile("MP3.mpd.tmp")));
    ASSERT_EQ(reports(), 1);
    EXPECT_TRUE(log().contains("Module Name : colMP3\r\nProcedure   : SaveFile\r\nError number: 75\r\n"));

    RecordFile::setBeforeRenameHook({});
    songs.SaveFile();
    EXPECT_EQ(readAll(programFile("MP3.mpd")), old.chopped(2) + "New\x04\x04\x04\x04\x04\x04\x04\x04\r\n");
    EXPECT_EQ(songs.Count(), 2);
}

TEST_F(Catalogues, SaveSyncsTheFolderOnceTheRenamedFileIsInPlace)
{
    writeAll(programFile("MP3.mpd"), "");
    colMp3 songs;
    songs.setFileName(programFile("MP3.mpd"));
    songs.OpenFile();
    songs.Add("New", "", "", "", "", "", "", "");
    std::vector<std::pair<QString, QByteArray>> synced; // folder, the record file then
    AtomicFile::Calls calls;
    calls.syncFolder = [&](const QString& folder) {
        synced.emplace_back(folder, readAll(programFile("MP3.mpd")));
        return 0;
    };
    AtomicFile::setCalls(calls);
    songs.SaveFile();
    ASSERT_EQ(synced.size(), 1u);
    EXPECT_EQ(QFileInfo(synced[0].first).canonicalFilePath(), QFileInfo(programFile("MP3.mpd")).canonicalPath());
    EXPECT_EQ(synced[0].second, "New\x04\x04\x04\x04\x04\x04\x04\x04\r\n");
    EXPECT_EQ(reports(), 0);
}

TEST_F(Catalogues, SaveCreatesAMissingRecordFile)
{
    colCD cds;
    cds.setFileName(programFile("cd.mpd"));
    cds.Add("1", "2", "3", "4", "5", "6", "7", "Yes", "");
    ASSERT_FALSE(QFile::exists(programFile("cd.mpd")));
    cds.SaveFile();
    EXPECT_EQ(readAll(programFile("cd.mpd")), QByteArray("1\x04" "2\x04" "3\x04" "4\x04" "5\x04" "6\x04" "7\x04Yes\x04\x04\r\n"));
    EXPECT_FALSE(QFile::exists(programFile("cd.mpd.tmp")));
    EXPECT_EQ(reports(), 0);
}

TEST_F(Catalogues, SaveIntoAMissingFolderIsReportedOnce)
{
    colMp3 songs;
    songs.setFileName(programFile("no such folder/MP3.mpd"));
    songs.SaveFile();
    ASSERT_EQ(reports(), 1);
    EXPECT_TRUE(log().contains("Procedure   : SaveFile\r\nError number: 76\r\n"));
}

TEST_F(Catalogues, MoreThan32766RecordsSaveAndLoad)
{
    colPlaylist lists;
    lists.setFileName(programFile("recent.mpd"));
    for (int i = 0; i < 40000; ++i)
        lists.Add("*%#Recent List#%*", int16_t(i % 30000 + 1), QString::number(i), "", "", "", "", "");
    lists.SaveFile();
    colPlaylist back;
    back.setFileName(programFile("recent.mpd"));
    back.OpenFile();
    ASSERT_EQ(back.Count(), 40000);
    EXPECT_EQ(back.Item(40000)->MP3Title(), "39999");
    EXPECT_EQ(reports(), 0);
}

TEST_F(Catalogues, ALargeSaveWrittenInPiecesKeepsTheOldFileWhenTheDiskFills)
{
    writeAll(programFile("MP3.mpd"), "Old\x04\x04\x04\x04\x04\x04\x04\x04\r\n");
    colMp3 songs;
    songs.setFileName(programFile("MP3.mpd"));
    for (int i = 0; i < 30000; ++i)
        songs.Add(QStringLiteral("Song %1 – a title").arg(i), "Artist", "3:00", "Album", "Rock", "", "");
    long written = 0;
    int writes = 0;
    AtomicFile::Calls calls;
    calls.write = [&](int fd, const char* data, long size) {
        if (++writes == 3) { // the disk fills during the third piece
            errno = ENOSPC;
            return -1L;
        }
        written += size;
        return static_cast<long>(::write(fd, data, size));
    };
    AtomicFile::setCalls(calls);
    songs.SaveFile();
    EXPECT_EQ(writes, 3);
    EXPECT_EQ(readAll(programFile("MP3.mpd")), "Old\x04\x04\x04\x04\x04\x04\x04\x04\r\n");
    EXPECT_FALSE(QFile::exists(programFile("MP3.mpd.tmp")));
    ASSERT_EQ(reports(), 1);
    EXPECT_TRUE(log().contains("Procedure   : SaveFile\r\nError number: 61\r\n"));

    // With room, the same save lands whole.
    AtomicFile::setCalls({});
    songs.SaveFile();
    colMp3 back;
    back.setFileName(programFile("MP3.mpd"));
    back.OpenFile();
    ASSERT_EQ(back.Count(), 30000);
    EXPECT_EQ(back.Item(30000)->MP3Title(), QStringLiteral("Song 29999 – a title"));
    EXPECT_GT(written, 0);
}

TEST_F(Catalogues, CharacterFourCannotBreakTheFile)
{
    colMp3 songs;
    songs.setFileName(programFile("MP3.mpd"));
    songs.Add("Ti" + kE + "tle", kE + kE, "1:00", "Al" + kE + kE + "bum", "", "", "", "");
    songs.Add("Second", "B", "", "", "", "", "", "");
    songs.Item(2)->setNotes("n" + kE + kE + kE);
    EXPECT_EQ(songs.Item(1)->MP3Title(), "Title");
    EXPECT_EQ(songs.Item(2)->Notes(), "n");
    songs.SaveFile();

    colMp3 back;
    back.setFileName(programFile("MP3.mpd"));
    back.OpenFile();
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Item(1)->MP3Title(), "Title");
    EXPECT_EQ(back.Item(1)->artist(), "");
    EXPECT_EQ(back.Item(1)->CDTitle(), "Album");
    EXPECT_EQ(back.Item(2)->MP3Title(), "Second");
    EXPECT_EQ(back.Item(2)->Notes(), "n");
    // The writer drops it as well, whatever hands it a value.
    QString out;
    RecordFile::AppendField(out, "a" + kE + "b");
    EXPECT_EQ(out, "ab" + kE);
    EXPECT_EQ(reports(), 0);
}

// ---- reading what others wrote ----

TEST_F(Catalogues, ReadsUtf8AndWindows1252AndLfEndings)
{
    // "Café" in UTF-8, "Crème" and the euro sign in Windows-1252, file ending in LF only.
    writeAll(programFile("MP3.mpd"), QByteArray("Caf\xC3\xA9\x04" "Cr\xE8me \x80\x04\x04\x04\x04\x04\x04\x04\n"));
    colMp3 songs;
    songs.setFileName(programFile("MP3.mpd"));
    songs.OpenFile();
    ASSERT_EQ(songs.Count(), 1);
    EXPECT_EQ(songs.Item(1)->MP3Title(), QStringLiteral("Café"));
    EXPECT_EQ(songs.Item(1)->artist(), QStringLiteral("Crème €"));
    EXPECT_EQ(reports(), 0);
}

TEST_F(Catalogues, ShortAndUnterminatedFilesLoadWithoutReport)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        int count;
    } cases[] = {
        {"empty", "", 0},
        {"crlf only", "\r\n", 0},
        {"lf only", "\n", 0},
        {"no line end", "A\x04\x04\x04\x04\x04\x04\x04\x04" "B\x04\x04\x04\x04\x04\x04\x04\x04", 2},
    };
    for (const Case& c : cases) {
        writeAll(programFile("MP3.mpd"), c.bytes);
        colMp3 songs;
        songs.setFileName(programFile("MP3.mpd"));
        EXPECT_TRUE(songs.OpenFile());
        EXPECT_EQ(songs.Count(), c.count) << c.name;
    }
    writeAll(programFile("category.mpd"), "\r\n");
    colCategory cats;
    cats.setFileName(programFile("category.mpd"));
    cats.OpenFile();
    EXPECT_EQ(cats.Count(), 0);
    EXPECT_EQ(reports(), 0);
}

// A read that fails part-way (on a record boundary, inside a record, at once, at the end, or
// after two byte-order marks) is reported, keeps what was read, and no save ever writes the short catalogue
// over the file.
TEST_F(Catalogues, AFailedReadIsReportedAndTheCatalogueIsNeverSavedOverItsFile)
{
    const QByteArray record("Song\x04" "Artist\x04" "3:00\x04\x04\x04\x04\x04\x04");
    const QByteArray bom("\xEF\xBB\xBF");
    struct Case {
        const char* name;
        QByteArray file;
        qsizetype goodBytes; // read before the failure
        int count;           // songs held after the load
    } cases[] = {
        {"on a record boundary", record.repeated(3000) + "\r\n", 1000 * record.size(), 1000},
        {"inside a record", record.repeated(3000) + "\r\n", 1000 * record.size() + 5, 1000},
        {"at the first read", record.repeated(3) + "\r\n", 0, 0},
        {"after the whole text", record.repeated(3) + "\r\n", record.size() * 3 + 2, 3},
        {"after two marks", bom + bom + record.repeated(3) + "\r\n", 20, 0},
    };
    const QString path = programFile("MP3.mpd");
    for (const Case& c : cases) {
        prompt.asked.clear();
        writeAll(path, c.file);
        qsizetype at = 0;
        RecordFile::setFileReadHook([&](QFile& file, char* buffer, qsizetype max) -> qsizetype {
            if (at >= c.goodBytes) {
                errno = EIO;
                return -1;
            }
            const qint64 n = file.read(buffer, std::min(max, c.goodBytes - at));
            at += n;
            return n;
        });
        colMp3 songs;
        songs.setFileName(path);
        EXPECT_TRUE(songs.OpenFile());
        RecordFile::setFileReadHook({});
        EXPECT_EQ(songs.Count(), c.count) << c.name;
        ASSERT_EQ(reports(), 1) << c.name;
        EXPECT_TRUE(log().contains("Module Name : colMP3\r\nProcedure   : OpenFile\r\nError number: 75\r\n")) << c.name;
        EXPECT_TRUE(prompt.asked.back().text.contains(QStringLiteral("could not be read to its end"))) << c.name;

        // Every save is refused and reported, however often it is tried; the file stays whole.
        songs.Add("New", "", "", "", "", "", "");
        songs.SaveFile();
        songs.SaveFile();
        EXPECT_EQ(readAll(path), c.file) << c.name;
        EXPECT_EQ(reports(), 3) << c.name;
        EXPECT_TRUE(prompt.asked.back().text.contains(QStringLiteral("was not read whole, so it was not saved")))
            << c.name;
        EXPECT_TRUE(log().contains("Module Name : colMP3\r\nProcedure   : SaveFile\r\nError number: 75\r\n")) << c.name;
    }

    // The other stores refuse as well; a store read whole saves as before.
    writeAll(programFile("playlist.mpd"), "P\x04" "1\x04" "S\x04\x04\x04\x04\x04\x04\r\n");
    RecordFile::setFileReadHook([](QFile&, char*, qsizetype) -> qsizetype { return -1; });
    colPlaylist lists;
    lists.setFileName(programFile("playlist.mpd"));
    lists.OpenFile();
    RecordFile::setFileReadHook({});
    lists.SaveFile();
    EXPECT_EQ(readAll(programFile("playlist.mpd")), "P\x04" "1\x04" "S\x04\x04\x04\x04\x04\x04\r\n");
    colPlaylist whole;
    whole.setFileName(programFile("playlist.mpd"));
    whole.OpenFile();
    whole.Add("Q", 1, "T", "", "", "", "");
    prompt.asked.clear();
    whole.SaveFile();
    EXPECT_EQ(reports(), 0);
    EXPECT_EQ(whole.Count(), 2);
}

TEST_F(Catalogues, MissingFileIsReportedAndLeavesTheCatalogue)
{
    colCD cds;
    cds.setFileName(programFile("cd.mpd"));
    cds.Add("x", "", "", "", "", "", "", "", "");
    EXPECT_TRUE(cds.OpenFile());
    EXPECT_EQ(cds.Count(), 1);
    ASSERT_EQ(reports(), 1);
    EXPECT_TRUE(log().contains("Module Name : colCD\r\nProcedure   : OpenFile\r\nError number: 53\r\n"));
}

TEST_F(Catalogues, GarbageLoadsWhatParsesAndReportsOnce)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        int count;
    } cases[] = {
        {"text without separators", "just some text\r\n", 0},
        {"truncated last record", "A\x04\x04\x04\x04\x04\x04\x04\x04" "B\x04" "b\x04\x04", 1},
        {"junk after records", "A\x04\x04\x04\x04\x04\x04\x04\x04" "B\x04\x04\x04\x04\x04\x04\x04\x04junk\r\n", 2},
        {"lone separator at the end", "AB\x04", 0},
    };
    for (const Case& c : cases) {
        prompt.asked.clear();
        writeAll(programFile("MP3.mpd"), c.bytes);
        colMp3 songs;
        songs.setFileName(programFile("MP3.mpd"));
        EXPECT_TRUE(songs.OpenFile());
        EXPECT_EQ(songs.Count(), c.count) << c.name;
        EXPECT_EQ(reports(), 1) << c.name;
    }
    EXPECT_TRUE(log().contains("Module Name : colMp3\r\nProcedure   : OpenFile\r\nError number: 5\r\n"));

    // A category file of one byte is parsed (it is not empty) and reported once.
    prompt.asked.clear();
    writeAll(programFile("category.mpd"), "x");
    colCategory cats;
    cats.setFileName(programFile("category.mpd"));
    cats.OpenFile();
    EXPECT_EQ(cats.Count(), 0);
    EXPECT_EQ(reports(), 1);
    EXPECT_TRUE(log().contains("Module Name : colCategory\r\nProcedure   : ParseFileText\r\n"));

    // Random bytes with many separators: the load ends and reports at most once.
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator rng(7);
    for (char& b : noise)
        b = char(rng.bounded(8) == 0 ? 4 : rng.bounded(256));
    writeAll(programFile("cd.mpd"), noise);
    prompt.asked.clear();
    colCD cds;
    cds.setFileName(programFile("cd.mpd"));
    EXPECT_TRUE(cds.OpenFile());
    EXPECT_GT(cds.Count(), 0);
    EXPECT_LE(reports(), 1);
}

TEST_F(Catalogues, BadItemNumberIsReportedAndTakesThePreviousOne)
{
    writeAll(programFile("playlist.mpd"), QByteArray("P\x04x\x04" "a\x04\x04\x04\x04\x04\x04"
                                                     "P\x04" "7\x04" "b\x04\x04\x04\x04\x04\x04"
                                                     "P\x04" "40000\x04" "c\x04\x04\x04\x04\x04\x04\r\n"));
    colPlaylist lists;
    lists.setFileName(programFile("playlist.mpd"));
    lists.OpenFile();
    ASSERT_EQ(lists.Count(), 3);
    EXPECT_EQ(lists.Item(1)->ItemNumber(), 0);
    EXPECT_EQ(lists.Item(2)->ItemNumber(), 7);
    EXPECT_EQ(lists.Item(3)->ItemNumber(), 7);
    EXPECT_EQ(lists.Item(3)->MP3Title(), "c");
    EXPECT_EQ(reports(), 2);
    EXPECT_TRUE(log().contains("Module Name : colPlaylist\r\nProcedure   : OpenFile\r\nError number: 13\r\n"));
    EXPECT_TRUE(log().contains("Error number: 6\r\n"));
}

TEST_F(Catalogues, ShippedCategoryListHoldsTheGenres)
{
    copyShipped("category.mpd");
    colCategory cats;
    cats.setFileName(QStringLiteral("category.mpd"));
    cats.OpenFile();
    ASSERT_EQ(cats.Count(), 148);
    for (int i = 1; i <= cats.Count(); ++i)
        EXPECT_EQ(cats.Item(i)->CategoryNumber(), QString::number(i - 1));
    EXPECT_EQ(cats.Item(1)->Category(), "Blues");
    EXPECT_EQ(cats.Item(18)->Category(), "Rock");
    EXPECT_EQ(cats.Item(148)->Category(), "Synthpop");
    EXPECT_EQ(reports(), 0);
}

// ---- the UTF-8 reader and writer against whole-text decoding and encoding ----

TEST_F(Catalogues, FieldsReadAsTheWholeDecodedTextSplitsThem)
{
    // Byte-order marks at the start of the file and of fields, a 4-byte character,
    // Windows-1252 bytes, a cut-off sequence and an encoded surrogate.
    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray inputs[] = {
        bom + "A\x04" + bom + "B\x04\x04\x04\x04\x04\x04\x04",
        bom + bom + "A\x04\x04\x04\x04\x04\x04\x04\x04",
        bom + bom + bom + "A\x04\x04\x04\x04\x04\x04\x04\x04",
        bom + bom + "A\x04\x04\x04\x04\x04\x04" + bom + "\x93q\x94\x04\x04",
        "\xF0\x9F\x8E\xB5 note\x04\xE2\x82\x04\xED\xA0\x80\x04\x04\x04\x04\x04last\x04one\x04\x04\r\n",
    };
    for (const QByteArray& bytes : inputs) {
        const QStringList expected = RecordFile::DecodeText(bytes).split(kE);
        writeAll(programFile("MP3.mpd"), bytes);
        colMp3 songs;
        songs.setFileName(programFile("MP3.mpd"));
        songs.OpenFile();
        ASSERT_EQ(songs.Count(), 1) << bytes.toHex().constData();
        const clsMP3& s = *songs.Item(1);
        const QStringList got{s.MP3Title(), s.artist(), s.Length(), s.CDTitle(), s.Category(), s.Cover()};
        EXPECT_EQ(got, expected.mid(0, 6)) << bytes.toHex().constData();
        // The last field runs to the pair of separators; a single one inside it is dropped.
        EXPECT_EQ(s.Notes(), expected.mid(6, expected.size() - 8).join(QString())) << bytes.toHex().constData();
    }
}

TEST_F(Catalogues, SavedBytesAreTheWholeTextInUtf8)
{
    const QString high(QChar(0xD83C)), low(QChar(0xDFB5));
    const QStringList values{QStringLiteral("plain"), QStringLiteral("Ünïcödé €"), high + low + QStringLiteral(" pair"),
                             QStringLiteral("ends high ") + high, low + QStringLiteral(" starts low"),
                             QStringLiteral("\uFEFFmark"), QStringLiteral("line\r\nbreak"), QString()};
    colMp3 songs;
    songs.setFileName(programFile("MP3.mpd"));
    QString whole;
    for (int r = 0; r < values.size(); ++r) {
        QStringList f;
        for (int c = 0; c < 7; ++c)
            f << values[(r + c) % values.size()];
        songs.Add(f[0], f[1], f[2], f[3], f[4], f[5], f[6]);
        whole += f.join(kE) + kE + kE;
    }
    songs.SaveFile();
    EXPECT_EQ(readAll(programFile("MP3.mpd")).toHex(' ').toStdString(),
              (whole + QStringLiteral("\r\n")).toUtf8().toHex(' ').toStdString());
}

// Every length up to past two blocks of eight, with a separator, a two-byte, a three-byte, a
// four-byte character, a lone surrogate or nothing special at every place: the writer gives
// what the whole text gives in UTF-8 (separators left out), in one buffer and in small pieces.
TEST_F(Catalogues, WriterEncodesEveryLengthAndPlaceLikeTheWholeText)
{
    const QString specials[] = {QString(), kE, QStringLiteral("é"), QStringLiteral("€"),
                                QString::fromUcs4(U"\U0001F3B5"), QString(QChar(0xDC00))};
    for (const QString& special : specials) {
        for (int length = 0; length <= 20; ++length) {
            for (int at = 0; at <= length; ++at) {
                QString value;
                for (int i = 0; i < length; ++i)
                    value += QChar(u'a' + i % 26);
                value.insert(at, special);
                const QByteArray expected = RecordFile::StripSep(value).toUtf8() + "\x04\x04\r\n";

                RecordFile::RecordWriter whole(RecordFile::RecordWriter::Bound(value) + 1);
                whole.field(value);
                whole.endRecord();
                QByteArray pieces;
                RecordFile::RecordWriter chunked(16, [&pieces](QByteArrayView piece) {
                    pieces += piece;
                    return true;
                });
                chunked.field(value);
                chunked.endRecord();
                EXPECT_TRUE(chunked.finish().isEmpty());
                const QString where = special.toHtmlEscaped() + QStringLiteral(" at %1 of %2").arg(at).arg(length);
                EXPECT_EQ(whole.finish(), expected) << where.toStdString();
                EXPECT_EQ(pieces, expected) << where.toStdString();
            }
        }
    }
}

// Read in pieces of any size, records that straddle pieces, one record larger than the
// buffer, line ends between pieces and a damaged tail give what the whole text gives.
TEST_F(Catalogues, TextReadInPiecesParsesAsTheWholeText)
{
    const QByteArray big(100, 'x');
    const QByteArray texts[] = {
        "a\x04" "b\x04\x04\x04",
        "a\x04" "b\x04" "c\x04" "d\x04\x04" "e\x04" "f\x04" "g\x04\x04", // a separator inside the last field
        "a\x04" + big + "\x04\x04\x04" "c\x04\xE9t\xC3\xA9\x04\x04\x04\r\n",
        "a\x04" "b\x04" "c\x04\x04\r\n\r\n",
        "a\x04" "b\x04\x04\x04" "c\x04" "d\x04",          // a damaged tail
        "a\x04" "b\x04\x04\x04\r\nc\x04" "d\x04\x04\x04", // a line end inside the text
        "",
    };
    using Records = std::vector<QStringList>;
    const auto collect = [](Records& into) {
        return [&into](QString* f) { into.push_back({f[0], f[1], f[2]}); };
    };
    for (const QByteArray& text : texts) {
        Records whole;
        const RecordFile::ParseResult expected = RecordFile::ParseRecords(text, 3, collect(whole));
        for (qsizetype chunk : {1, 2, 3, 7, 16, 64, 1024}) {
            Records pieces;
            qsizetype at = 0;
            const RecordFile::ParseResult got = RecordFile::ParseRecordsFrom(
                [&](char* buffer, qsizetype max) {
                    const qsizetype n = std::min({max, chunk, text.size() - at});
                    std::memcpy(buffer, text.constData() + at, size_t(n));
                    at += n;
                    return n;
                },
                3, collect(pieces), {}, 1024, chunk);
            const std::string where = text.toHex().toStdString() + " in pieces of " + std::to_string(chunk);
            EXPECT_EQ(pieces, whole) << where;
            EXPECT_EQ(got.records, expected.records) << where;
            EXPECT_EQ(got.damaged, expected.damaged) << where;
        }
    }
}

// Saving songs untouched writes what saving them after reading their texts writes, a changed
// song is written with its change, and a song taken out of its catalogue still reads right
// after the catalogue is gone.
TEST_F(Catalogues, SongsKeptAsReadSaveAsTheirTexts)
{
    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray files[] = {
        "Blue Sky\x04" "Bj\xC3\xB6rk\x04" "3:25\x04" "Album\x04" "Rock\x04\x04\x04\x04\r\n",
        bom + "A\x04" + bom + "B\x04\x04\x04\x04\x04\x04\x04" "\r\nSecond\x04\x04\x04\x04\x04\x04notes\x04\x04\n",
        "Caf\xC3\xA9\x04" "Cr\xE8me \x80\x04\x04\x04\x04\x04\x04\x04" "Next\x04\x04\x04\x04\x04\x04last\x04one\x04\x04",
        "\xF0\x9F\x8E\xB5 note\x04\xE2\x82\x04\xED\xA0\x80\x04\x04\x04\x04\x04\x04" "ok\x04\x04\x04\x04\x04\x04\x04\x04\r\n",
    };
    const QString path = programFile("MP3.mpd");
    for (const QByteArray& bytes : files) {
        const auto load = [&] {
            writeAll(path, bytes);
            auto songs = std::make_unique<colMp3>();
            songs->setFileName(path);
            songs->OpenFile();
            return songs;
        };
        const auto readSong = [](const clsMP3& s) {
            return QStringList{s.MP3Title(), s.artist(), s.Length(), s.CDTitle(), s.Category(), s.Cover(), s.Notes()};
        };
        auto untouched = load();
        untouched->SaveFile();
        const QByteArray asRead = readAll(path);
        auto used = load();
        std::vector<QStringList> texts;
        for (const auto& song : *used)
            texts.push_back(readSong(*song));
        used->SaveFile();
        EXPECT_EQ(asRead.toHex(' ').toStdString(), readAll(path).toHex(' ').toStdString()) << bytes.toHex().constData();

        // One file read twice into one catalogue, only the second reading's songs used.
        auto twice = load();
        twice->OpenFile();
        for (int i = int(texts.size()) + 1; i <= twice->Count(); ++i)
            EXPECT_EQ(readSong(*twice->Item(i)), texts[size_t(i) - texts.size() - 1]);
        twice->SaveFile();
        EXPECT_EQ(readAll(path), asRead.chopped(2) + asRead) << bytes.toHex().constData();

        const colMp3::Ptr first = load()->Item(1); // the song outlives its catalogue
        EXPECT_EQ(readSong(*first), texts.front()) << bytes.toHex().constData();

        auto changed = load();
        const colMp3::Ptr last = changed->Item(changed->Count());
        last->setArtist(QStringLiteral("Changed"));
        changed->SaveFile();
        texts.back()[1] = QStringLiteral("Changed");
        EXPECT_EQ(readSong(*last), texts.back());
        colMp3 back;
        back.setFileName(path);
        back.OpenFile();
        std::vector<QStringList> backTexts;
        for (const auto& song : back)
            backTexts.push_back(readSong(*song));
        EXPECT_EQ(backTexts, texts) << bytes.toHex().constData();
    }
    EXPECT_EQ(reports(), 0);
}

// ---- finding songs by title ----

TEST_F(Catalogues, TitleKeysAgreeWithComparingIgnoringCase)
{
    const QString deseretUpper = QString::fromUcs4(U"\U00010400"), deseretLower = QString::fromUcs4(U"\U00010428");
    const QStringList texts{QStringLiteral("abc"),     QStringLiteral("ABC"),   QStringLiteral("Straße"),
                            QStringLiteral("STRASSE"), QStringLiteral("ẞ"),     QStringLiteral("ß"),
                            QStringLiteral("ΣΑΣ"),     QStringLiteral("σας"),   QStringLiteral("σαΣ"),
                            QStringLiteral("K"),       QStringLiteral("\u212A"), QStringLiteral("k"),
                            QStringLiteral("İ"),       QStringLiteral("i"),     QStringLiteral("ı"),
                            deseretUpper,              deseretLower,           QString(QChar(0xD801)),
                            QString(),                 QStringLiteral("ǅ"),     QStringLiteral("ǆ")};
    for (const QString& a : texts)
        for (const QString& b : texts)
            EXPECT_EQ(caseFoldKey(a) == caseFoldKey(b), a.compare(b, Qt::CaseInsensitive) == 0)
                << a.toStdString() << " / " << b.toStdString();
}

TEST_F(Catalogues, SongsByTitleFindTheFirstSongOfATitleIgnoringCase)
{
    const QString deseretUpper = QString::fromUcs4(U"\U00010400"), deseretLower = QString::fromUcs4(U"\U00010428");
    const QStringList texts{QStringLiteral("abc"),  QStringLiteral("ABC"),    QStringLiteral("Straße"),
                            QStringLiteral("ẞ"),    QStringLiteral("ß"),      QStringLiteral("σας"),
                            QStringLiteral("ΣΑΣ"),  QStringLiteral("\u212A"), QStringLiteral("k"),
                            QStringLiteral("İ"),    QStringLiteral("i"),      deseretUpper,
                            deseretLower,           QString(QChar(0xD801)),  QString(),
                            QStringLiteral("ǅ"),    QStringLiteral("ǆ"),      QStringLiteral("Abc ")};
    // The keys compared and hashed in place agree with the keys made.
    for (const QString& a : texts)
        for (const QString& b : texts) {
            EXPECT_EQ(sameCaseFoldKey(a, b), caseFoldKey(a) == caseFoldKey(b)) << a.toStdString() << " / " << b.toStdString();
            if (caseFoldKey(a) == caseFoldKey(b)) {
                EXPECT_EQ(caseFoldKeyHash(a), caseFoldKeyHash(b)) << a.toStdString() << " / " << b.toStdString();
            }
        }

    // A catalogue of these titles among many others (so that the table's places are shared),
    // each song's artist its place.
    colMp3 songs;
    for (int i = 0; i < 3000; ++i)
        songs.Add(QStringLiteral("Song %1").arg(i), QString::number(songs.Count() + 1), "", "", "", "", "");
    for (const QString& t : texts)
        songs.Add(t, QString::number(songs.Count() + 1), "", "", "", "", "");
    for (int i = 0; i < 3000; ++i)
        songs.Add(QStringLiteral("SONG %1").arg(i), QString::number(songs.Count() + 1), "", "", "", "", "");
    const SongsByTitle byTitle(&songs);
    const auto first = [&](const QString& title) {
        for (const auto& s : songs)
            if (s->MP3Title().compare(title, Qt::CaseInsensitive) == 0)
                return s.get();
        return static_cast<clsMP3*>(nullptr);
    };
    for (const QString& t : texts + QStringList{QStringLiteral("song 17"), QStringLiteral("SoNg 2999"),
                                                QStringLiteral("Song 3000"), QStringLiteral("abc  ")}) {
        const clsMP3* found = byTitle.find(t);
        EXPECT_EQ(found, first(t)) << t.toStdString() << " found " << (found ? found->artist().toStdString() : "none");
    }
    EXPECT_EQ(SongsByTitle(nullptr).find(QStringLiteral("abc")), nullptr);
    colMp3 none;
    EXPECT_EQ(SongsByTitle(&none).find(QString()), nullptr);
}
