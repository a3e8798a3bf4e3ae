#include <QImage>

#include "songsfixture.h"
#include "songs/filelist.h"
#include "songs/frmedit.h"
#include "songs/frmplaylistpic.h"

class SongEditFixture : public SongsFixture {
protected:
    void SetUp() override
    {
        SongsFixture::SetUp();
        song(QStringLiteral("Song"), QStringLiteral("Ann"), QStringLiteral("3:05"), QStringLiteral("CD"),
             QStringLiteral("Rock"), QStringLiteral("front.bmp"));
        song(QStringLiteral("Song"), QStringLiteral("Ann"), QStringLiteral("9:99")); // a second, identical song
        file(QStringLiteral("Song"));
        ASSERT_FALSE(toneMp3().isEmpty());
        QFile::copy(toneMp3(), MusicFolder + QStringLiteral("Taken.mp3")); // no record, no tag
        entry(QStringLiteral("Mix"), QStringLiteral("Song"), QStringLiteral("Ann"), QStringLiteral("3:05"));
        entry(QStringLiteral("Mix"), QStringLiteral("Song"), QStringLiteral("ann"));
        RecentList->Add(QStringLiteral("*%#Recent List#%*"), 1, QStringLiteral("Song"), QStringLiteral("Ann"),
                        QStringLiteral("3:05"), QString(), QString());
        marker(QStringLiteral("Mix"));
        QImage img(8, 8, QImage::Format_RGB32);
        img.fill(Qt::red);
        img.save(DefaultMusicFolder + QStringLiteral("front.bmp"));
        img.save(DefaultMusicFolder + QStringLiteral("back.bmp"));
    }
    // Opens the editor on song row i and runs fn in it; returns the editor's messages.
    void edit(frmSongs& w, int i, std::function<void(frmEdit&)> fn)
    {
        select(w.ListView2, i);
        inModal([fn] {
            frmEdit* d = Forms::find<frmEdit>();
            ASSERT_NE(d, nullptr);
            fn(*d);
            if (Forms::find<frmEdit>() == d && d->isVisible())
                d->Command2_Click(); // a refused save: leave by Cancel
        });
        w.SSEditMP3_Click();
        settle();
    }
};

TEST_F(SongEditFixture, EditorOpensWithTheRowAndTheCover)
{
    frmSongs& w = load();
    edit(w, 0, [](frmEdit& d) {
        EXPECT_EQ(d.txtSong->text(), QStringLiteral("Song"));
        EXPECT_EQ(d.txtArtist->text(), QStringLiteral("Ann"));
        EXPECT_EQ(d.txtlength->text(), QStringLiteral("3:05"));
        EXPECT_EQ(d.txtCDTitle->text(), QStringLiteral("CD"));
        EXPECT_EQ(d.txtCategory->text(), QStringLiteral("Rock"));
        EXPECT_EQ(d.lblCDCover->text(), QStringLiteral("front.bmp"));
        EXPECT_FALSE(d.Image1->picture().isNull());
        EXPECT_EQ(d.fileCover->fileNames(), (QStringList{"back.bmp", "front.bmp"}));
        EXPECT_TRUE(d.txtSong->isEnabled());
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Edit MP3 Info"));
    });
    EXPECT_EQ(EditSongTitle, QStringLiteral("Song"));
    EXPECT_EQ(EditSongArtist, QStringLiteral("Ann"));
    EXPECT_TRUE(prompt.asked.empty());

    // A cover whose picture is gone: the message, the name kept, no preview.
    QFile::remove(DefaultMusicFolder + QStringLiteral("front.bmp"));
    edit(w, 0, [](frmEdit& d) {
        EXPECT_EQ(d.lblCDCover->text(), QStringLiteral("front.bmp"));
        EXPECT_TRUE(d.Image1->picture().isNull());
    });
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, QStringLiteral("Cannot Find The CD Cover For This Song. Be Sure The Graphic File "
                                                 "Was Not Deleted."));
    EXPECT_EQ(prompt.last().style, Mb::OKOnly | Mb::Exclamation);
}

