// The CD window's chrome: navigation buttons, menus, hover and pressed looks.
#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

#include "burner/frmburner.h"
#include "cdwindowfixture.h"
#include "convert/frmconvertchoice.h"
#include "player/frmplay.h"
#include "shell/frmmain.h"
#include "shell/windowchrome.h"

class CdChrome : public CdWindowTest {
protected:
    frmCD& start()
    {
        insertDisc({300, 300});
        frmCD& cd = loadCd();
        cd.Timer1->stop();
        return cd;
    }
};

TEST_F(CdChrome, MenusHaveTheWindowsEntries)
{
    frmCD& cd = start();
    auto captions = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    EXPECT_EQ(captions(cd.chrome->mnuFile),
              (QStringList{"Quillory", "MP3 Player", "Convert WAV Or MP3", "Edit Or Create Play Lists", "CD Burner", "-",
                           "Close CD Player/Encoder", "-", "Exit Quillory"}));
    EXPECT_EQ(captions(cd.chrome->mnuHelp),
              (QStringList{"Quillory Help", "Quillory Manual", "-", "About Quillory ", "-", "Order Quillory"}));
    EXPECT_NE(cd.menuEntry(QStringLiteral("mnuClosencoder")), nullptr);
    EXPECT_NE(cd.menuEntry(QStringLiteral("mnuskins")), nullptr);
    EXPECT_NE(cd.menuEntry(QStringLiteral("mnuFindSite2")), nullptr);
    EXPECT_EQ(cd.Label22->text(), QStringLiteral("File"));
    EXPECT_EQ(cd.Label34->text(), QStringLiteral("Skins"));
    EXPECT_EQ(cd.Label23->text(), QStringLiteral("Help"));
    EXPECT_EQ(cd.Label6->text(), QStringLiteral("Quillory"));
    EXPECT_EQ(cd.picPlayLists->toolTip(), QStringLiteral("Edit Or Create PlayLists"));
    EXPECT_EQ(cd.picCDDB->toolTip(), QStringLiteral("Connect To CD Data Base On WWW"));
}

TEST_F(CdChrome, HoverAndPressedLooks)
{
    frmCD& cd = start();
    emit cd.picPlayer->mouseMoved({});
    emit cd.picExit->mouseMoved({});
    EXPECT_EQ(cd.picPlayer->borderStyle(), 0);
    EXPECT_TRUE(cd.Label8->fontBold());
    EXPECT_EQ(cd.picExit->borderStyle(), 0);
    // Over the "Quillory" caption: only the player button's border and that caption.
    cd.Label6_MouseMove();
    EXPECT_EQ(cd.picPlayer->borderStyle(), 1);
    EXPECT_TRUE(cd.Label8->fontBold());
    EXPECT_EQ(cd.picExit->borderStyle(), 0);
    cd.Form_MouseMove();
    EXPECT_EQ(cd.picExit->borderStyle(), 1);
    EXPECT_FALSE(cd.Label10->fontBold());
    cd.Label8_Click();
    EXPECT_TRUE(cd.Label8->fontBold());
    EXPECT_FALSE(Forms::isLoaded<frmPlay>());

    for (PictureBox* p : {cd.picPlay, cd.picPause, cd.picStop, cd.picPrev, cd.picNext, cd.picEject, cd.picUpDown,
                          cd.picCDDB}) {
        emit p->mouseDown(Qt::RightButton, {});
        EXPECT_EQ(p->borderStyle(), 1) << p->objectName().toStdString();
        emit p->mouseUp(Qt::RightButton, {});
        EXPECT_EQ(p->borderStyle(), 0);
    }
    cd.Label33->setText(QStringLiteral("(Current Music Folder=/x)"));
    cd.Label33_MouseMove();
    EXPECT_EQ(cd.Label33->toolTip(), QStringLiteral("(Current Music Folder=/x)"));
}

TEST_F(CdChrome, PlayerButtonWhilePlayingStopsTheCdAndKeepsTheMainWindowHidden)
{
    frmCD& cd = start();
    cd.picPlay_Click();
    cd.picPlayer_Click();
    settle();
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    ASSERT_TRUE(Forms::isLoaded<frmPlay>());
    EXPECT_TRUE(Forms::find<frmPlay>()->isVisible());
    EXPECT_FALSE(Forms::isLoaded<frmMain>());
    EXPECT_EQ(SwitchingWindow, 0);
    EXPECT_EQ(sounds.played.size(), 1u);
}

TEST_F(CdChrome, BurnerEntryActsLikeTheBurnerButton)
{
    frmCD& cd = start();
    cd.menuEntry(QStringLiteral("mnuBurner"))->trigger();
    settle();
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    ASSERT_TRUE(Forms::isLoaded<frmBurner>());
    EXPECT_TRUE(Forms::find<frmBurner>()->isVisible());
    EXPECT_FALSE(Forms::isLoaded<frmMain>());
    ASSERT_EQ(sounds.played.size(), 1u);
    EXPECT_TRUE(sounds.played[0].path.endsWith(QStringLiteral("Whoosh.wav")));
}

TEST_F(CdChrome, CloseEntryBringsBackTheMainWindowWithoutASound)
{
    Forms::get<frmMain>().Hide(); // its own load plays the sound
    frmCD& cd = start();
    sounds.played.clear();
    cd.menuEntry(QStringLiteral("mnuClosencoder"))->trigger();
    settle();
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    ASSERT_TRUE(Forms::isLoaded<frmMain>());
    EXPECT_TRUE(Forms::find<frmMain>()->isVisible());
    EXPECT_TRUE(sounds.played.empty());
}

TEST_F(CdChrome, ConverterButtonHidesTheWindowAndTheCdPlaysOn)
{
    frmCD& cd = start();
    cd.picPlay_Click();
    cd.picConvert->setBorderStyle(0);
    cd.picConvert_Click();
    EXPECT_FALSE(cd.isVisible());
    EXPECT_EQ(Forms::find<frmCD>(), &cd);
    EXPECT_EQ(CDPlayState, QStringLiteral("Play"));
    EXPECT_EQ(SwitchingWindow, 1);
    EXPECT_EQ(cd.picConvert->borderStyle(), 1);
    EXPECT_EQ(LastWindow, cd.windowId());
    ASSERT_TRUE(Forms::isLoaded<frmConvertChoice>());
    Forms::find<frmConvertChoice>()->cmdCancel_Click();
    EXPECT_TRUE(cd.isVisible());
    cd.CloseWindow(); // the closing rule shows the main window again
    settle();
    ASSERT_TRUE(Forms::isLoaded<frmMain>());
    EXPECT_TRUE(Forms::find<frmMain>()->isVisible());
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
}
