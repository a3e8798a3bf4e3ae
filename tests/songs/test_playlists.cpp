#include "songsfixture.h"

class PlaylistFixture : public SongsFixture {
protected:
    void SetUp() override
    {
        SongsFixture::SetUp();
        song(QStringLiteral("a"), QStringLiteral("Ann"), QStringLiteral("3:05"), QStringLiteral("CD1"),
             QStringLiteral("Rock"));
        song(QStringLiteral("b"), QStringLiteral("Bob"), QStringLiteral("4:58"));
        song(QStringLiteral("c"), QStringLiteral("Cy"), QStringLiteral("1:00"));
        for (const char* t : {"a", "b", "c"})
            file(QString::fromLatin1(t));
    }
    // Clicks song row i of the song list.
    static void clickSong(frmSongs& w, int i)
    {
        select(w.ListView2, i);
        w.ListView2_Click();
    }
};

TEST_F(PlaylistFixture, NewModeBuildsTheListAndCancelDropsIt)
{
    frmSongs& w = load();
    clickSong(w, 0); // outside New and Edit: nothing
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);

    w.SSAdd_Click();
    EXPECT_EQ(w.NewPlaylistFlag, 1);
    for (QPushButton* b : {w.SSAdd, w.SSEdit, w.SSDelete, w.SSPicEdit})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(w.SSSave->isEnabled());
    EXPECT_TRUE(w.SSCancel->isEnabled());
    clickSong(w, 0);
    clickSong(w, 0);
    clickSong(w, 1);
    EXPECT_EQ(column(w.ListView1), (QStringList{"a", "a", "b"}));
    EXPECT_EQ(row(w.ListView1, 0), (QStringList{"a", "Ann", "3:05", "CD1", "Rock"}));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Total Play Time = 11:08"));
    select(w.ListView1, 1);
    w.ListView1_DblClick();
    EXPECT_EQ(column(w.ListView1), (QStringList{"a", "b"}));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Total Play Time = 8:03"));

    w.SSCancel_Click();
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(w.NewPlaylistFlag, 0);
    EXPECT_TRUE(w.SSAdd->isEnabled());
    EXPECT_FALSE(w.SSSave->isEnabled());
    EXPECT_FALSE(w.SSCancel->isEnabled());
    select(w.ListView1, 0);
    w.ListView1_DblClick(); // outside the modes: nothing (and no failure)
    EXPECT_EQ(errorBoxes(), 0);
}

TEST_F(PlaylistFixture, EditNeedsASelectedPlaylistAndCancelRestoresIt)
{
    entry(QStringLiteral("Mix"), QStringLiteral("a"), QStringLiteral("Ann"), QStringLiteral("3:05"));
    entry(QStringLiteral("Mix"), QStringLiteral("b"), QStringLiteral("Bob"), QStringLiteral("4:58"));
    marker(QStringLiteral("Mix"));
    frmSongs& w = load();
    ASSERT_EQ(column(w.ListView1), (QStringList{"a", "b"}));
    // New deselects the playlist, so after Cancel Edit does nothing until one is clicked.
    w.SSAdd_Click();
    w.SSCancel_Click();
    w.SSEdit_Click();
    EXPECT_EQ(w.EditPlaylistFlag, 0);
    select(w.ListView3, 0);
    w.ListView3_Click();
    w.SSEdit_Click();
    EXPECT_EQ(w.EditPlaylistFlag, 1);
    EXPECT_FALSE(w.ListView3->isEnabled());
    clickSong(w, 2);
    select(w.ListView1, 0);
    w.ListView1_DblClick();
    EXPECT_EQ(column(w.ListView1), (QStringList{"b", "c"}));
    w.SSCancel_Click();
    EXPECT_EQ(column(w.ListView1), (QStringList{"a", "b"}));
    EXPECT_TRUE(w.ListView3->isEnabled());
    EXPECT_EQ(w.EditPlaylistFlag, 0);
}

