#include <QCloseEvent>

#include "convertfixture.h"
#include "player/frmplay.h"

using Choice = ConvertFixture;

TEST_F(Choice, HoverSelectsAndTheBackgroundKeepsTheChoice)
{
    frmConvertChoice& c = Forms::get<frmConvertChoice>();
    EXPECT_EQ(c.Caption(), QStringLiteral("Convert"));
    EXPECT_TRUE(c.Option1->isChecked());
    c.Picture2_MouseMove();
    EXPECT_TRUE(c.Option2->isChecked());
    EXPECT_FALSE(c.Option1->isChecked());
    EXPECT_EQ(c.Picture2->borderStyle(), 0);
    c.Form_MouseMove();
    EXPECT_EQ(c.Picture2->borderStyle(), 1);
    EXPECT_EQ(c.Picture1->borderStyle(), 1);
    EXPECT_TRUE(c.Option2->isChecked());
}

TEST_F(Choice, OkFromThePlayerClosesItAndOpensTheHoveredConverter)
{
    frmMain& m = Forms::get<frmMain>();
    m.picPlayer_Click();
    frmPlay* play = Forms::find<frmPlay>();
    ASSERT_NE(play, nullptr);
    play->picConvert_Click();
    frmConvertChoice& c = Forms::get<frmConvertChoice>();
    c.Picture2_MouseMove();
    c.btnOK_Click();
    settle();
    EXPECT_EQ(Forms::find<frmPlay>(), nullptr);
    EXPECT_FALSE(m.isVisible());
    ASSERT_NE(Forms::find<frmMP3ToWAV>(), nullptr);
    EXPECT_TRUE(Forms::find<frmMP3ToWAV>()->isVisible());
    EXPECT_EQ(Forms::find<frmConvertChoice>(), nullptr); // unloaded: the next opening starts afresh
    EXPECT_EQ(Forms::get<frmConvertChoice>().Option1->isChecked(), true);
}

TEST_F(Choice, OkShowsTheConverterAlreadyOpenAndLeavesTheOtherOne)
{
    frmWAVToMP3& wav = Forms::get<frmWAVToMP3>();
    frmMP3ToWAV& mp3 = Forms::get<frmMP3ToWAV>();
    frmConvertChoice& c = Forms::get<frmConvertChoice>();
    c.Picture1_Click(); // a picture click is a whole choice, with the switch sound
    settle();
    EXPECT_EQ(Forms::find<frmWAVToMP3>(), &wav);
    EXPECT_TRUE(wav.isVisible());
    EXPECT_EQ(Forms::find<frmMP3ToWAV>(), &mp3);
    EXPECT_EQ(sounds.played.size(), 1u);
}

TEST_F(Choice, CancelRestoresTheCallerAndKeepsTheSelection)
{
    frmMain& m = Forms::get<frmMain>();
    m.picPlayer_Click();
    frmPlay* play = Forms::find<frmPlay>();
    play->picConvert_Click();
    play->setWindowStateValue(WinState::Minimized);
    frmConvertChoice& c = Forms::get<frmConvertChoice>();
    c.Picture2_MouseMove();
    c.btnCancel_Click();
    EXPECT_TRUE(play->isVisible());
    EXPECT_FALSE(play->isMinimized());
    EXPECT_FALSE(c.isVisible());
    ASSERT_EQ(Forms::find<frmConvertChoice>(), &c); // hidden, still loaded
    play->picConvert_Click();
    EXPECT_TRUE(c.Option2->isChecked());
}

TEST_F(Choice, TheCloseBoxActsAsCancel)
{
    frmMain& m = Forms::get<frmMain>();
    m.Show();
    m.picConvert_Click();
    EXPECT_FALSE(m.isVisible());
    frmConvertChoice& c = Forms::get<frmConvertChoice>();
    c.close();
    EXPECT_TRUE(m.isVisible());
    EXPECT_FALSE(c.isVisible());
}