TEST_F(SongEditFixture, SaveRenamesTheFileAndFollowsInEveryStore)
{
    frmSongs& w = load();
    edit(w, 0, [](frmEdit& d) {
        d.txtSong->setText(QStringLiteral("New Name"));
        d.txtArtist->setText(QStringLiteral("Bea"));
        d.Command3_Click(); // clear the cover
        d.Command1_Click();
    });
    EXPECT_EQ(Forms::find<frmEdit>(), nullptr);
    EXPECT_TRUE(QFile::exists(MusicFolder + QStringLiteral("New Name.mp3")));
    EXPECT_FALSE(QFile::exists(MusicFolder + QStringLiteral("Song.mp3")));
    EXPECT_EQ(titles(), (QStringList{"New Name/Bea", "Song/Ann"})); // only the first identical record
    EXPECT_EQ(SongLibrary->Item(1)->Cover(), QString());
    EXPECT_EQ(SongLibrary->Item(1)->Length(), QStringLiteral("3:05"));
    // Entries matched exactly: "ann" in other letter case is not the song.
    EXPECT_EQ(Playlists->Item(1)->MP3Title(), QStringLiteral("New Name"));
    EXPECT_EQ(Playlists->Item(1)->artist(), QStringLiteral("Bea"));
    EXPECT_EQ(Playlists->Item(2)->MP3Title(), QStringLiteral("Song"));
    EXPECT_EQ(RecentList->Item(1)->MP3Title(), QStringLiteral("New Name"));
    for (const char* f : {"MP3.mpd", "playlist.mpd", "recent.mpd"})
        EXPECT_TRUE(QFile::exists(programFile(QString::fromLatin1(f)))) << f;
    EXPECT_EQ(row(w.ListView2, 0), (QStringList{"New Name", "Bea", "3:05", "CD", "Rock"}));
    // The playlist view is shown again from the store.
    EXPECT_EQ(column(w.ListView1), (QStringList{"New Name"}));
}

TEST_F(SongEditFixture, RefusedTitlesKeepTheDialogOpenAndChangeNothing)
{
    struct Case {
        const char* title;
        const char* message;
    } cases[] = {
        {"", "You Must Enter A Song Name"},
        {"a:b", "You Cannot Use the Characters  \\ = /: * ? \" < > | In A Song Name (File) Or Name Must Be Less "
                "Than 250 Characters Long"},
        {"taken", "A Song File by That Name Already Exists, Enter A New Song Name"},
        {"SONG", "A Song File by That Name Already Exists, Enter A New Song Name"}, // its own file, other case
    };
    frmSongs& w = load();
    for (const Case& c : cases) {
        prompt.asked.clear();
        bool stayedOpen = false;
        edit(w, 0, [&](frmEdit& d) {
            d.txtSong->setText(QString::fromUtf8(c.title));
            d.Command1_Click();
            stayedOpen = Forms::find<frmEdit>() == &d && d.txtSong->text() == QString::fromUtf8(c.title);
        });
        EXPECT_TRUE(stayedOpen) << c.title;
        EXPECT_EQ(prompt.messageTexts(), QStringList{QString::fromUtf8(c.message)}) << c.title;
    }
    EXPECT_EQ(titles(), (QStringList{"Song/Ann", "Song/Ann"}));
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("MP3.mpd"))));
}