TEST_F(PlaylistFixture, AnEmptyNameAbandonsTheNewPlaylist)
{
    frmSongs& w = load();
    w.SSSave_Click(); // nothing to save: nothing happens
    EXPECT_TRUE(prompt.asked.empty());
    w.SSAdd_Click();
    w.SSSave_Click(); // still nothing: the mode stays
    EXPECT_EQ(w.NewPlaylistFlag, 1);
    EXPECT_TRUE(prompt.asked.empty());
    clickSong(w, 0);
    w.SSSave_Click(); // the name box is cancelled
    EXPECT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(w.NewPlaylistFlag, 0);
    EXPECT_TRUE(w.SSAdd->isEnabled());
    EXPECT_FALSE(w.SSSave->isEnabled());
    EXPECT_EQ(Playlists->Count(), 0);
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("playlist.mpd"))));
    EXPECT_EQ(QDir(MusicFolder).entryList({QStringLiteral("*.lst")}, QDir::Files).size(), 0);
}

TEST_F(PlaylistFixture, SavingANewPlaylistAsksUntilTheNameIsFreeAndValid)
{
    entry(QStringLiteral("Rock Classics"), QStringLiteral("c"), QStringLiteral("Cy"), QStringLiteral("1:00"));
    marker(QStringLiteral("Rock Classics"));
    song(QStringLiteral("A"), QStringLiteral("ANN")); // a catalogue song in other letter case
    frmSongs& w = load();
    w.SSAdd_Click();
    clickSong(w, 0);
    clickSong(w, 1);
    w.ListView1->topLevelItem(1)->setText(1, QStringLiteral("Other")); // b under another artist
    prompt.texts = {QStringLiteral("bad/name"), QStringLiteral("rock classics"), QString(QChar('x')).repeated(251),
                    QStringLiteral("Rock")};
    w.SSSave_Click();
    const QString invalid = QStringLiteral(
        "You Cannot Use the Characters  \\ = /: * ? \" < > | In A PlayList Name\nOr Name Must Be Less Than 250 "
        "Characters Long.\nEnter A New Name.");
    QStringList asked;
    for (const auto& r : prompt.asked)
        asked << (r.kind == PromptRecord::Input ? QStringLiteral("?") + r.text : r.text);
    EXPECT_EQ(asked, (QStringList{"?Name Of Playlist To Save As...", invalid, "?Name Of Playlist To Save As...",
                                  "This Play List Name Already Exists, Enter A New Name",
                                  "?Name Of Playlist To Save As...", invalid, "?Name Of Playlist To Save As..."}));
    EXPECT_EQ(prompt.asked[3].style, Mb::OKOnly | Mb::Exclamation);
    EXPECT_EQ(entries(), (QStringList{"Rock Classics:1:c", "Rock:1:a", "Rock:2:b"}));
    // "a" by "Ann" is held (letter case ignored); "b" by "Other" is a new song.
    EXPECT_EQ(titles(), (QStringList{"a/Ann", "b/Bob", "c/Cy", "A/ANN", "b/Other"}));
    EXPECT_TRUE(QFile::exists(programFile(QStringLiteral("playlist.mpd"))));
    EXPECT_TRUE(QFile::exists(programFile(QStringLiteral("MP3.mpd"))));
    EXPECT_EQ(readAll(MusicFolder + QStringLiteral("Rock.lst")), QByteArray("1\r\n"));
    EXPECT_EQ(column(w.ListView3), (QStringList{"Rock Classics", "Rock"}));
    EXPECT_EQ(w.ListView3->currentItem(), w.ListView3->topLevelItem(1));
    EXPECT_EQ(column(w.ListView1), (QStringList{"a", "b"}));
    EXPECT_EQ(w.NewPlaylistFlag, 0);
    EXPECT_FALSE(w.SSSave->isEnabled());
    EXPECT_TRUE(w.SSPicEdit->isEnabled());
    EXPECT_TRUE(w.SSEdit->isEnabled());
}

