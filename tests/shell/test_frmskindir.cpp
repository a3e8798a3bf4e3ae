// The skin chooser: its list of skin folders, the preview, OK writing "Skins/skinmain.ini"
// and re-skinning the open windows, the no-choice message, Cancel, and a screenshot.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/globals.h"
#include "core/skin.h"
#include "fixture.h"
#include "platform/appcontext.h"
#include "platform/controls.h"
#include "platform/forms.h"
#include "shell/frmmain.h"
#include "shell/frmskindir.h"
#include "shell/windowchrome.h"

namespace {

// A loaded window that wears the skin, as the main and feature windows do.
class SkinnedWindow : public Form {
    Q_OBJECT
public:
    SkinnedWindow() : Form(QStringLiteral("frmSkinned"))
    {
        setTag(this, QStringLiteral("Skin"));
        label = new Label(QStringLiteral("Songs"), this);
        list = new ListView(this);
        placeTwips(list, 120, 600, 3000, 1500);
    }
    Label* label;
    ListView* list;
};

// A window loaded but not marked for skins.
class PlainWindow : public Form {
    Q_OBJECT
public:
    PlainWindow() : Form(QStringLiteral("frmPlain")) { label = new Label(QStringLiteral("Plain"), this); }
    Label* label;
};

long foreOf(const QWidget* w) { return numberFromColor(w->palette().color(QPalette::WindowText)); }
long baseOf(const QWidget* w) { return numberFromColor(w->palette().color(QPalette::Base)); }

} // namespace

class SkinDirTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        copyShipped(QStringLiteral("Skins"));
        choiceFile = programFile(QStringLiteral("Skins/skinmain.ini"));
        writeAll(choiceFile, "Maple\r\n 0 \r\n");
        SkinName = QStringLiteral("Maple");
        SkinFlag = 0;
        // What start-up leaves behind: the default music folder, which the main window's
        // music-folder reader falls back on.
        AppDriveRoot = Ctx().appDriveRoot();
        DefaultMusicFolder = Ctx().defaultMusicFolder();
        QDir().mkpath(DefaultMusicFolder);
    }
    // The window's preview list colours and picture.
    static bool listHasPicture(frmSkinDir& w) { return !w.ListView1->backgroundPicture().isNull(); }
    static void pick(frmSkinDir& w, const QString& name)
    {
        const auto items = w.List1->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        w.List1->setCurrentItem(items.first());
    }
    static QStringList listed(frmSkinDir& w)
    {
        QStringList names;
        for (int i = 0; i < w.List1->count(); ++i)
            names << w.List1->item(i)->text();
        return names;
    }

    QString choiceFile;
    // The colours of the shipped skins' "skin.ini".
    static constexpr long kMidnightFore = 16770772;
    static constexpr long kMidnightBack = 3807760;
    static constexpr long kMapleFore = 926794;
    static constexpr long kMapleBack = 15399167;
};

TEST_F(SkinDirTest, PickingASkinAndOkSavesTheChoiceAndReskinsTheOpenWindows)
{
    frmMain& main = Forms::get<frmMain>();
    EXPECT_EQ(foreOf(main.Label1), kMapleFore);
    const qint64 mapleBackground = formPicture(&main).cacheKey();
    SkinnedWindow& skinned = Forms::get<SkinnedWindow>();
    PlainWindow& plain = Forms::get<PlainWindow>();
    const long plainFore = foreOf(plain.label);

    // The chooser opens modally; the user clicks "Midnight" and presses OK.
    bool wasModal = false, wasOnTop = false;
    QStringList names;
    QTimer::singleShot(0, [&] {
        frmSkinDir& w = Forms::get<frmSkinDir>();
        wasModal = w.isModal() || w.windowModality() != Qt::NonModal;
        wasOnTop = w.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        EXPECT_EQ(w.Caption(), "Skin Directory");
        names = listed(w);
        EXPECT_EQ(w.Label1->text(), "");
        EXPECT_TRUE(w.Check1->isChecked());
        pick(w, QStringLiteral("Midnight"));
        w.Command1->click();
    });
    // The main window's "Change Skin..." entry opens it.
    main.chrome->mnuOpenSkins->trigger();

    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(wasOnTop);
    EXPECT_EQ(names, (QStringList{"(No Skin)", "Maple", "Midnight"}));
    EXPECT_EQ(readAll(choiceFile), QByteArray("Midnight\r\n 1 \r\n"));
    EXPECT_EQ(SkinName, "Midnight");
    EXPECT_EQ(SkinFlag, 1);
    EXPECT_FALSE(Forms::isLoaded<frmSkinDir>());
    EXPECT_TRUE(prompt.asked.empty());

    // The windows marked for skins wear Midnight now, lists with a plain background.
    EXPECT_EQ(foreOf(main.Label1), kMidnightFore);
    EXPECT_FALSE(formPicture(&main).isNull());
    EXPECT_NE(formPicture(&main).cacheKey(), mapleBackground);
    EXPECT_EQ(foreOf(skinned.label), kMidnightFore);
    EXPECT_FALSE(formPicture(&skinned).isNull());
    EXPECT_TRUE(skinned.list->backgroundPicture().isNull());
    EXPECT_EQ(baseOf(skinned.list), kMidnightBack);
    EXPECT_EQ(foreOf(plain.label), plainFore);
}

