// The CD window: start-up, disc reading, the track list, layout, check boxes and the
// CD catalogue's records, on disc images in an injected drive.
#include <QTimer>
#include <gtest/gtest.h>

#include "core/discid.h"
#include "cd/frmcdrip.h"
#include "cdwindowfixture.h"
#include "core/driveinfo.h"
#include "shell/frmmain.h"
#include "shell/windowchrome.h"

TEST_F(CdWindowTest, UnknownDiscListsNumberedTracksWithTheirLengths)
{
    // 149 frames show as 00:01, 4,500 frames as 01:00.
    insertDisc({149, 4500, 300});
    MusicFolder = QStringLiteral("/srv/My Music/");
    EncoderMode.clear();
    EncodeOutputMode = 3;
    frmCD& cd = loadCd();
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(CDPlayerFailed, 0);
    EXPECT_EQ(cd.Label33->text(), QStringLiteral("(Current Music Folder=/srv/My Music)"));
    EXPECT_EQ(cd.label29->text(), QStringLiteral("CD Player (Drive ") + CDDriveLetter + QStringLiteral(")"));
    ASSERT_EQ(cd.ListView1->topLevelItemCount(), 3);
    EXPECT_EQ(row(cd, 1), (QStringList{"Track No. 1", "1", "00:01"}));
    EXPECT_EQ(row(cd, 2), (QStringList{"Track No. 2", "2", "01:00"}));
    EXPECT_EQ(row(cd, 3), (QStringList{"Track No. 3", "3", "00:04"}));
    EXPECT_EQ(cd.txtArtist->text(), QStringLiteral("Artist"));
    EXPECT_EQ(cd.txtCDTitle->text(), QStringLiteral("CD Title"));
    EXPECT_EQ(cd.txtcategory->text(), QStringLiteral("Category"));
    EXPECT_EQ(cd.ListView1->selectedItems().size(), 0);
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_EQ(cd.currenttrack, 1);
    EXPECT_EQ(cd.state().numtracks, 3);
    EXPECT_EQ(cd.state().cdidb.size(), 8);
    EXPECT_TRUE(cd.Timer1->isActive());
    EXPECT_EQ(cd.lblConfig->text(), QStringLiteral("WAV AND MP3"));
    EXPECT_EQ(EncoderMode, QStringLiteral("CBR1"));
    EXPECT_EQ(cd.Label28->text(), QStringLiteral("Constant Bit Rate CBR1"));
    EXPECT_EQ(cd.Caption(), QStringLiteral("The CD Player / MP3 Encoder"));
}

TEST_F(CdWindowTest, KnownDiscComesFromTheCatalogueWithItsSelection)
{
    insertDisc({300, 300, 300});
    QString id;
    {
        CDDriveLetter = CdDrives::list().front().device;
        CDAudio a;
        ASSERT_EQ(a.ReadyDevice(), 0);
        id = CdDiscId(a).GetCDID();
    }
    CDLibrary->Add(QStringLiteral("FFFFFFFF"), "Other", "Other", "Other", "01:00", "Pop", "", "Yes");
    const char* flags[] = {"No", "yes", "No", "Yes"};
    for (int i = 0; i < 4; ++i)
        CDLibrary->Add(id.toLower(), QStringLiteral("Title %1").arg(i), QStringLiteral("Artist %1").arg(i),
                       QStringLiteral("Song %1").arg(i + 1), QStringLiteral("0%1:00").arg(i), QStringLiteral("Rock"),
                       "", QString::fromLatin1(flags[i]));
    EncodeOutputMode = 0;
    frmCD& cd = loadCd();
    // Four stored records, although the disc has three tracks: every record is a row.
    ASSERT_EQ(cd.ListView1->topLevelItemCount(), 4);
    EXPECT_EQ(row(cd, 2), (QStringList{"Song 2", "2", "01:00"}));
    EXPECT_EQ(row(cd, 4), (QStringList{"Song 4", "4", "03:00"}));
    std::vector<bool> selected;
    for (int r = 0; r < 4; ++r)
        selected.push_back(cd.ListView1->topLevelItem(r)->isSelected());
    EXPECT_EQ(selected, (std::vector<bool>{false, true, false, true}));
    EXPECT_EQ(cd.txtArtist->text(), QStringLiteral("Artist 3"));
    EXPECT_EQ(cd.txtCDTitle->text(), QStringLiteral("Title 3"));
    EXPECT_EQ(cd.txtcategory->text(), QStringLiteral("Rock"));
    EXPECT_EQ(cd.lblConfig->text(), QStringLiteral("MP3 ONLY")); // output mode 0 changes nothing
}

TEST_F(CdWindowTest, OneTrackDiscIsWarnedAboutOnceAndListed)
{
    insertDisc({375});
    frmCD& cd = loadCd();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text,
              QStringLiteral("There is only one track on the current CD. The CD may be a data CD, not an audio CD."));
    EXPECT_EQ(prompt.last().style, Mb::OKOnly | Mb::Exclamation);
    EXPECT_EQ(row(cd, 1), (QStringList{"Track No. 1", "1", "00:05"}));
}

