#include "playerfixture.h"

#include <taglib/fileref.h>
#include <taglib/mpegfile.h>
#include <taglib/id3v2tag.h>

namespace {
class Lists : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        w = &player();
    }
    void browse(const std::vector<QStringList>& rows)
    {
        w->ListView2->clear();
        for (const QStringList& r : rows)
            w->ListView2->addTopLevelItem(new playerinternal::RowItem(r));
    }
    void clickBrowser(int row)
    {
        frmPlay::selectRow(w->ListView2, row);
        w->ListView2_Click();
    }
    frmPlay* w = nullptr;
};

void tagArtist(const QString& file, const QString& artist)
{
    TagLib::MPEG::File f(QFile::encodeName(file).constData());
    f.ID3v2Tag(true)->setArtist(TagLib::String(artist.toStdString(), TagLib::String::UTF8));
    f.save();
}
} // namespace

// A click adds a song; with No Duplicates a song already there (any letter case) is refused.
TEST_F(Lists, ClickAddsAndNoDuplicatesRefuses)
{
    browse({{"Song", "Band", "1:30"}, {"Other", "Band", "2:45"}});
    clickBrowser(1);
    clickBrowser(1);
    EXPECT_EQ(column(w->ListView1, 0), (QStringList{"Song", "Song"}));
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 2);
    EXPECT_EQ(column(w->ListView1, 3), (QStringList{"1", "2"}));
    EXPECT_EQ(w->Label2->text(), QStringLiteral("Total Play Time = 3:00"));
    w->Check2->setChecked(true);
    w->ListView2->topLevelItem(0)->setText(1, QStringLiteral("BAND"));
    clickBrowser(1);
    EXPECT_EQ(w->ListView1->topLevelItemCount(), 2);
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 2);
    clickBrowser(2);
    EXPECT_EQ(column(w->ListView1, 3), (QStringList{"1", "2", "3"}));
}

// A double click adds the artist's other songs in the browser's order, after the clicked one.
TEST_F(Lists, DoubleClickAddsTheArtistsOtherSongs)
{
    browse({{"A1", "Art", "1:00"}, {"X", "Other", "1:00"}, {"A2", "art", "1:00"}, {"A3", "Art", "1:00"},
            {"A4", "Art", "1:00"}, {"A2", "Art", "1:00"}});
    clickBrowser(3);
    w->ListView2_DblClick();
    EXPECT_EQ(column(w->ListView1, 0), (QStringList{"A2", "A1", "A3", "A4"}));
    EXPECT_EQ(column(w->ListView1, 3), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 4);

    w->Check2->setChecked(true);
    browse({{"A1", "Art", "1:00"}, {"A5", "Art", "1:00"}});
    frmPlay::selectRow(w->ListView2, 1);
    w->ListView2_DblClick();
    EXPECT_EQ(column(w->ListView1, 0), (QStringList{"A2", "A1", "A3", "A4", "A5"}));
}

// Header clicks sort descending first and alternate per column; the column labels do the same.
TEST_F(Lists, ColumnClicksAlternatePerColumn)
{
    browse({{"b", "Zed", "1:00"}, {"C", "amy", "3:00"}, {"a", "Bob", "10:00"}});
    w->ListView2_ColumnClick(2);
    EXPECT_EQ(column(w->ListView2, 1), (QStringList{"Zed", "Bob", "amy"}));
    w->ListView2_ColumnClick(2);
    EXPECT_EQ(column(w->ListView2, 1), (QStringList{"amy", "Bob", "Zed"}));
    w->ListView2_ColumnClick(1);
    EXPECT_EQ(column(w->ListView2, 0), (QStringList{"C", "b", "a"}));
    emit w->Label9->clicked();
    EXPECT_EQ(column(w->ListView2, 1), (QStringList{"Zed", "Bob", "amy"}));
    emit w->Label10->clicked();
    EXPECT_EQ(column(w->ListView2, 2), (QStringList{"3:00", "1:00", "10:00"})) << "lengths sort as text";
}

