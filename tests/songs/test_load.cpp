#include "songsfixture.h"

#include <QHeaderView>
#include <mutex>

#include "core/mp3listing.h"

#include "shell/frmmain.h"

TEST_F(SongsFixture, SongListJoinsFilesWithTheCatalogueByTitle)
{
    ASSERT_FALSE(toneMp3().isEmpty());
    song(QStringLiteral("song"), QStringLiteral("Ann"), QStringLiteral("3:05"), QStringLiteral("Best"),
         QStringLiteral("Rock"));
    song(QStringLiteral("twice"), QStringLiteral("First"), QStringLiteral("1:00"));
    song(QStringLiteral("TWICE"), QStringLiteral("Second"), QStringLiteral("2:00"));
    touch(MusicFolder + QStringLiteral("Song.MP3"));
    file(QStringLiteral("twice"));
    touch(MusicFolder + QStringLiteral("x.mp3.bak")); // taken as song "x.mp3", which cannot be opened
    touch(MusicFolder + QStringLiteral("notes.txt"));
    touch(MusicFolder + QStringLiteral("broken.mp3"), QByteArray(300, 'z'));
    // Unknown to the catalogue: one file with a tag, then one without.
    QFile::copy(toneMp3(), MusicFolder + QStringLiteral("a tagged.mp3"));
    {
        Mp3Play tagger;
        ASSERT_EQ(tagger.Open(MusicFolder + QStringLiteral("a tagged.mp3"), QString()), 0);
        tagger.SetTagArtist(QStringLiteral("Tagger"));
        tagger.SetTagAlbum(QStringLiteral("Album"));
        tagger.SetTagGenre(17);
        tagger.Close();
        tagger.WriteTag();
    }
    QFile::copy(toneMp3(), MusicFolder + QStringLiteral("b plain.mp3"));

    frmSongs& w = load();
    EXPECT_EQ(w.Label28->text(), QStringLiteral("(Current Music Folder=") + MusicFolder.chopped(1) + ")");
    ASSERT_EQ(column(w.ListView2), (QStringList{"a tagged", "b plain", "song", "twice"}));
    EXPECT_EQ(row(w.ListView2, 0), (QStringList{"a tagged", "Tagger", "0:01", "Album", "Rock"}));
    EXPECT_EQ(row(w.ListView2, 1), (QStringList{"b plain", "", "0:01", "", ""}));
    EXPECT_EQ(row(w.ListView2, 2), (QStringList{"song", "Ann", "3:05", "Best", "Rock"}));
    EXPECT_EQ(row(w.ListView2, 3), (QStringList{"twice", "First", "1:00", "", ""}));
    EXPECT_EQ(SongLibrary->Count(), 3); // listing adds nothing to the catalogue
    EXPECT_TRUE(prompt.asked.empty());
}

// Files outside the catalogue are read once; a listing again reads only the file that
// changed meanwhile, and neither listing adds to the catalogue or saves it.
TEST_F(SongsFixture, ASecondListingReadsOnlyTheChangedFileAndLeavesTheCatalogueAlone)
{
    ASSERT_FALSE(toneMp3().isEmpty());
    QHash<QString, int> reads;
    std::mutex mutex;
    setMp3FactsReader([&](const QString& path) {
        {
            const std::lock_guard lock(mutex);
            ++reads[QFileInfo(path).fileName()];
        }
        return ReadMp3FileFacts(path);
    });
    song(QStringLiteral("known"), QStringLiteral("Ann"), QStringLiteral("3:05"));
    file(QStringLiteral("known"));
    const QStringList names{"a.mp3", "b.mp3", "c.mp3"};
    for (const QString& name : names)
        QFile::copy(toneMp3(), MusicFolder + name);

    const QStringList rows{"a", "b", "c", "known"};
    EXPECT_EQ(column(load().ListView2), rows);
    SwitchingWindow = 1; // the main window (and its settings) stays away
    Forms::unload<frmSongs>();
    settle();
    {
        QFile f(MusicFolder + QStringLiteral("b.mp3"));
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QByteArray(1000, '\0'));
    }
    EXPECT_EQ(column(load().ListView2), rows);
    EXPECT_EQ(reads, (QHash<QString, int>{{"a.mp3", 1}, {"b.mp3", 2}, {"c.mp3", 1}}));
    EXPECT_EQ(titles(), QStringList{"known/Ann"});
    EXPECT_FALSE(QFileInfo::exists(programFile(QStringLiteral("MP3.mpd"))));
}

