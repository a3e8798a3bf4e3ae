#include "core/windowrefresh.h"
#include "shellfixture.h"

TEST_F(ShellFixture, RefreshWithNoFeatureWindowLoadsNothing)
{
    frmMain& m = loadMain();
    const size_t before = Forms::loaded().size();
    RefreshMP3();
    EXPECT_EQ(Forms::loaded().size(), before);
    EXPECT_EQ(Refreshing, 0);
    EXPECT_TRUE(m.isVisible());
}

TEST_F(ShellFixture, RefreshKeepsEachWindowsVisibilityAndState)
{
    frmMain& m = loadMain();
    m.picPlayer_Click();
    frmPlay* play = Forms::find<frmPlay>();
    play->setWindowStateValue(WinState::Minimized);
    frmSongs* songs = &Forms::get<frmSongs>(); // loaded, hidden
    frmBurner* burner = &Forms::get<frmBurner>();
    burner->Show();
    burner->setWindowStateValue(WinState::Maximized);
    frmMP3ToWAV* conv = &Forms::get<frmMP3ToWAV>(); // design caption "Convert MP3 to WAV"
    conv->Show();
    RefreshMP3();
    settle();

    frmPlay* play2 = Forms::find<frmPlay>();
    frmSongs* songs2 = Forms::find<frmSongs>();
    frmBurner* burner2 = Forms::find<frmBurner>();
    frmMP3ToWAV* conv2 = Forms::find<frmMP3ToWAV>();
    ASSERT_TRUE(play2 && songs2 && burner2 && conv2);
    // Each one is a new window.
    EXPECT_NE(static_cast<void*>(play2), static_cast<void*>(play));
    EXPECT_NE(static_cast<void*>(songs2), static_cast<void*>(songs));
    EXPECT_NE(static_cast<void*>(burner2), static_cast<void*>(burner));
    EXPECT_NE(static_cast<void*>(conv2), static_cast<void*>(conv));
    EXPECT_TRUE(play2->isVisible());
    EXPECT_EQ(play2->WindowState(), WinState::Minimized);
    EXPECT_FALSE(songs2->isVisible());
    EXPECT_TRUE(burner2->isVisible());
    EXPECT_EQ(burner2->WindowState(), WinState::Maximized);
    EXPECT_TRUE(conv2->isVisible());
    // No unload on the way brought back the main window.
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(Refreshing, 0);
    EXPECT_EQ(SwitchingWindow, 0);
}

TEST_F(ShellFixture, RefreshFindsTheShufflingPlayer)
{
    frmPlay& play = Forms::get<frmPlay>();
    play.Check1->setChecked(true);
    play.Show();
    RefreshMP3();
    settle();
    ASSERT_NE(Forms::find<frmPlay>(), nullptr);
    EXPECT_NE(Forms::find<frmPlay>(), &play);
    EXPECT_TRUE(Forms::find<frmPlay>()->isVisible());
}

TEST_F(ShellFixture, CloseFeatureWindowsClosesAllButTheConverters)
{
    injectAudioDisc();
    loadMain().Hide();
    Forms::get<frmPlay>().Show();
    Forms::get<frmSongs>();
    Forms::get<frmBurner>();
    frmCD& cd = Forms::get<frmCD>();
    cd.setCaption(QStringLiteral("CD Player (Sel Tracks Only)"));
    Forms::get<frmWAVToMP3>();

    ConversionRunning = 1; // nothing may be closed under a running encoder
    CloseFeatureWindows();
    EXPECT_NE(Forms::find<frmCD>(), nullptr);
    EXPECT_NE(Forms::find<frmPlay>(), nullptr);

    ConversionRunning = 0;
    CloseFeatureWindows();
    settle();
    EXPECT_EQ(Forms::find<frmPlay>(), nullptr);
    EXPECT_EQ(Forms::find<frmSongs>(), nullptr);
    EXPECT_EQ(Forms::find<frmBurner>(), nullptr);
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    EXPECT_NE(Forms::find<frmWAVToMP3>(), nullptr);
    EXPECT_FALSE(Forms::find<frmMain>()->isVisible());
    EXPECT_EQ(SwitchingWindow, 0);
}

TEST_F(ShellFixture, CdWindowUnderAnotherCaptionIsLeftOpen)
{
    injectAudioDisc();
    frmCD& cd = Forms::get<frmCD>();
    cd.setCaption(QStringLiteral("Something Else"));
    CloseFeatureWindows();
    EXPECT_EQ(Forms::find<frmCD>(), &cd);
}
