#include <QMenu>
#include <QAction>
#include <QDir>
#include <QImage>

#include "convert/frmconvertchoice.h"
#include "player/frmplay.h"
#include "shell/frmmain.h"
#include "shell/windowchrome.h"
#include "songs/frmedit.h"
#include "songs/frmplaylistpic.h"
#include "songsfixture.h"

TEST_F(SongsFixture, PlayerButtonClearsRefreshingAndReplacesTheWindow)
{
    frmSongs& w = load();
    w.Show();
    Refreshing = 1;
    w.picPlayer_Click();
    settle();
    EXPECT_EQ(Refreshing, 0);
    EXPECT_EQ(Forms::find<frmSongs>(), nullptr);
    ASSERT_NE(Forms::find<frmPlay>(), nullptr);
    EXPECT_TRUE(Forms::find<frmPlay>()->isVisible());
    EXPECT_EQ(SwitchingWindow, 0);
}

TEST_F(SongsFixture, ConverterButtonHidesTheWindowAndResetsThreeBorders)
{
    frmSongs& w = load();
    w.Show();
    w.SSAdd_Click();
    for (PictureBox* p : {w.picConvert, w.picEncoder, w.picExit, w.picPlayer})
        p->setBorderStyle(0);
    w.picConvert_Click();
    EXPECT_EQ(w.picConvert->borderStyle(), 1);
    EXPECT_EQ(w.picEncoder->borderStyle(), 1);
    EXPECT_EQ(w.picExit->borderStyle(), 1);
    EXPECT_EQ(w.picPlayer->borderStyle(), 0);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(Forms::find<frmSongs>(), &w); // still loaded, still building its playlist
    EXPECT_EQ(w.NewPlaylistFlag, 1);
    EXPECT_EQ(SwitchingWindow, 0);
    EXPECT_EQ(LastWindow, w.windowId());
    EXPECT_TRUE(Forms::find<frmConvertChoice>()->isVisible());
}

TEST_F(SongsFixture, MenusAndHoverTextsOfTheWindow)
{
    frmSongs& w = load();
    EXPECT_EQ(w.Label22->text(), QStringLiteral("File"));
    EXPECT_EQ(w.Label8->text(), QStringLiteral("Configure"));
    EXPECT_EQ(w.Label11->text(), QStringLiteral("Skins"));
    EXPECT_EQ(w.Label5->text(), QStringLiteral("Help"));
    EXPECT_EQ(w.Label16->text(), QStringLiteral("WebSites"));
    QStringList file;
    for (QAction* a : w.chrome->mnuFile->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(file, (QStringList{"Quillory", "MP3 Player", "CD Player/MP3 Encoder", "Converter", "CD Burner", "-",
                                 "Close PlayLists", "-", "Exit"}));
    EXPECT_NE(w.chrome->entry(QStringLiteral("mnuClosePlayLists")), nullptr);
    EXPECT_EQ(w.Label10->text(), QStringLiteral("Quillory"));
    EXPECT_EQ(w.Label15->text(), QStringLiteral("Exit"));
    EXPECT_EQ(w.picQuillory->toolTip(), QStringLiteral("Return To The Quillory"));
    w.Label6_MouseMove();
    EXPECT_EQ(w.Label6->toolTip(), w.Label28->text());
    w.Label28_MouseMove();
    EXPECT_EQ(w.Label28->toolTip(), QStringLiteral("(Current Music Folder=") + MusicFolder.chopped(1) + ")");
}

TEST_F(SongsFixture, CloseEntryReturnsToTheMainWindow)
{
    frmSongs& w = load();
    w.Show();
    w.chrome->entry(QStringLiteral("mnuClosePlayLists"))->trigger();
    settle();
    EXPECT_EQ(Forms::find<frmSongs>(), nullptr);
    EXPECT_EQ(SwitchingWindow, 0);
    ASSERT_NE(Forms::find<frmMain>(), nullptr);
    EXPECT_TRUE(Forms::find<frmMain>()->isVisible());
    EXPECT_FALSE(sounds.played.empty());
}

// The windows with some content, written to the build tree.
TEST_F(SongsFixture, Screenshots)
{
    const QString dir = QStringLiteral(QUILLORY_SCREENSHOT_DIR) + QLatin1Char('/');
    QDir().mkpath(dir);
    song(QStringLiteral("Blue Morning"), QStringLiteral("The Hollow Pines"), QStringLiteral("3:42"),
         QStringLiteral("Early Light"), QStringLiteral("Folk"), QStringLiteral("cover.bmp"));
    song(QStringLiteral("Harbour Lights"), QStringLiteral("Mara Velde"), QStringLiteral("4:05"),
         QStringLiteral("Coastline"), QStringLiteral("Pop"));
    song(QStringLiteral("Night Train"), QStringLiteral("Sol Avery"), QStringLiteral("5:17"), QStringLiteral("Rails"),
         QStringLiteral("Jazz"));
    for (const char* t : {"Blue Morning", "Harbour Lights", "Night Train"})
        file(QString::fromLatin1(t));
    entry(QStringLiteral("Evening"), QStringLiteral("Blue Morning"), QStringLiteral("The Hollow Pines"),
          QStringLiteral("3:42"));
    entry(QStringLiteral("Evening"), QStringLiteral("Night Train"), QStringLiteral("Sol Avery"),
          QStringLiteral("5:17"));
    marker(QStringLiteral("Evening"));
    QImage img(64, 64, QImage::Format_RGB32);
    img.fill(QColor(40, 90, 160));
    img.save(DefaultMusicFolder + QStringLiteral("cover.bmp"));

    frmSongs& w = load();
    w.Show();
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("songs-library.png")));
    inModal([dir] {
        frmEdit& d = *Forms::find<frmEdit>();
        EXPECT_TRUE(d.grab().save(dir + QStringLiteral("songs-edit.png")));
        d.Command2_Click();
    });
    w.SSEditMP3_Click();
    inModal([dir] {
        frmPlayListPic& d = *Forms::find<frmPlayListPic>();
        EXPECT_TRUE(d.grab().save(dir + QStringLiteral("songs-playlistcover.png")));
        d.Command2_Click();
    });
    w.SSPicEdit_Click();
}
