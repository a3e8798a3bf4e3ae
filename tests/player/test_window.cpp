#include "playerfixture.h"

#include <QAction>
#include <QImage>
#include <QMenu>

#include "cd/frmcd.h"
#include "convert/frmconvertchoice.h"
#include "shell/frmmain.h"
#include "shell/windowchrome.h"
#include "songs/frmsongs.h"

namespace {
class PlayerLooks : public PlayerFixture {
protected:
    void SetUp() override
    {
        PlayerFixture::SetUp();
        w = &player();
    }
    // A picture file of one colour.
    static void picture(const QString& path, QColor colour, const char* format = "BMP")
    {
        QImage img(8, 8, QImage::Format_RGB32);
        img.fill(colour);
        ASSERT_TRUE(img.save(path, format));
    }
    QRgb shown() const
    {
        const QPixmap pm = w->imgCover->pixmap();
        return pm.isNull() ? 0 : pm.toImage().pixel(0, 0);
    }
    frmPlay* w = nullptr;
};
} // namespace

// The cover comes from the first library song of that title (case ignored), from the
// default music folder; otherwise the program's default picture; else nothing.
TEST_F(PlayerLooks, CoverFollowsTheCurrentTitle)
{
    picture(DefaultMusicFolder + QStringLiteral("red.bmp"), Qt::red);
    picture(DefaultMusicFolder + QStringLiteral("blue.jpg"), Qt::blue, "JPG");
    picture(programFile(QStringLiteral("SysImage.bmp")), Qt::green);
    writeAll(DefaultMusicFolder + QStringLiteral("bad.gif"), "not a picture");
    SongLibrary->Add(QStringLiteral("Same"), QStringLiteral("A"), {}, {}, {}, QStringLiteral("red.bmp"), {});
    SongLibrary->Add(QStringLiteral("Same"), QStringLiteral("B"), {}, {}, {}, QStringLiteral("blue.jpg"), {});
    SongLibrary->Add(QStringLiteral("Gone"), QStringLiteral("A"), {}, {}, {}, QStringLiteral("deleted.bmp"), {});
    SongLibrary->Add(QStringLiteral("Bad"), QStringLiteral("A"), {}, {}, {}, QStringLiteral("bad.gif"), {});
    SongLibrary->Add(QStringLiteral("Blue"), QStringLiteral("A"), {}, {}, {}, QStringLiteral("BLUE.JPG"), {});

    w->Text2->setText(QStringLiteral("sAME"));
    EXPECT_EQ(shown(), QColor(Qt::red).rgb());
    w->Text2->setText(QStringLiteral("Blue"));
    EXPECT_GT(qBlue(shown()), 200);
    w->Text2->setText(QStringLiteral("Gone"));
    EXPECT_EQ(shown(), QColor(Qt::green).rgb());
    w->Text2->setText(QStringLiteral("Same"));
    w->Text2->setText(QString());
    EXPECT_EQ(shown(), QColor(Qt::red).rgb()) << "an empty title keeps the picture";
    w->Text2->setText(QStringLiteral("Not In Library"));
    EXPECT_EQ(shown(), QColor(Qt::green).rgb());
    ASSERT_EQ(errorBoxes(), 0);
    w->Text2->setText(QStringLiteral("Bad"));
    EXPECT_EQ(errorBoxes(), 1) << "a cover that cannot be loaded is reported";
    EXPECT_EQ(shown(), QColor(Qt::green).rgb()) << "and the picture shown stays";
    QFile::remove(programFile(QStringLiteral("SysImage.bmp")));
    w->Text2->setText(QStringLiteral("Nothing"));
    EXPECT_EQ(shown(), 0u);
}