TEST_F(PlaylistFixture, ANewPlaylistOnACdRomMusicFolderGetsACdrMarker)
{
    musicOnCdRom();
    frmSongs& w = load();
    w.SSAdd_Click();
    clickSong(w, 2);
    prompt.texts = {QStringLiteral("Disc")};
    w.SSSave_Click();
    EXPECT_EQ(readAll(DefaultMusicFolder + QStringLiteral("Disc.cdr")), QByteArray("1\r\n"));
    EXPECT_FALSE(QFile::exists(MusicFolder + QStringLiteral("Disc.lst")));
}

TEST_F(PlaylistFixture, SavingAnEditedPlaylistReplacesItsEntriesWithTheFirstCover)
{
    entry(QStringLiteral("Mix"), QStringLiteral("a"), QStringLiteral("Ann"), QStringLiteral("3:05"),
          QStringLiteral("front.jpg"));
    entry(QStringLiteral("Mix"), QStringLiteral("b"), QStringLiteral("Bob"), QStringLiteral("4:58"));
    entry(QStringLiteral("Other"), QStringLiteral("c"));
    marker(QStringLiteral("Mix"));
    frmSongs& w = load();
    w.SSEdit_Click();
    select(w.ListView1, 0);
    w.ListView1_DblClick(); // a goes
    clickSong(w, 2);        // c joins
    w.SSSave_Click();
    EXPECT_EQ(entries(), (QStringList{"Other:1:c", "Mix:1:b", "Mix:2:c"}));
    for (int i = 2; i <= 3; ++i)
        EXPECT_EQ(Playlists->Item(i)->Cover(), QStringLiteral("front.jpg"));
    EXPECT_EQ(SongLibrary->Item(1)->Cover(), QString()); // a left the playlist
    EXPECT_EQ(SongLibrary->Item(2)->Cover(), QStringLiteral("front.jpg"));
    EXPECT_EQ(SongLibrary->Item(3)->Cover(), QStringLiteral("front.jpg"));
    EXPECT_EQ(w.EditPlaylistFlag, 0);
    EXPECT_TRUE(w.ListView3->isEnabled());
    EXPECT_EQ(readAll(MusicFolder + QStringLiteral("Mix.lst")), QByteArray("1\r\n"));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(PlaylistFixture, DeletingAPlaylistRemovesEntriesRowAndBothMarkers)
{
    entry(QStringLiteral("Mix"), QStringLiteral("a"));
    entry(QStringLiteral("mix"), QStringLiteral("c"));
    entry(QStringLiteral("Keep"), QStringLiteral("b"));
    marker(QStringLiteral("Mix"));
    touch(DefaultMusicFolder + QStringLiteral("Mix.cdr"));
    frmSongs& w = load();
    ASSERT_EQ(w.ListView3->currentItem()->text(0), QStringLiteral("Mix"));
    prompt.answers = {Mb::No};
    w.SSDelete_Click();
    EXPECT_EQ(prompt.last().text, QStringLiteral("Are you sure you want to delete the Play List called \"Mix\"?\n"
                                                 "Note: MP3 songs in the Play List will not be deleted."));
    EXPECT_EQ(prompt.last().style, Mb::YesNo | Mb::Critical);
    EXPECT_EQ(Playlists->Count(), 3);

    prompt.answers = {Mb::Yes};
    w.SSDelete_Click();
    EXPECT_EQ(entries(), (QStringList{"Keep:1:b"}));
    EXPECT_EQ(w.ListView3->topLevelItemCount(), 0);
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
    EXPECT_FALSE(QFile::exists(MusicFolder + QStringLiteral("Mix.lst")));
    EXPECT_FALSE(QFile::exists(DefaultMusicFolder + QStringLiteral("Mix.cdr")));
    EXPECT_TRUE(QFile::exists(MusicFolder + QStringLiteral("a.mp3")));
    prompt.asked.clear();
    w.SSDelete_Click(); // nothing left
    EXPECT_TRUE(prompt.asked.empty());
}