TEST_F(CdWindowTest, NoDiscFailsTheLoadAndItsUnloadLeavesTheMainWindowAlone)
{
    insertDisc({300, 300});
    {
        CDDriveLetter = CdDrives::list().front().device;
        CDAudio a;
        ASSERT_EQ(a.ReadyDevice(), 0);
        a.EjectCD();
    }
    frmCD& cd = Forms::get<frmCD>();
    EXPECT_EQ(CDPlayerFailed, 1);
    EXPECT_EQ(prompt.last().text, QStringLiteral("Please insert a CD in the CD player (Drive ") + CDDriveLetter +
                                      QStringLiteral("), wait a few seconds and try again."));
    EXPECT_EQ(cd.cdplayer, nullptr);
    EXPECT_FALSE(cd.Timer1->isActive());
    Forms::unload(&cd);
    EXPECT_FALSE(Forms::isLoaded<frmMain>());
    CDAudio().CloseCD();
}

TEST_F(CdWindowTest, EjectClearsTheWindowAndClosingTheDoorReadsTheDiscAgain)
{
    insertDisc({300, 300});
    frmCD& cd = loadCd();
    cd.chkAutoCreate->setChecked(true); // a name was accepted before
    SkipAutoCreateClick = 1;
    prompt.asked.clear();
    cd.picEject_Click();
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop")); // Eject itself leaves the state word
    cd.Timer1_Timer();
    EXPECT_EQ(CDPlayState, QStringLiteral("Eject"));
    EXPECT_EQ(cd.txtCDTitle->text(), QStringLiteral("No Audio CD"));
    EXPECT_EQ(cd.txtArtist->text(), QStringLiteral("No Audio CD"));
    EXPECT_TRUE(cd.txtcategory->text().isEmpty());
    EXPECT_EQ(cd.ListView1->topLevelItemCount(), 0);
    EXPECT_FALSE(cd.chkAutoCreate->isChecked());
    EXPECT_EQ(SkipAutoCreateClick, 0);
    EXPECT_TRUE(prompt.asked.empty());
    CDAudio().CloseCD();
    cd.Timer1_Timer();
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_EQ(cd.ListView1->topLevelItemCount(), 2);
}

TEST_F(CdWindowTest, ADiscSwappedUnderTheOpenDeviceReloadsTheWindowWithTheNewDisc)
{
    insertDisc({300, 300});
    frmCD& cd = loadCd();
    ASSERT_EQ(cd.ListView1->topLevelItemCount(), 2);
    const QString oldId = cd.state().cdidb;
    cd.picPlay_Click();
    cd.Timer1_Timer();
    // Another disc in the drive without the window seeing the door: the image is replaced.
    insertDisc({300, 450, 600});
    cd.Timer1_Timer();
    EXPECT_EQ(CDPlayState, QStringLiteral("Eject"));
    EXPECT_EQ(cd.ListView1->topLevelItemCount(), 0);
    clock.advance(2000);
    cd.Timer1_Timer();
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    EXPECT_EQ(cd.ListView1->topLevelItemCount(), 3);
    EXPECT_EQ(cd.state().numtracks, 3);
    EXPECT_NE(cd.state().cdidb, oldId);
}

TEST_F(CdWindowTest, ATickDuringADiscReadingDoesNotReadItAgain)
{
    insertDisc({300, 300});
    for (int i = 0; i < 5; ++i)
        CDLibrary->Add(QStringLiteral("FFFFFFF%1").arg(i), "x", "x", "x", "00:01", "", "", "No");
    frmCD& cd = loadCd();
    for (int i = 1; i <= 2; ++i)
        CDLibrary->Add(cd.state().cdidb, "t", "a", QStringLiteral("Song %1").arg(i), "00:04", "", "", "No");
    CDPlayState = QStringLiteral("Eject"); // as if the door had been open; the device reports stopped
    int ticks = 0;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] {
        ++ticks;
        cd.Timer1_Timer();
    });
    t.start(0);
    cd.CDInfo();
    t.stop();
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(cd.ListView1->topLevelItemCount(), 2);
}