// The three layouts: sizes, flags, topmost, and the cover's place.
TEST_F(PlayerLooks, MiniPlayerAndCoverView)
{
    w->Show();
    const QPoint at = w->pos();
    w->picUpDown_Click();
    EXPECT_EQ(w->upflag, 1);
    EXPECT_EQ(w->FlagPicDown, 0);
    EXPECT_EQ(w->widthTw(), 4600);
    EXPECT_EQ(w->heightTw(), 1000);
    EXPECT_TRUE(w->isTopmost());
    EXPECT_EQ(w->pos(), at);
    EXPECT_FALSE(w->ListView1->isVisible());
    EXPECT_FALSE(w->picQuillory->isVisible());
    EXPECT_TRUE(w->picPlay->isVisible());
    EXPECT_EQ(leftTwips(w->picPlay), 960);
    EXPECT_EQ(topTwips(w->Text3), 310);
    EXPECT_EQ(topTwips(w->imgCover), -3000);
    EXPECT_FALSE(w->imgCover->isVisible());

    w->picPic_Click(); // mini player -> cover view
    EXPECT_EQ(w->FlagPicDown, 1);
    EXPECT_EQ(w->heightTw(), 5480);
    EXPECT_TRUE(w->imgCover->isVisible());
    EXPECT_EQ(leftTwips(w->imgCover), 38);
    EXPECT_EQ(topTwips(w->imgCover), 640);
    EXPECT_EQ(heightTwips(w->imgCover), 4425);
    EXPECT_EQ(widthTwips(w->imgCover), 4425);

    w->picPic_Click(); // cover view -> mini player
    EXPECT_EQ(w->heightTw(), 1010);
    EXPECT_EQ(w->widthTw(), 4600);
    EXPECT_EQ(w->upflag, 1);
    EXPECT_EQ(w->FlagPicDown, 0);
    EXPECT_TRUE(w->isTopmost());
    EXPECT_EQ(topTwips(w->imgCover), -3000);
    EXPECT_FALSE(w->imgCover->isVisible());

    w->picPic_Click();
    w->picUpDown_Click(); // cover view -> full player
    EXPECT_EQ(w->upflag, 0);
    EXPECT_EQ(w->FlagPicDown, 0);
    EXPECT_EQ(w->widthTw(), 4740);
    EXPECT_EQ(w->heightTw(), 6360);
    EXPECT_FALSE(w->isTopmost());
    EXPECT_TRUE(w->ListView1->isVisible());
    EXPECT_TRUE(w->Label12->isVisible());
    EXPECT_EQ(leftTwips(w->picPic), 3890);
    EXPECT_EQ(leftTwips(w->Slider1), 2900);
    EXPECT_FALSE(w->imgCover->isVisible());

    // The browser's width is given up by unfolding.
    w->sscmdMP3_Click();
    w->picPic_Click();
    EXPECT_EQ(w->widthTw(), 4600);
    EXPECT_EQ(w->heightTw(), 5480);
    w->picUpDown_Click();
    EXPECT_EQ(w->widthTw(), 4740);

    // Holding a mouse button shows the border until release.
    emit w->picPic->mouseDown(Qt::LeftButton, {});
    EXPECT_EQ(w->picPic->borderStyle(), 1);
    emit w->picPic->mouseUp(Qt::LeftButton, {});
    EXPECT_EQ(w->picPic->borderStyle(), 0);
    EXPECT_EQ(errorBoxes(), 0);
}

// Hover: a button lights up and resets only what its row says; the background clears all.
TEST_F(PlayerLooks, HoverLooks)
{
    w->hoverNav(w->picConvert);
    w->hoverNav(w->picBurner);
    EXPECT_EQ(w->picConvert->borderStyle(), 0) << "leaving the converter for the burner keeps its highlight";
    EXPECT_TRUE(w->Label21->fontBold());
    EXPECT_EQ(w->picBurner->borderStyle(), 0);
    EXPECT_TRUE(w->Label29->fontBold());
    w->hoverNav(w->picEncoder);
    EXPECT_EQ(w->picBurner->borderStyle(), 0);
    EXPECT_EQ(w->picQuillory->borderStyle(), 1);
    emit w->Label7->mouseMoved({});
    EXPECT_EQ(w->picEncoder->borderStyle(), 1);
    EXPECT_FALSE(w->Label5->fontBold());
    w->Form_MouseMove();
    for (PictureBox* p : {w->picQuillory, w->picEncoder, w->picConvert, w->picPlayLists, w->picBurner, w->picExit})
        EXPECT_EQ(p->borderStyle(), 1) << p->objectName().toStdString();
    for (Label* l : {w->Label3, w->Label5, w->Label21, w->Label6, w->Label29, w->Label7})
        EXPECT_FALSE(l->fontBold()) << l->objectName().toStdString();
    EXPECT_EQ(w->picEncoder->toolTip(), QStringLiteral("Play Or Encode CD Tracks "));
    EXPECT_EQ(w->Label22->text(), QStringLiteral("File"));
    EXPECT_EQ(w->Label30->text(), QStringLiteral("Skins"));

    w->Label28->setText(QStringLiteral("Current Music Folder=/a/very/long/folder"));
    emit w->Label28->mouseMoved({});
    EXPECT_EQ(w->Label28->toolTip(), w->Label28->text());
}