TEST_F(SongEditFixture, AFailedRenameStoresNothing)
{
    frmSongs& w = load();
    QFile::remove(MusicFolder + QStringLiteral("Song.mp3"));
    prompt.answers = {Mb::Yes}; // go on after the error box
    bool stayedOpen = false;
    edit(w, 0, [&](frmEdit& d) {
        d.txtSong->setText(QStringLiteral("Renamed"));
        d.Command1_Click();
        stayedOpen = Forms::find<frmEdit>() == &d;
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(errorBoxes(), 1);
    EXPECT_EQ(titles(), (QStringList{"Song/Ann", "Song/Ann"}));
    EXPECT_EQ(w.ListView2->topLevelItem(0)->text(0), QStringLiteral("Song"));
}

TEST_F(SongEditFixture, OnACdRomTheTitleIsFixedAndTheRestIsSaved)
{
    musicOnCdRom();
    frmSongs& w = load();
    edit(w, 0, [](frmEdit& d) {
        EXPECT_FALSE(d.txtSong->isEnabled());
        d.txtSong->setText(QString()); // not checked while disabled
        d.txtCategory->setText(QStringLiteral("Jazz"));
        d.fileCover->setCurrentRow(0);
        d.fileCover_Click();
        d.Command1_Click();
    });
    EXPECT_EQ(prompt.messageTexts(),
              QStringList{"This (Song) file is on a CD-ROM. Can't change the (Song) file name on a CD-ROM. The rest "
                          "of the Song's data can be edited."});
    EXPECT_TRUE(QFile::exists(MusicFolder + QStringLiteral("Song.mp3")));
    EXPECT_EQ(SongLibrary->Item(1)->Category(), QStringLiteral("Jazz"));
    EXPECT_EQ(SongLibrary->Item(1)->Cover(), QStringLiteral("back.bmp"));
}

TEST_F(SongEditFixture, ASongUnknownToTheCatalogueIsAppended)
{
    frmSongs& w = load();
    auto* row = new ListItem(QStringList{"loose", "", "1:00", "", ""});
    w.ListView2->addTopLevelItem(row);
    w.ListView2->setCurrentItem(row);
    inModal([] {
        frmEdit& d = *Forms::find<frmEdit>();
        d.txtArtist->setText(QStringLiteral("Zed"));
        d.Command1_Click();
    });
    w.SSEditMP3_Click();
    EXPECT_EQ(titles().last(), QStringLiteral("loose/Zed"));
    EXPECT_EQ(SongLibrary->Item(3)->Length(), QStringLiteral("1:00"));
    EXPECT_EQ(SongLibrary->Item(3)->Notes(), QString());
}

TEST_F(SongEditFixture, DeletingASongRemovesItEverywhereButTheRecentList)
{
    entry(QStringLiteral("Mix"), QStringLiteral("SONG"), QStringLiteral("ANN"));
    frmSongs& w = load();
    prompt.answers = {Mb::No};
    w.SSDeleteMP3_Click();
    EXPECT_EQ(prompt.last().text, QStringLiteral("Are you sure you want to delete \"Song\" from the MP3 files lists, "
                                                 "playlists AND FROM YOUR HARD DRIVE?"));
    EXPECT_EQ(prompt.last().style, Mb::YesNo | Mb::Critical);
    EXPECT_EQ(SongLibrary->Count(), 2);

    prompt.answers = {Mb::Yes};
    w.SSDeleteMP3_Click();
    EXPECT_EQ(column(w.ListView2), (QStringList{"Taken"}));
    EXPECT_EQ(titles(), (QStringList{"Song/Ann"})); // only the first matching record
    EXPECT_EQ(Playlists->Count(), 0);               // every entry, adjacent ones too
    EXPECT_EQ(RecentList->Count(), 1);
    EXPECT_FALSE(QFile::exists(MusicFolder + QStringLiteral("Song.mp3")));
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(errorBoxes(), 0);
}

TEST_F(SongEditFixture, DeletingASongWithoutARecordLeavesTheCatalogueFileAlone)
{
    frmSongs& w = load();
    select(w.ListView2, 1); // "Taken": no record
    prompt.answers = {Mb::Yes};
    w.SSDeleteMP3_Click();
    EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("MP3.mpd"))));
    EXPECT_TRUE(QFile::exists(programFile(QStringLiteral("playlist.mpd"))));
    EXPECT_FALSE(QFile::exists(MusicFolder + QStringLiteral("Taken.mp3")));
}

TEST_F(SongEditFixture, SongsOnACdRomAreNotDeleted)
{
    musicOnCdRom();
    frmSongs& w = load();
    w.SSDeleteMP3_Click();
    EXPECT_EQ(prompt.messageTexts(), QStringList{"This file is on a CD-ROM. Can't delete file from CD-ROM"});
    EXPECT_EQ(w.ListView2->topLevelItemCount(), 2);
    EXPECT_TRUE(QFile::exists(MusicFolder + QStringLiteral("Song.mp3")));
}

TEST_F(SongEditFixture, ThePlaylistCoverGoesToEveryEntryAndTheFirstSongOfEachTitle)
{
    Playlists->Item(1)->setCover(QStringLiteral("gone.bmp"));
    entry(QStringLiteral("mix"), QStringLiteral("Nowhere")); // same playlist, letter case ignored
    frmSongs& w = load();
    inModal([] {
        frmPlayListPic& d = *Forms::find<frmPlayListPic>();
        EXPECT_EQ(d.lblPlayListName->text(), QStringLiteral("PlayList = Mix"));
        EXPECT_EQ(d.lblCDCover->text(), QStringLiteral("gone.bmp"));
        EXPECT_TRUE(d.Image1->picture().isNull());
        d.fileCover->setCurrentRow(0);
        d.fileCover_Click();
        EXPECT_EQ(d.lblCDCover->text(), QStringLiteral("back.bmp"));
        EXPECT_FALSE(d.Image1->picture().isNull());
        d.Command1_Click();
    });
    w.SSPicEdit_Click();
    EXPECT_TRUE(prompt.asked.empty()); // a missing picture opens without a message
    for (const auto& e : *Playlists)
        EXPECT_EQ(e->Cover(), QStringLiteral("back.bmp"));
    EXPECT_EQ(SongLibrary->Item(1)->Cover(), QStringLiteral("back.bmp"));
    EXPECT_EQ(SongLibrary->Item(2)->Cover(), QString());
    EXPECT_TRUE(QFile::exists(programFile(QStringLiteral("playlist.mpd"))));
    EXPECT_TRUE(QFile::exists(programFile(QStringLiteral("MP3.mpd"))));

    inModal([] {
        frmPlayListPic& d = *Forms::find<frmPlayListPic>();
        d.Command3_Click();
        d.Command1_Click();
    });
    w.SSPicEdit_Click();
    for (const auto& e : *Playlists)
        EXPECT_EQ(e->Cover(), QString());
}