TEST_F(CdWindowTest, CompactLayoutTogglesSizeTopmostAndCaption)
{
    insertDisc({300, 300});
    frmCD& cd = loadCd();
    const QSize full = cd.size();
    cd.Check1->setChecked(true);
    cd.picUpDown_Click();
    EXPECT_EQ(cd.size(), QSize(Form::twipsToPx(4390), Form::twipsToPx(1040)));
    EXPECT_TRUE(cd.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(cd.picPlayer->isVisible());
    EXPECT_FALSE(cd.Label22->isVisible());
    EXPECT_EQ(leftTwips(cd.picPrev), 0);
    EXPECT_EQ(topTwips(cd.picPlay), 0);
    EXPECT_EQ(cd.Caption(), QStringLiteral("CD Player (Sel Tracks Only)"));
    EXPECT_EQ(cd.state().compactflag, 1);
    cd.picUpDown_Click();
    EXPECT_EQ(cd.size(), full);
    EXPECT_FALSE(cd.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(cd.picPlayer->isVisible());
    EXPECT_EQ(leftTwips(cd.picPrev), 960);
    EXPECT_EQ(cd.Caption(), frmCD::kCaptionSelected);

    // Unloaded while compact: the next load shows the full layout, and its first click
    // applies the full layout again.
    cd.picUpDown_Click();
    Forms::unload(&cd);
    settle();
    frmCD& again = loadCd();
    EXPECT_EQ(again.size(), full);
    again.picUpDown_Click();
    EXPECT_EQ(again.size(), full);
    again.picUpDown_Click();
    EXPECT_EQ(again.state().compactflag, 1);
    EXPECT_EQ(again.size(), QSize(Form::twipsToPx(4390), Form::twipsToPx(1040)));
}

TEST_F(CdWindowTest, AutoPlaylistNameIsAskedUntilItIsNewAndValid)
{
    insertDisc({300, 300});
    frmCD& cd = loadCd();
    Playlists->Add(QStringLiteral("Road Trip"), 1, "a", "b", "1:00", "", "");
    cd.txtCDTitle->setText(QStringLiteral("Disc"));
    prompt.texts = {QStringLiteral("ROAD TRIP"), QStringLiteral("a/b"), QStringLiteral("   ")};
    cd.chkAutoCreate->click();
    ASSERT_EQ(prompt.asked.size(), 5u);
    EXPECT_EQ(prompt.asked[0].kind, PromptRecord::Input);
    EXPECT_EQ(prompt.asked[0].initial, QStringLiteral("Disc"));
    EXPECT_EQ(prompt.asked[1].text, QStringLiteral("This Play List Name Already Exists, Enter A New Name"));
    EXPECT_EQ(prompt.asked[1].style, Mb::OKOnly | Mb::Exclamation);
    EXPECT_TRUE(prompt.asked[3].text.startsWith(QStringLiteral("You Cannot Use the Characters")));
    EXPECT_EQ(AutoPlaylistName, QStringLiteral("   ")); // blanks are a name
    EXPECT_TRUE(cd.chkAutoCreate->isChecked());
    EXPECT_EQ(SkipAutoCreateClick, 1);
    // The user clears the box: no question, the name stays.
    cd.chkAutoCreate->click();
    EXPECT_EQ(prompt.asked.size(), 5u);
    EXPECT_EQ(SkipAutoCreateClick, 0);
    EXPECT_EQ(AutoPlaylistName, QStringLiteral("   "));
    // Cancel clears the box and the name.
    cd.chkAutoCreate->click();
    EXPECT_FALSE(cd.chkAutoCreate->isChecked());
    EXPECT_TRUE(AutoPlaylistName.isEmpty());
    EXPECT_EQ(SkipAutoCreateClick, 0);
}

TEST_F(CdWindowTest, UnloadWhilePausedKeepsTheDeviceAndWhilePlayingStopsIt)
{
    insertDisc({300, 300});
    frmCD& cd = loadCd();
    CDPlayState = QStringLiteral("Pause");
    SwitchingWindow = 1;
    Forms::unload(&cd);
    EXPECT_EQ(CDPlayState, QStringLiteral("Pause"));
    EXPECT_EQ(SwitchingWindow, 0);
    EXPECT_FALSE(Forms::isLoaded<frmMain>());
    settle();
    frmCD& again = loadCd();
    again.picPlay_Click();
    EXPECT_EQ(CDPlayState, QStringLiteral("Play"));
    Forms::unload(&again);
    EXPECT_EQ(CDPlayState, QStringLiteral("Stop"));
    ASSERT_TRUE(Forms::isLoaded<frmMain>());
    EXPECT_TRUE(Forms::find<frmMain>()->isVisible());
    EXPECT_EQ(CDAudio().Mode(), QString()); // the device was closed
}

TEST_F(CdWindowTest, ScreenshotsOfTheCdWindow)
{
    insertDisc({4500, 9000, 6000, 12000});
    frmCD& cd = loadCd();
    cd.txtArtist->setText(QStringLiteral("The Test Band"));
    cd.txtCDTitle->setText(QStringLiteral("Songs For Testing"));
    cd.txtcategory->setText(QStringLiteral("rock"));
    cd.ListView1->topLevelItem(1)->setSelected(true);
    cd.txtPlaying->setText(QStringLiteral("Track No. 2   00:41"));
    QDir().mkpath(QStringLiteral(QUILLORY_SCREENSHOT_DIR));
    const QString dir = QStringLiteral(QUILLORY_SCREENSHOT_DIR "/");
    EXPECT_TRUE(cd.grab().save(dir + QStringLiteral("cd-full.png")));
    cd.picUpDown_Click();
    EXPECT_TRUE(cd.grab().save(dir + QStringLiteral("cd-compact.png")));
    frmCDRip& rip = Forms::get<frmCDRip>();
    rip.lblProcess->setText(QStringLiteral("Processing 2 of 4"));
    rip.lblwave->setText(QStringLiteral("Track No. 2.wav"));
    rip.ACD1_ActPosition(457);
    rip.Timer1_Timer();
    rip.Show();
    EXPECT_TRUE(rip.grab().save(dir + QStringLiteral("cd-rip.png")));
}