// The menus carry the player's entries in order.
TEST_F(PlayerLooks, MenuEntries)
{
    QStringList names;
    for (QAction* a : w->chrome->mnuFile->actions())
        names << (a->isSeparator() ? QStringLiteral("-") : a->objectName() + '=' + a->text());
    EXPECT_EQ(names, (QStringList{"mnuQuillory=Quillory", "mnuEncoder=CD Player/MP3 Encoder", "mnuConvert=Converter",
                                  "mnuPlaylist=Edit Or Create PlayLists", "mnuBurner=CD Burner", "-",
                                  "mnuClosePlayer=Close MP3 Player", "-", "mnuExit=Exit"}));
    for (const char* n : {"mnuSettings", "mnuskin", "mnuFindSite1", "mnuFindSite2", "mnuFreeSite3", "mnusite",
                          "mnuHelpFile", "mnuManual", "mnuAbout", "mnuOrder"})
        EXPECT_NE(w->chrome->entry(QString::fromLatin1(n)), nullptr) << n;
}

// A CD player that cannot start leaves the player open and playing and the main window hidden.
TEST_F(PlayerLooks, EncoderButtonWithoutACdStaysHere)
{
    addFiles({QStringLiteral("One")});
    fill(*w, {{"One", "A", "0:02"}});
    w->Show();
    w->picPlay_Click();
    w->picEncoder_Click();
    settle();
    EXPECT_EQ(Forms::find<frmPlay>(), w);
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    EXPECT_EQ(SwitchingWindow, 0);
    const frmMain* m = Forms::find<frmMain>();
    EXPECT_TRUE(m == nullptr || !m->isVisible());
}

// The converter button hides the player without stopping it and remembers it.
TEST_F(PlayerLooks, ConverterButtonHidesAndKeepsPlaying)
{
    addFiles({QStringLiteral("One")});
    fill(*w, {{"One", "A", "0:02"}});
    w->Show();
    w->picPlay_Click();
    w->hoverNav(w->picConvert);
    w->picConvert_Click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(Forms::find<frmPlay>(), w);
    EXPECT_TRUE(w->Mp3Play1->IsRunning());
    EXPECT_EQ(LastWindow, w->windowId());
    EXPECT_EQ(w->picConvert->borderStyle(), 1);
    EXPECT_TRUE(Forms::find<frmConvertChoice>()->isVisible());
}

// "Close MP3 Player" returns to the main window, the play list kept as the recent list.
TEST_F(PlayerLooks, ClosePlayerEntryShowsMain)
{
    w->Show();
    w->chrome->entry(QStringLiteral("mnuClosePlayer"))->trigger();
    settle();
    EXPECT_EQ(Forms::find<frmPlay>(), nullptr);
    ASSERT_NE(Forms::find<frmMain>(), nullptr);
    EXPECT_TRUE(Forms::find<frmMain>()->isVisible());
}

// The exit button answered No leaves the player open.
TEST_F(PlayerLooks, ExitAnsweredNoKeepsThePlayer)
{
    w->Show();
    prompt.answers = {Mb::No};
    w->picExit_Click();
    settle();
    EXPECT_EQ(Forms::find<frmPlay>(), w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(exitSeam.calls, 0);
}