TEST_F(SongsFixture, LengthsAreMinutesAndTwoDigitSeconds)
{
    for (auto [s, text] : {std::pair{0, "0:00"}, {59, "0:59"}, {65, "1:05"}, {600, "10:00"}, {3725, "62:05"}})
        EXPECT_EQ(MinutesSeconds(s), QString::fromLatin1(text));
}

TEST_F(SongsFixture, PlaylistsAreListedByMarkerFile)
{
    entry(QStringLiteral("Rock"), QStringLiteral("one"), QStringLiteral("A"), QStringLiteral("3:05"));
    entry(QStringLiteral("Rock"), QStringLiteral("gone"), QStringLiteral("A"), QStringLiteral("1:00"));
    entry(QStringLiteral("Rock"), QStringLiteral("two"), QStringLiteral("B"), QStringLiteral("4:58"));
    entry(QStringLiteral("Jazz"), QStringLiteral("one"));
    entry(QStringLiteral("*%#Recent List#%*"), QStringLiteral("one"));
    entry(QStringLiteral("NoMarker"), QStringLiteral("one"));
    file(QStringLiteral("one"));
    file(QStringLiteral("two"));
    marker(QStringLiteral("rock"));    // letter case of the file does not matter
    marker(QStringLiteral("Jazz"));
    marker(QStringLiteral("Orphan"));  // no entries: not listed
    touch(MusicFolder + QStringLiteral("*%#Recent List#%*.lst"));

    frmSongs& w = load();
    EXPECT_EQ(column(w.ListView3), (QStringList{"Jazz", "Rock"}));
    // The first playlist is selected and shown.
    EXPECT_EQ(column(w.ListView1), (QStringList{"one"}));
    select(w.ListView3, 1);
    w.ListView3_Click();
    // A song whose file is missing is left out, also from the total.
    EXPECT_EQ(column(w.ListView1), (QStringList{"one", "two"}));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Total Play Time = 8:03"));
    EXPECT_EQ(w.NewPlaylistFlag, 0);
    EXPECT_TRUE(w.SSAdd->isEnabled());
    EXPECT_FALSE(w.SSSave->isEnabled());
}

TEST_F(SongsFixture, OnACdRomAPlaylistIsListedOnlyWhenAllItsSongsAreThere)
{
    musicOnCdRom();
    entry(QStringLiteral("Full"), QStringLiteral("one"));
    entry(QStringLiteral("Partial"), QStringLiteral("one"));
    entry(QStringLiteral("Partial"), QStringLiteral("missing"));
    file(QStringLiteral("one"));
    for (const char* n : {"Full", "Partial", "Unknown"})
        touch(DefaultMusicFolder + QString::fromLatin1(n) + QStringLiteral(".cdr"));
    marker(QStringLiteral("Full")); // ".lst" files do not count on a CD-ROM
    frmSongs& w = load();
    EXPECT_EQ(column(w.ListView3), (QStringList{"Full", "Unknown"}));
}

TEST_F(SongsFixture, UnloadShowsTheMainWindowOnlyWhenNotSwitchingOrRefreshing)
{
    for (auto [switching, refreshing] : {std::pair{1, 0}, {0, 1}}) {
        load();
        SwitchingWindow = int16_t(switching);
        Refreshing = int16_t(refreshing);
        Forms::unload<frmSongs>();
        settle();
        EXPECT_EQ(Forms::find<frmMain>(), nullptr);
        EXPECT_EQ(SwitchingWindow, 0);
        Refreshing = 0;
    }
    frmSongs& w = load();
    w.SSAdd_Click();
    Forms::unload<frmSongs>();
    ASSERT_NE(Forms::find<frmMain>(), nullptr);
    EXPECT_TRUE(Forms::find<frmMain>()->isVisible());
    // A reload starts in the idle state again.
    EXPECT_EQ(load().NewPlaylistFlag, 0);
}