// The music folder listing: catalogue songs from the catalogue (first record wins, name case
// ignored), other files from their tag and play time; non-MP3 files left out; no doubles.
TEST_F(Lists, MusicFolderListing)
{
    addFiles({QStringLiteral("song one.MP3"), QStringLiteral("Tagged"), QStringLiteral("Bare"),
              QStringLiteral("x.mp3.bak")});
    writeAll(MusicFolder + QStringLiteral("notes.txt"), "x");
    writeAll(MusicFolder + QStringLiteral("Broken.mp3"), "not audio at all");
    tagArtist(MusicFolder + QStringLiteral("Tagged.mp3"), QStringLiteral("Tag Artist"));
    SongLibrary->Add(QStringLiteral("Song One"), QStringLiteral("Cat Artist"), QStringLiteral("3:07"), {}, {}, {}, {});
    SongLibrary->Add(QStringLiteral("song ONE"), QStringLiteral("Second"), QStringLiteral("9:99"), {}, {}, {}, {});
    for (int press = 0; press < 2; ++press)
        w->sscmdMP3_Click();
    EXPECT_EQ(column(w->ListView2, 0), (QStringList{"Bare", "Song One", "Tagged"}));
    EXPECT_EQ(column(w->ListView2, 1), (QStringList{"", "Cat Artist", "Tag Artist"}));
    EXPECT_EQ(column(w->ListView2, 2), (QStringList{"0:02", "3:07", "0:02"}));
    EXPECT_EQ(w->widthTw(), 9300);
    EXPECT_TRUE(w->ListView2->isVisibleTo(w));
    EXPECT_FALSE(w->ListView3->isVisibleTo(w));
    EXPECT_EQ(errorBoxes(), 0);

    // Add All honours No Duplicates and renumbers the whole play list.
    w->Check2->setChecked(true);
    browse({{"Bare", "", "0:02"}});
    clickBrowser(1);
    w->sscmdMP3_Click();
    w->sscmdMP3AddAll_Click();
    EXPECT_EQ(column(w->ListView1, 0), (QStringList{"Bare", "Song One", "Tagged"}));
    EXPECT_EQ(column(w->ListView1, 3), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 3);
}

// Listing the folder does not disturb the song playing.
TEST_F(Lists, ListingKeepsTheSongPlaying)
{
    addFiles({QStringLiteral("Playing"), QStringLiteral("Unknown")});
    fill(*w, {{"Playing", "A", "0:02"}});
    w->picPlay_Click();
    ASSERT_TRUE(w->Mp3Play1->IsRunning());
    w->sscmdMP3_Click();
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(w->ListView2->topLevelItemCount(), 2);
}