TEST_F(SkinDirTest, OkWritesTheNameWholeAndTheFlagOfTheCheckBox)
{
    // A skin whose name holds a comma, beside the shipped ones.
    const QDir midnight(programFile(QStringLiteral("Skins/Midnight")));
    QDir().mkpath(programFile(QStringLiteral("Skins/Blue, Night")));
    for (const QString& f : midnight.entryList(QDir::Files))
        QFile::copy(midnight.filePath(f), programFile(QStringLiteral("Skins/Blue, Night/")) + f);
    struct Case {
        QString name;
        bool plain;
        QByteArray file;
    } cases[] = {
        {"Blue, Night", true, "Blue, Night\r\n 1 \r\n"},
        {"Maple", false, "Maple\r\n 0 \r\n"},
        {"(No Skin)", true, "(No Skin)\r\n 1 \r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        frmSkinDir& w = Forms::get<frmSkinDir>();
        pick(w, c.name);
        w.Check1->setChecked(c.plain);
        w.Command1_Click();
        EXPECT_EQ(readAll(choiceFile), c.file);
        EXPECT_EQ(SkinName, c.name);
        EXPECT_EQ(SkinFlag, c.plain ? 1 : 0);
        EXPECT_FALSE(Forms::isLoaded<frmSkinDir>());
    }
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(SkinDirTest, OkWithoutAChoiceAsksAndCancelChangesNothing)
{
    // Plain files, hidden folders and the Skins folder's own file are not skins.
    writeAll(programFile(QStringLiteral("Skins/readme.txt")), "x");
    QDir().mkpath(programFile(QStringLiteral("Skins/.cache")));
    frmSkinDir& w = Forms::get<frmSkinDir>();
    EXPECT_EQ(listed(w), (QStringList{"(No Skin)", "Maple", "Midnight"}));

    // Checking the box before any click changes nothing.
    w.Check1->setChecked(false);
    w.Check1->setChecked(true);
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);

    for (int answer : {Mb::OK, Mb::Cancel}) {
        prompt.answers.push_back(answer);
        w.Command1_Click();
        ASSERT_EQ(prompt.messageTexts().size(), 1);
        EXPECT_EQ(prompt.last().text, "Please Click On A Skin in List Above");
        EXPECT_EQ(prompt.last().title, "Select A Skin");
        EXPECT_EQ(Mb::buttonsOf(prompt.last().style), Mb::OKCancel);
        EXPECT_TRUE(Forms::isLoaded<frmSkinDir>());
        prompt.asked.clear();
    }

    // Cancel after previewing a skin: the choice, the file and the variables stay.
    pick(w, QStringLiteral("Midnight"));
    w.Command2->click();
    EXPECT_FALSE(Forms::isLoaded<frmSkinDir>());
    EXPECT_EQ(readAll(choiceFile), QByteArray("Maple\r\n 0 \r\n"));
    EXPECT_EQ(SkinName, "Maple");
    EXPECT_EQ(SkinFlag, 0);

    // A new load starts with no choice.
    EXPECT_EQ(Forms::get<frmSkinDir>().Label1->text(), "");
}

TEST_F(SkinDirTest, ThePreviewShowsTheClickedSkin)
{
    frmSkinDir& w = Forms::get<frmSkinDir>();
    pick(w, QStringLiteral("Midnight"));
    EXPECT_EQ(w.Label1->text(), "Midnight");
    EXPECT_FALSE(w.picView->picture().isNull());
    EXPECT_FALSE(w.SSCommand1->picture().isNull());
    EXPECT_EQ(foreOf(w.Label3), kMidnightFore);
    EXPECT_EQ(numberFromColor(w.SSCommand1->palette().color(QPalette::ButtonText)), kMidnightFore);
    EXPECT_EQ(foreOf(w.Text1), kMidnightFore);
    EXPECT_EQ(baseOf(w.Text1), kMidnightBack);
    ASSERT_EQ(w.ListView1->topLevelItemCount(), 3);
    EXPECT_EQ(w.ListView1->topLevelItem(2)->text(0), "List Item 3 ... etc");
    // "Plain List Background" is checked: no picture, the skin's back colour.
    EXPECT_FALSE(listHasPicture(w));
    EXPECT_EQ(baseOf(w.ListView1), kMidnightBack);

    // Clearing the box brings the skin's picture into the list; the back colour stays.
    w.Check1->setChecked(false);
    EXPECT_TRUE(listHasPicture(w));
    w.Check1->setChecked(true);
    EXPECT_FALSE(listHasPicture(w));

    // "(No Skin)": no background pictures, even with the box cleared; its button picture
    // and colours still come from its folder.
    w.Check1->setChecked(false);
    pick(w, QStringLiteral("(No Skin)"));
    EXPECT_TRUE(w.picView->picture().isNull());
    EXPECT_FALSE(listHasPicture(w));
    EXPECT_FALSE(w.SSCommand1->picture().isNull());
    EXPECT_EQ(foreOf(w.Label3), 0);

    // A skin folder without "skin.ini" keeps the colours read before; the failure is logged.
    pick(w, QStringLiteral("Maple"));
    QFile::remove(programFile(QStringLiteral("Skins/Midnight/skin.ini")));
    pick(w, QStringLiteral("Midnight"));
    EXPECT_EQ(foreOf(w.Label3), kMapleFore);
    EXPECT_EQ(baseOf(w.Text1), kMapleBack);
    EXPECT_FALSE(w.picView->picture().isNull());
    const QByteArray log = readAll(programFile(QStringLiteral("QuilloryError.log")));
    EXPECT_TRUE(log.contains("frmSkinDir")) << log.toStdString();
    EXPECT_TRUE(log.contains("List1_Click"));
    EXPECT_EQ(prompt.asked.size(), 1u); // one error box
}

TEST_F(SkinDirTest, TheSampleButtonFollowsThePixelScale)
{
    const QRect design = [] {
        frmSkinDir& w = Forms::get<frmSkinDir>();
        const QRect r(leftTwips(w.SSCommand1), topTwips(w.SSCommand1), widthTwips(w.SSCommand1),
                      heightTwips(w.SSCommand1));
        EXPECT_NE(w.SSCommand1->font().family(), "Arial Narrow");
        Forms::unload<frmSkinDir>();
        return r;
    }();
    EXPECT_EQ(design, QRect(2250, 150, 1170, 375));

    PixelScale = 1.25;
    frmSkinDir& w = Forms::get<frmSkinDir>();
    EXPECT_EQ(w.SSCommand1->font().family(), "Arial Narrow");
    EXPECT_EQ(leftTwips(w.SSCommand1), qRound(2250 * 1.25));
    EXPECT_EQ(widthTwips(w.SSCommand1), qRound(1170 / 1.25));
    EXPECT_EQ(heightTwips(w.SSCommand1), qRound(375 / 1.25));
}

TEST_F(SkinDirTest, Screenshot)
{
    frmSkinDir& w = Forms::get<frmSkinDir>();
    pick(w, QStringLiteral("Midnight"));
    w.Check1->setChecked(false);
    w.show();
    QCoreApplication::processEvents();
    const QString dir = QStringLiteral(QUILLORY_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("/frmSkinDir.png")));
}

#include "test_frmskindir.moc"