TEST_F(SongsFixture, ColumnsSortDescendingFirstEachWithItsOwnToggle)
{
    song(QStringLiteral("a"), QStringLiteral("Zed"), QStringLiteral("10:00"));
    song(QStringLiteral("b"), QStringLiteral("Amy"), QStringLiteral("2:00"));
    song(QStringLiteral("c"), QStringLiteral("Moe"), QStringLiteral("3:00"));
    for (const char* t : {"a", "b", "c"})
        file(QString::fromLatin1(t));
    frmSongs& w = load();
    w.lblLength_Click(); // text order, not duration
    EXPECT_EQ(column(w.ListView2), (QStringList{"c", "b", "a"}));
    w.ListView2_ColumnClick(2);
    EXPECT_EQ(column(w.ListView2), (QStringList{"a", "c", "b"}));
    w.ListView2_ColumnClick(3);
    EXPECT_EQ(column(w.ListView2), (QStringList{"a", "b", "c"}));
    w.lblArtist_Click();
    EXPECT_EQ(column(w.ListView2), (QStringList{"b", "c", "a"}));
    w.lblTitle_Click();
    EXPECT_EQ(column(w.ListView2), (QStringList{"c", "b", "a"}));
    EXPECT_EQ(w.ColumnSortFlags[0], -1);
    EXPECT_EQ(w.ColumnSortFlags[1], 0);
    EXPECT_EQ(w.ColumnSortFlags[2], 0);
}

TEST_F(SongsFixture, SearchFindsTitleArtistOrCdTitleFromTheTop)
{
    song(QStringLiteral("one"), QStringLiteral("xABx"), {}, {}, QStringLiteral("ab"));
    song(QStringLiteral("two"), {}, {}, {}, QStringLiteral("ab")); // category is not searched
    song(QStringLiteral("three"), {}, {}, QStringLiteral("Grab"));
    for (const char* t : {"one", "two", "three"})
        file(QString::fromLatin1(t));
    frmSongs& w = load();
    ASSERT_EQ(column(w.ListView2), (QStringList{"one", "three", "two"}));

    w.SSSearch_Click(); // empty text: nothing
    EXPECT_TRUE(prompt.asked.empty());

    w.text1->setText(QStringLiteral("ab"));
    prompt.answers = {Mb::Yes, Mb::Yes};
    w.SSSearch_Click();
    EXPECT_EQ(prompt.messageTexts(), (QStringList{"\"ab\" found. Search for Next Match?",
                                                  "\"ab\" found. Search for Next Match?", "\"ab\" not found."}));
    EXPECT_EQ(w.ListView2->currentItem()->text(0), QStringLiteral("three"));

    prompt.asked.clear();
    prompt.answers = {Mb::No};
    w.SSSearch_Click(); // starts at the top again
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(w.ListView2->currentItem()->text(0), QStringLiteral("one"));

    prompt.asked.clear();
    w.text1->setText(QStringLiteral(" ab"));
    w.SSSearch_Click();
    EXPECT_EQ(prompt.messageTexts(), (QStringList{"\" ab\" not found."}));
}

TEST_F(SongsFixture, HeaderClicksSortLikeTheLabels)
{
    for (const char* t : {"b", "a", "c"}) {
        file(QString::fromLatin1(t));
        song(QString::fromLatin1(t));
    }
    frmSongs& w = load();
    for (const QStringList& expected : {QStringList{"c", "b", "a"}, QStringList{"a", "b", "c"}}) {
        emit w.ListView2->header()->sectionClicked(0);
        EXPECT_EQ(column(w.ListView2), expected);
    }
}

// 2,000 files against 2,000 catalogue songs: letter case never hides a song, and of two
// records with one title the first one gives the row.
TEST_F(SongsFixture, ALargeFolderFindsEveryRecordIgnoringCaseAndTheFirstWins)
{
    const int files = 2000;
    const auto name = [](int i) { return QStringLiteral("Track %1 é").arg(i, 4, 10, QLatin1Char('0')); };
    for (int i = 0; i < files; ++i)
        touch(MusicFolder + name(i) + (i % 7 == 0 ? QStringLiteral(".MP3") : QStringLiteral(".mp3")));
    // The catalogue holds the first 1,900 titles, last first and every third in other letter
    // case, then a second record for 100 of them (the last 100 files are unknown and empty).
    const auto stored = [&](int i) { return i % 3 == 1 ? name(i).toUpper() : name(i); };
    for (int i = files - 101; i >= 0; --i)
        song(stored(i), QStringLiteral("First %1").arg(i), QStringLiteral("1:00"));
    for (int i = 0; i < 100; ++i)
        song(name(i * 19).toLower(), QStringLiteral("Later"), QStringLiteral("9:99"));
    ASSERT_EQ(SongLibrary->Count(), files);

    frmSongs& w = load();
    ASSERT_EQ(w.ListView2->topLevelItemCount(), files - 100);
    for (int i = 0; i < files - 100; ++i)
        ASSERT_EQ(row(w.ListView2, i), (QStringList{stored(i), QStringLiteral("First %1").arg(i), "1:00", "", ""}))
            << i;
}