// Playlists of a music folder on a fixed disk come from ".lst" markers, one row a run of
// store entries, never the recent list; on a CD-ROM from complete ".cdr" markers.
TEST_F(Lists, PlaylistsFromMarkers)
{
    ScopedMountTable fixed({{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1"), false}});
    addFiles({QStringLiteral("R1"), QStringLiteral("R2"), QStringLiteral("J1")});
    for (const char* m : {"Rock.lst", "rock2.lst", "Split.lst", "Empty.lst", "*%#Recent List#%*.lst", "Party.cdr"})
        writeAll(MusicFolder + QString::fromLatin1(m), "1\r\n");
    auto add = [](const char* list, const char* title) {
        Playlists->Add(QString::fromLatin1(list), 1, QString::fromLatin1(title), QStringLiteral("Art"),
                       QStringLiteral("1:00"), {}, {});
    };
    add("ROCK", "R1");
    add("ROCK", "Gone");
    add("ROCK", "R2");
    add("Split", "J1");
    add("Jazz", "J1");
    add("Split", "J1");
    add("*%#Recent List#%*", "R1");
    w->sscmdPlayLists_Click();
    EXPECT_EQ(column(w->ListView3, 0), (QStringList{"ROCK", "Split", "Split"}));
    EXPECT_EQ(column(w->ListView4, 0), (QStringList{"R1", "R2"})) << "the first playlist's songs that exist";
    EXPECT_EQ(w->widthTw(), 9300);
    EXPECT_FALSE(w->ListView2->isVisibleTo(w));
    EXPECT_TRUE(w->sscmdAddAll->isVisibleTo(w));
    EXPECT_EQ(w->Label8->text(), QStringLiteral("Playlists In Music Folder (Click To Reveal Songs)"));

    // Add All of the pane appends doubles while No Duplicates is clear.
    fill(*w, {{"R1", "Art", "1:00"}});
    w->sscmdAddAll_Click();
    EXPECT_EQ(column(w->ListView1, 0), (QStringList{"R1", "R1", "R2"}));
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 3);
    EXPECT_EQ(errorBoxes(), 0);
}

TEST_F(Lists, PlaylistsOnACdRom)
{
    ScopedMountTable cd({{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1"), false},
                         {homeDir() + QStringLiteral("Music"), QStringLiteral("iso9660"), QStringLiteral("/dev/sr0"),
                          true}});
    addFiles({QStringLiteral("P1")});
    for (const char* m : {"Party.cdr", "Broken.cdr", "Nobody.cdr"})
        writeAll(DefaultMusicFolder + QString::fromLatin1(m), "1\r\n");
    writeAll(MusicFolder + QStringLiteral("Party.lst"), "1\r\n");
    Playlists->Add(QStringLiteral("Party"), 1, QStringLiteral("P1"), QStringLiteral("A"), QStringLiteral("1:00"), {}, {});
    Playlists->Add(QStringLiteral("Broken"), 1, QStringLiteral("P1"), QStringLiteral("A"), QStringLiteral("1:00"), {}, {});
    Playlists->Add(QStringLiteral("Broken"), 2, QStringLiteral("Gone"), QStringLiteral("A"), QStringLiteral("1:00"), {}, {});
    w->sscmdPlayLists_Click();
    EXPECT_EQ(column(w->ListView3, 0), (QStringList{"Nobody", "Party"}));
    EXPECT_EQ(w->ListView4->topLevelItemCount(), 0) << "Nobody has no songs";
    EXPECT_EQ(errorBoxes(), 0);
}

// Clear stops and empties everything; Remove of the only row shows 0:00 instead.
TEST_F(Lists, ClearAndRemoveTotals)
{
    addFiles({QStringLiteral("One"), QStringLiteral("Two")});
    fill(*w, {{"One", "A", "0:02"}, {"Two", "B", "0:02"}});
    w->picPlay_Click();
    w->sscmdClear_Click();
    EXPECT_EQ(w->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(w->ListView5->topLevelItemCount(), 0);
    EXPECT_TRUE(w->Text2->text().isEmpty());
    EXPECT_TRUE(w->Text3->text().isEmpty());
    EXPECT_EQ(w->Label2->text(), QStringLiteral("Total Play Time = 00:00"));
    flush();

    fill(*w, {{"One", "A", "0:02"}});
    frmPlay::selectRow(w->ListView1, 1);
    w->sscmdRemove_Click();
    EXPECT_EQ(w->Label2->text(), QStringLiteral("Total Play Time = 0:00"));
    EXPECT_TRUE(w->Text2->text().isEmpty());
    EXPECT_EQ(errorBoxes(), 0);
}

// Remove while idle selects the row that followed; the last row leaves no selection;
// while a song plays, the end-of-play event starts the selected row.
TEST_F(Lists, RemoveSelectsTheFollowingRow)
{
    addFiles({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    fill(*w, {{"1", "A", "0:02"}, {"2", "A", "0:02"}, {"3", "A", "0:02"}, {"4", "A", "0:02"}});
    StoppedOnPurpose = 1;
    PlayerStarted = 1;
    frmPlay::selectRow(w->ListView1, 2);
    w->sscmdRemove_Click();
    EXPECT_EQ(column(w->ListView1, 0), (QStringList{"1", "3", "4"}));
    EXPECT_EQ(column(w->ListView1, 3), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(frmPlay::selectedIndex(w->ListView1), 2);
    EXPECT_EQ(w->Text2->text(), QStringLiteral("3"));
    EXPECT_EQ(w->PlaySelectedNext, 1);

    frmPlay::selectRow(w->ListView1, 3);
    w->sscmdRemove_Click();
    EXPECT_EQ(frmPlay::selectedIndex(w->ListView1), 0);

    int ended = 0;
    QObject::connect(w->Mp3Play1, &Mp3Play::ThreadEnded, [&] { ++ended; });
    frmPlay::selectRow(w->ListView1, 1);
    w->picPlay_Click();
    ASSERT_TRUE(w->Mp3Play1->IsRunning());
    frmPlay::selectRow(w->ListView1, 1);
    w->sscmdRemove_Click();
    frmPlay::selectRow(w->ListView1, 1);
    ASSERT_TRUE(pumpUntil([&] { return ended > 0; }));
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(w->Text2->text(), QStringLiteral("3"));
    EXPECT_EQ(errorBoxes(), 0);
}

// Remove of the playing row with no row selected afterwards: the end-of-play event opens
// nothing, not even the removed song whose title was still shown, and Play starts row 1.
TEST_F(Lists, RemoveWhilePlayingWithNothingSelectedStopsCleanly)
{
    addFiles({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    fill(*w, {{"1", "A", "0:02"}, {"2", "A", "0:02"}, {"3", "A", "0:02"}});
    int ended = 0;
    QObject::connect(w->Mp3Play1, &Mp3Play::ThreadEnded, [&] { ++ended; });
    frmPlay::selectRow(w->ListView1, 2);
    w->Text2->setText(QStringLiteral("2"));
    w->picPlay_Click();
    ASSERT_TRUE(w->Mp3Play1->IsRunning());
    w->sscmdRemove_Click();
    ASSERT_TRUE(pumpUntil([&] { return ended > 0; }));
    flush();
    EXPECT_FALSE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(frmPlay::selectedIndex(w->ListView1), 0);
    EXPECT_EQ(w->PlaySelectedNext, 0);
    EXPECT_TRUE(w->Text2->text().isEmpty());
    EXPECT_EQ(column(w->ListView1, 0), (QStringList{"1", "3"}));

    w->picPlay_Click();
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(w->Text2->text(), QStringLiteral("1"));
    EXPECT_EQ(errorBoxes(), 0);
}

// Search walks the matches with Yes and ends with the not-found message.
TEST_F(Lists, SearchFindsMatchByMatch)
{
    browse({{"Pop", "A", "1:00"}, {"Rock On", "B", "1:00"}, {"Jazz", "C", "1:00"}, {"Blues", "D", "1:00"},
            {"Song", "rockers", "1:00"}});
    w->Text1->setText(QStringLiteral("ROCK"));
    prompt.answers = {Mb::Yes, Mb::Yes, Mb::OK};
    w->sscmdSearch_Click();
    ASSERT_EQ(prompt.asked.size(), 3u);
    EXPECT_EQ(prompt.asked[0].text, QStringLiteral("\"ROCK\" found. Search for Next Match?"));
    EXPECT_EQ(prompt.asked[0].style, Mb::YesNo);
    EXPECT_EQ(prompt.asked[0].title, QStringLiteral("Quillory"));
    EXPECT_EQ(prompt.asked[2].text, QStringLiteral("\"ROCK\" not found."));
    EXPECT_EQ(frmPlay::selectedIndex(w->ListView2), 5);

    prompt.asked.clear();
    prompt.answers = {Mb::No};
    w->sscmdSearch_Click();
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(frmPlay::selectedIndex(w->ListView2), 2);

    prompt.asked.clear();
    w->Text1->clear();
    w->sscmdSearch_Click();
    w->Text1->setText(QStringLiteral("x"));
    browse({});
    w->sscmdSearch_Click();
    EXPECT_TRUE(prompt.asked.empty());
}

// OK narrows the window and keeps the pane's lists; MP3 Files widens it again.
TEST_F(Lists, OkNarrowsTheWindow)
{
    addFiles({QStringLiteral("One")});
    w->sscmdMP3_Click();
    w->sscmdDone_Click();
    EXPECT_EQ(w->widthTw(), 4700);
    EXPECT_EQ(w->ListView2->topLevelItemCount(), 1);
    w->sscmdMP3_Click();
    EXPECT_EQ(w->widthTw(), 9300);
}

// The browser finds songs as the song window does: 2,000 files against 2,000 songs, letter
// case ignored, the first of two records with one title winning.
TEST_F(Lists, LargeFolderListingFindsRecordsIgnoringCase)
{
    const auto name = [](int i) { return QStringLiteral("Tune %1").arg(i, 4, 10, QLatin1Char('0')); };
    for (int i = 0; i < 2000; ++i)
        writeAll(MusicFolder + name(i) + QStringLiteral(".mp3"), "x");
    for (int i = 1999; i >= 0; i -= 2)
        SongLibrary->Add(name(i).toUpper(), QStringLiteral("Odd"), QStringLiteral("1:00"), {}, {}, {}, {});
    for (int i = 0; i < 2000; i += 2) {
        SongLibrary->Add(name(i), QStringLiteral("Even"), QStringLiteral("2:00"), {}, {}, {}, {});
        if (i % 100 == 0)
            SongLibrary->Add(name(i).toLower(), QStringLiteral("Later"), QStringLiteral("9:99"), {}, {}, {}, {});
    }
    w->sscmdMP3_Click();
    ASSERT_EQ(w->ListView2->topLevelItemCount(), 2000);
    for (int i = 0; i < 2000; ++i) {
        const ListItem* it = w->ListView2->topLevelItem(i);
        ASSERT_EQ(it->text(0), i % 2 ? name(i).toUpper() : name(i)) << i;
        ASSERT_EQ(it->text(1), i % 2 ? QStringLiteral("Odd") : QStringLiteral("Even")) << i;
    }
}
