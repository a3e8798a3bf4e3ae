// What a person meets in the windows: the feature windows wear the whole skin, their captions
// fit, and the small dialogs answer Enter, Escape and their close box.
#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <QTimer>

#include "core/cdaudio.h"
#include "core/skin.h"
#include "shell/frmskindir.h"
#include "shellfixture.h"

namespace {
class WindowKeys : public ShellFixture {
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        copyShipped(QStringLiteral("Skins"));
    }
    void useSkin(const QString& name)
    {
        writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), (name + QStringLiteral("\r\n 0 \r\n")).toUtf8());
    }
    // Presses a key in a shown window as the keyboard would.
    static void press(QWidget* w, Qt::Key key)
    {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, key);
    }
    static QImage imageOf(const QString& skin, const QString& file) { return QImage(SkinFile(skin, file)); }
};
} // namespace

TEST_F(WindowKeys, FeatureWindowsWearEverySkinBitmapAndFitTheirBoldCaptions)
{
    useSkin(QStringLiteral("Midnight"));
    loadMain();
    frmBurner& burner = Forms::get<frmBurner>();
    const std::pair<PictureBox*, const char*> buttons[] = {
        {burner.picQuillory, "quillory.bmp"}, {burner.picPlayer, "player.bmp"},   {burner.picEncoder, "encoder.bmp"},
        {burner.picConvert, "convert.bmp"},   {burner.picPlayLists, "playlist.bmp"}, {burner.picExit, "exit.bmp"},
    };
    for (auto [pic, file] : buttons) {
        ASSERT_NE(pic, nullptr) << file;
        const QImage skin = imageOf(QStringLiteral("Midnight"), QString::fromLatin1(file));
        ASSERT_FALSE(skin.isNull()) << file;
        EXPECT_EQ(pic->picture().toImage().convertToFormat(QImage::Format_RGB32),
                  skin.convertToFormat(QImage::Format_RGB32))
            << file;
    }
    // The hover look makes a caption bold; it must still be whole.
    for (Label* l : {burner.lblQuillory, burner.lblPlayer, burner.lblEncoder, burner.lblConvert, burner.lblPlayLists,
                     burner.lblExit}) {
        l->setFontBold(true);
        EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->width()) << l->text().toStdString();
    }
    // The row sits in the middle of the window.
    const int left = burner.lblQuillory->geometry().center().x();
    const int right = burner.lblExit->geometry().center().x();
    EXPECT_NEAR(left + right, burner.width(), 4);
}

TEST_F(WindowKeys, CheckBoxesAndFrameCaptionsTakeTheSkinsTextColourAndFollowAChangeOfSkin)
{
    injectAudioDisc();
    useSkin(QStringLiteral("Midnight"));
    loadMain();
    frmBurner& burner = Forms::get<frmBurner>();
    frmPlay& play = Forms::get<frmPlay>();
    frmCD& cd = Forms::get<frmCD>();
    const auto frames = cd.findChildren<QGroupBox*>();
    ASSERT_FALSE(frames.isEmpty());
    auto textOf = [](const QWidget* w) { return numberFromColor(w->palette().color(QPalette::WindowText)); };
    for (long fore : {16770772L, 926794L}) {
        EXPECT_EQ(textOf(burner.Check1), fore);
        EXPECT_EQ(textOf(play.Check1), fore);
        for (const QGroupBox* g : frames)
            EXPECT_EQ(textOf(g), fore) << g->title().toStdString();
        SkinName = QStringLiteral("Maple");
        formskins();
    }
    Forms::unload<frmCD>();
    CDAudio().CloseCD();
}

TEST_F(WindowKeys, ConverterChooserAnswersEnterEscapeAndItsCloseBox)
{
    frmMain& m = loadMain();
    m.picPlayer_Click();
    frmPlay* play = Forms::find<frmPlay>();
    ASSERT_NE(play, nullptr);

    // Escape is Cancel: the player comes back.
    play->picConvert_Click();
    frmConvertChoice& chooser = Forms::get<frmConvertChoice>();
    ASSERT_TRUE(chooser.isVisible());
    press(&chooser, Qt::Key_Escape);
    EXPECT_FALSE(chooser.isVisible());
    EXPECT_TRUE(play->isVisible());

    // The close box is Cancel too; the program is never left without a window.
    play->picConvert_Click();
    ASSERT_FALSE(play->isVisible());
    chooser.close();
    EXPECT_FALSE(chooser.isVisible());
    EXPECT_TRUE(play->isVisible());
    EXPECT_FALSE(m.isVisible());

    // Enter is OK: the chosen converter opens.
    play->picConvert_Click();
    chooser.optMP3ToWAV->setChecked(true);
    press(&chooser, Qt::Key_Return);
    settle();
    ASSERT_NE(Forms::find<frmMP3ToWAV>(), nullptr);
    EXPECT_TRUE(Forms::find<frmMP3ToWAV>()->isVisible());
    EXPECT_EQ(Forms::find<frmPlay>(), nullptr);
}

TEST_F(WindowKeys, SkinChooserOpensOnTheSkinInUseWithoutChoosingIt)
{
    useSkin(QStringLiteral("Maple"));
    frmMain& m = loadMain();
    QString label, current;
    bool previewed = true;
    QString afterDown;
    QTimer::singleShot(0, [&] {
        frmSkinDir& w = Forms::get<frmSkinDir>();
        // The list takes the focus as the window opens: that alone picks nothing.
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w.List1, &in);
        label = w.Label1->text();
        current = w.List1->currentItem() ? w.List1->currentItem()->text() : QString();
        previewed = !w.picView->picture().isNull();
        // The arrow keys go on from the skin in use and preview what they reach.
        press(w.List1, Qt::Key_Down);
        afterDown = w.Label1->text();
        press(&w, Qt::Key_Escape);
    });
    m.chrome->mnuOpenSkins->trigger();

    EXPECT_EQ(label, "");
    EXPECT_EQ(current, "Maple");
    EXPECT_FALSE(previewed);
    EXPECT_EQ(afterDown, "Midnight");
    EXPECT_FALSE(Forms::isLoaded<frmSkinDir>());
    EXPECT_EQ(SkinName, "Maple");
}
