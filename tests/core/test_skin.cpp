// Skin application: putskin on a window holding one control of every kind it tells apart,
// with each shipped skin, "(No Skin)", plain list backgrounds, other pixel scales, and
// missing or broken skin files; formskins and ScaleLabelFonts.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>

#include "core/globals.h"
#include "core/skin.h"
#include "fixture.h"
#include "platform/controls.h"
#include "platform/forms.h"

namespace {

// A window laid out like the program's: navigation buttons, panels, lists and 3-D buttons.
class SkinTestWindow : public Form {
    Q_OBJECT
public:
    SkinTestWindow() : Form(QStringLiteral("frmSkinTest"))
    {
        setCaption(QStringLiteral("Skin Test"));
        resize(twipsToPx(7200), twipsToPx(4800));
        setTag(this, QStringLiteral("Skin"));
        const char* buttons[] = {"picPlayer", "picEncoder", "picConvert", "picPlayLists", "picBurner", "picExit"};
        int left = 135;
        for (const char* name : buttons) {
            auto* pb = picture(name, left, 3600, 540, 540);
            pb->setBorderStyle(1);
            left += 900;
        }
        picture("picQuillory", 6360, 240, 480, 480);
        panel = picture("Picture1", 4200, 900, 2700, 645);     // taller than 640 twips
        exactly640 = picture("Picture4", 240, 240, 900, 640);  // not taller: keeps its picture
        exactly640->setPicture(designPicture());
        tagged = picture("Picture2", 1300, 240, 600, 300);      // short but tagged
        setTag(tagged, QStringLiteral("SKIN"));

        label = new Label(QStringLiteral("Labels"), this);
        placeTwips(label, 2100, 300, 1500, 255);
        text = new TextBox(this);
        text->setObjectName(QStringLiteral("Text1"));
        text->setText(QStringLiteral("Textboxes"));
        placeTwips(text, 240, 1000, 1800, 315);
        combo = new ComboBox(this);
        combo->addItems({QStringLiteral("Combo"), QStringLiteral("Box")});
        placeTwips(combo, 2200, 1000, 1800, 315);
        list = new ListView(this);
        list->setHeaderLabels({QStringLiteral("Song"), QStringLiteral("Artist")});
        for (int i = 1; i <= 4; ++i)
            new ListItem(list, {QStringLiteral("List Item %1").arg(i), QStringLiteral("Artist %1").arg(i)});
        placeTwips(list, 240, 1500, 3800, 1700);
        big = button("SSCommand1", "Buttons", 4200, 1700, 1170, 375);
        wide800 = button("SSCommand2", "800", 4200, 2200, 800, 375);
        wide700 = button("SSCommand3", "700", 5200, 2200, 700, 375);
        small = button("SSCommand4", "Go", 4200, 2700, 660, 360);
        check = new QCheckBox(QStringLiteral("Check"), this);
        placeTwips(check, 5100, 2700, 1500, 300);
    }

    static QPixmap designPicture()
    {
        QPixmap p(20, 20);
        p.fill(Qt::magenta);
        return p;
    }

    PictureBox* panel;
    PictureBox* exactly640;
    PictureBox* tagged;
    Label* label;
    TextBox* text;
    ComboBox* combo;
    ListView* list;
    SSCommand* big;
    SSCommand* wide800;
    SSCommand* wide700;
    SSCommand* small;
    QCheckBox* check;

private:
    PictureBox* picture(const char* name, int l, int t, int w, int h)
    {
        auto* pb = new PictureBox(this);
        pb->setObjectName(QString::fromLatin1(name));
        placeTwips(pb, l, t, w, h);
        return pb;
    }
    SSCommand* button(const char* name, const char* caption, int l, int t, int w, int h)
    {
        auto* b = new SSCommand(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        placeTwips(b, l, t, w, h);
        return b;
    }
};

class PlainWindow : public Form {
    Q_OBJECT
public:
    PlainWindow() : Form(QStringLiteral("frmPlain"))
    {
        label = new Label(QStringLiteral("plain"), this);
    }
    Label* label;
};

QImage rgb(const QPixmap& p) { return p.toImage().convertToFormat(QImage::Format_RGB32); }
QImage rgbFile(const QString& path) { return QImage(path).convertToFormat(QImage::Format_RGB32); }

// The two colour numbers of a skin.ini.
std::pair<long, long> iniColours(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    const QList<QByteArray> lines = f.readAll().split('\n');
    return {lines.value(0).trimmed().toLong(), lines.value(1).trimmed().toLong()};
}

QColor fore(const QWidget* w) { return w->palette().color(QPalette::WindowText); }
QColor textFore(const QWidget* w) { return w->palette().color(QPalette::Text); }
QColor base(const QWidget* w) { return w->palette().color(QPalette::Base); }

} // namespace

class SkinTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        copyShipped(QStringLiteral("Skins"));
    }
    QString skinFile(const QString& skin, const QString& file) const
    {
        return programDir() + QStringLiteral("Skins/") + skin + '/' + file;
    }
    void expectNoComplaint()
    {
        EXPECT_TRUE(prompt.asked.empty()) << "a box was shown";
        EXPECT_FALSE(QFile::exists(programFile(QStringLiteral("QuilloryError.log"))));
    }
    static void screenshot(QWidget* w, const QString& name)
    {
        const QString dir = QStringLiteral(QUILLORY_PROGRAM_DIR "/../screenshots");
        QDir().mkpath(dir);
        w->grab().save(dir + '/' + name + QStringLiteral(".png"));
    }
};

TEST_F(SkinTest, EachShippedSkinDressesEveryKindOfControl)
{
    for (const QString& skin : {QStringLiteral("Midnight"), QStringLiteral("Maple"), QStringLiteral("(No Skin)")}) {
        SCOPED_TRACE(skin.toStdString());
        Forms::reset();
        auto& w = Forms::get<SkinTestWindow>();
        const QColor designLabel = fore(w.label);
        SkinName = skin;
        SkinFlag = 0;
        Refreshing = 0;
        putskin(&w);

        const bool plain = skin == QStringLiteral("(No Skin)");
        const auto [foreNo, backNo] = iniColours(skinFile(skin, QStringLiteral("skin.ini")));
        const QColor f = colorFromNumber(foreNo), b = colorFromNumber(backNo);
        EXPECT_EQ(SkinForeColor.toLongLong(), foreNo);
        EXPECT_EQ(SkinBackColor.toLongLong(), backNo);
        EXPECT_EQ(Refreshing, 0);
        if (!plain) {
            EXPECT_NE(designLabel, f) << "the skin must visibly recolour labels";
        }

        // Navigation buttons by name, for every skin.
        const std::pair<const char*, const char*> named[] = {
            {"picPlayer", "player.bmp"},   {"picEncoder", "encoder.bmp"}, {"picConvert", "convert.bmp"},
            {"picPlayLists", "playlist.bmp"}, {"picBurner", "Burner.bmp"},  {"picExit", "exit.bmp"},
            {"picQuillory", "quillory.bmp"}};
        for (const auto& [control, file] : named) {
            auto* pb = w.findChild<PictureBox*>(QString::fromLatin1(control));
            ASSERT_TRUE(pb);
            EXPECT_EQ(rgb(pb->picture()), rgbFile(skinFile(skin, QString::fromLatin1(file)))) << control;
        }

        // Pictures that "(No Skin)" clears.
        if (plain) {
            EXPECT_TRUE(formPicture(&w).isNull());
            EXPECT_TRUE(w.panel->picture().isNull());
            EXPECT_TRUE(w.tagged->picture().isNull());
            EXPECT_TRUE(w.list->backgroundPicture().isNull());
        } else {
            EXPECT_EQ(rgb(formPicture(&w)), rgbFile(skinFile(skin, QStringLiteral("background.bmp"))));
            EXPECT_EQ(rgb(w.panel->picture()), rgbFile(skinFile(skin, QStringLiteral("smallback.bmp"))));
            EXPECT_EQ(rgb(w.tagged->picture()), rgbFile(skinFile(skin, QStringLiteral("smallback.bmp"))));
            EXPECT_EQ(rgb(w.list->backgroundPicture()), rgbFile(skinFile(skin, QStringLiteral("background.bmp"))));
        }
        EXPECT_EQ(rgb(w.exactly640->picture()), rgb(SkinTestWindow::designPicture()));

        // Colours.
        EXPECT_EQ(fore(w.label), f);
        EXPECT_EQ(textFore(w.text), f);
        EXPECT_EQ(base(w.text), b);
        EXPECT_EQ(textFore(w.combo), f);
        EXPECT_EQ(base(w.combo), b);
        EXPECT_EQ(textFore(w.list), f);
        EXPECT_EQ(base(w.list), b);
        if (plain) {
            EXPECT_EQ(base(w.list->viewport()), b) << "a list without picture shows its back colour";
        }

        // 3-D buttons: large and small faces, 700 and 800 twips untouched, sizes kept at scale 1.0.
        EXPECT_EQ(rgb(w.big->picture()), rgbFile(skinFile(skin, QStringLiteral("ssbutton.bmp"))));
        EXPECT_EQ(w.big->palette().color(QPalette::ButtonText), f);
        EXPECT_EQ(rgb(w.small->picture()), rgbFile(skinFile(skin, QStringLiteral("ssmallbutton.bmp"))));
        EXPECT_EQ(w.small->palette().color(QPalette::ButtonText), f);
        EXPECT_TRUE(w.wide800->picture().isNull());
        EXPECT_TRUE(w.wide700->picture().isNull());
        EXPECT_EQ(widthTwips(w.big), 1170);
        EXPECT_EQ(heightTwips(w.big), 375);
        EXPECT_EQ(leftTwips(w.small), 4200);
        EXPECT_EQ(widthTwips(w.wide700), 700);
        EXPECT_EQ(widthTwips(w.wide800), 800);
        if (!plain) {
            EXPECT_NE(w.check->palette().color(QPalette::WindowText), f) << "other controls are left alone";
        }
        expectNoComplaint();

        w.show();
        screenshot(&w, QStringLiteral("skin-test-") + QString(skin).remove('(').remove(')').remove(' '));
        w.hide();
    }
}

TEST_F(SkinTest, NoSkinInAnyCaseClearsPicturesButKeepsButtonsAndColours)
{
    auto& w = Forms::get<SkinTestWindow>();
    SkinName = QStringLiteral("Midnight");
    putskin(&w);
    ASSERT_FALSE(formPicture(&w).isNull());

    // The skin folder itself is found ignoring case as well.
    SkinName = QStringLiteral("(nO sKiN)");
    putskin(&w);
    EXPECT_TRUE(formPicture(&w).isNull());
    EXPECT_TRUE(w.panel->picture().isNull());
    EXPECT_TRUE(w.tagged->picture().isNull());
    EXPECT_TRUE(w.list->backgroundPicture().isNull());
    const QString noSkin = programDir() + QStringLiteral("Skins/(No Skin)/");
    EXPECT_EQ(rgb(w.big->picture()), rgbFile(noSkin + QStringLiteral("ssbutton.bmp")));
    EXPECT_EQ(rgb(w.findChild<PictureBox*>(QStringLiteral("picExit"))->picture()),
              rgbFile(noSkin + QStringLiteral("exit.bmp")));
    EXPECT_EQ(fore(w.label), colorFromNumber(iniColours(noSkin + QStringLiteral("skin.ini")).first));
}

TEST_F(SkinTest, PlainListBackgroundKeepsListColoursOnly)
{
    auto& w = Forms::get<SkinTestWindow>();
    SkinName = QStringLiteral("Maple");
    putskin(&w);
    ASSERT_FALSE(w.list->backgroundPicture().isNull());
    SkinFlag = 1;
    putskin(&w);
    const auto [f, b] = iniColours(programDir() + QStringLiteral("Skins/Maple/skin.ini"));
    EXPECT_TRUE(w.list->backgroundPicture().isNull());
    EXPECT_EQ(textFore(w.list), colorFromNumber(f));
    EXPECT_EQ(base(w.list->viewport()), colorFromNumber(b));
    EXPECT_FALSE(formPicture(&w).isNull());
    EXPECT_FALSE(w.panel->picture().isNull());
}

TEST_F(SkinTest, PixelScaleResizesLargeAndSmallButtons)
{
    struct Case {
        double scale;
        QRect big;   // left, top, width, height in twips after putskin
        QRect small;
        bool bigBecomesSmall;
    };
    const Case cases[] = {
        {1.25, QRect(4200, 1700, 936, 300), QRect(45, 2700, 528, 288), false},
        {0.8, QRect(4200, 1700, 1463, 469), QRect(45, 2700, 825, 450), false},
        // Above 1170 / 700 a large button shrinks below 700 twips and is then a small one.
        {2.0, QRect(45, 1700, 330, 180), QRect(45, 2700, 330, 180), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scale);
        Forms::reset();
        auto& w = Forms::get<SkinTestWindow>();
        SkinName = QStringLiteral("Midnight");
        PixelScale = c.scale;
        putskin(&w);
        auto twips = [](const QWidget* b) { return QRect(leftTwips(b), topTwips(b), widthTwips(b), heightTwips(b)); };
        EXPECT_EQ(twips(w.big), c.big);
        EXPECT_EQ(twips(w.small), c.small);
        EXPECT_EQ(w.big->font().family(), QStringLiteral("Arial Narrow"));
        EXPECT_EQ(w.small->font().family(), QStringLiteral("Arial Narrow"));
        const QString face = c.bigBecomesSmall ? QStringLiteral("ssmallbutton.bmp") : QStringLiteral("ssbutton.bmp");
        EXPECT_EQ(rgb(w.big->picture()), rgbFile(programDir() + QStringLiteral("Skins/Midnight/") + face));
        // 700 and 800 twips wide: no size, font or picture change.
        EXPECT_EQ(twips(w.wide700), QRect(5200, 2200, 700, 375));
        EXPECT_EQ(twips(w.wide800), QRect(4200, 2200, 800, 375));
        EXPECT_NE(w.wide700->font().family(), QStringLiteral("Arial Narrow"));
        EXPECT_TRUE(w.wide800->picture().isNull());
    }
}

TEST_F(SkinTest, MissingSkinFolderLeavesTheWindowAsDesignedWithoutABox)
{
    auto& w = Forms::get<SkinTestWindow>();
    const QColor labelColour = fore(w.label);
    const QColor textBack = base(w.text);
    SkinName = QStringLiteral("Nowhere");
    putskin(&w);
    EXPECT_EQ(Refreshing, 0);
    EXPECT_TRUE(formPicture(&w).isNull());
    EXPECT_TRUE(w.findChild<PictureBox*>(QStringLiteral("picPlayer"))->picture().isNull());
    EXPECT_TRUE(w.big->picture().isNull());
    EXPECT_EQ(fore(w.label), labelColour);
    EXPECT_EQ(base(w.text), textBack);
    EXPECT_EQ(rgb(w.exactly640->picture()), rgb(SkinTestWindow::designPicture()));
    expectNoComplaint();

    // The whole Skins folder missing: the same.
    QDir(programDir() + QStringLiteral("Skins")).removeRecursively();
    SkinName = QStringLiteral("Midnight");
    putskin(&w);
    EXPECT_TRUE(formPicture(&w).isNull());
    EXPECT_EQ(fore(w.label), labelColour);
    expectNoComplaint();
}

TEST_F(SkinTest, BrokenOrMissingSkinIniKeepsTheColoursItHad)
{
    const QString skins = programDir() + QStringLiteral("Skins/");
    // A skin whose colour file is garbage: its bitmaps apply, the colours stay as they were.
    QDir().mkpath(skins + QStringLiteral("Broken"));
    for (const QString& f : QDir(skins + QStringLiteral("Maple")).entryList(QDir::Files))
        QFile::copy(skins + QStringLiteral("Maple/") + f, skins + QStringLiteral("Broken/") + f);
    QFile::remove(skins + QStringLiteral("Broken/skin.ini"));
    writeAll(skins + QStringLiteral("Broken/skin.ini"), "not a colour,\"\r\n\xff\xfe\r\n");

    auto& w = Forms::get<SkinTestWindow>();
    const QColor labelColour = fore(w.label);
    const QColor textBack = base(w.text);
    SkinName = QStringLiteral("Broken");
    putskin(&w);
    EXPECT_FALSE(SkinForeColor.isValid());
    EXPECT_EQ(fore(w.label), labelColour) << "no colour read yet: controls keep their design colours";
    EXPECT_EQ(base(w.text), textBack);
    EXPECT_FALSE(formPicture(&w).isNull());
    EXPECT_EQ(Refreshing, 0);

    // After a good skin, a skin without "skin.ini" keeps that skin's colours.
    SkinName = QStringLiteral("Midnight");
    putskin(&w);
    const QColor midnightFore = fore(w.label);
    QFile::remove(skins + QStringLiteral("Broken/skin.ini"));
    SkinName = QStringLiteral("Broken");
    putskin(&w);
    EXPECT_EQ(fore(w.label), midnightFore);
    EXPECT_EQ(rgb(formPicture(&w)), rgbFile(skins + QStringLiteral("Maple/background.bmp")));
    expectNoComplaint();
}

TEST_F(SkinTest, SkinFilesAreFoundIgnoringLetterCase)
{
    // A hand-made skin in a "skins" folder with names in other letter cases.
    QDir(programDir() + QStringLiteral("Skins")).removeRecursively();
    const QString dir = programDir() + QStringLiteral("skins/Shouting/");
    QDir().mkpath(dir);
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(QColor(10, 200, 30));
    img.save(dir + QStringLiteral("PLAYER.BMP"), "BMP");
    img.save(dir + QStringLiteral("Background.Bmp"), "BMP");
    writeAll(dir + QStringLiteral("SKIN.INI"), " 255 , 65280\r\n");

    auto& w = Forms::get<SkinTestWindow>();
    SkinName = QStringLiteral("shouting");
    putskin(&w);
    EXPECT_EQ(rgb(w.findChild<PictureBox*>(QStringLiteral("picPlayer"))->picture()), img);
    EXPECT_EQ(rgb(formPicture(&w)), img);
    EXPECT_EQ(fore(w.label), QColor(255, 0, 0));
    EXPECT_EQ(base(w.text), QColor(0, 255, 0));
}

TEST_F(SkinTest, FormskinsDressesOnlyWindowsTaggedSkin)
{
    SkinName = QStringLiteral("Maple");
    // No window tagged "Skin": nothing happens.
    auto& plain = Forms::get<PlainWindow>();
    const QColor plainColour = fore(plain.label);
    formskins();
    EXPECT_FALSE(SkinForeColor.isValid());

    auto& tagged = Forms::get<SkinTestWindow>();
    setTag(&tagged, QStringLiteral("sKIN"));
    tagged.hide(); // hidden windows are dressed too
    formskins();
    EXPECT_FALSE(formPicture(&tagged).isNull());
    EXPECT_EQ(fore(tagged.label), colorFromNumber(SkinForeColor.toLongLong()));
    EXPECT_EQ(fore(plain.label), plainColour);
    EXPECT_TRUE(formPicture(&plain).isNull());
    expectNoComplaint();
}

TEST_F(SkinTest, ScaleLabelFontsDividesLabelSizesByPixelScale)
{
    auto& w = Forms::get<SkinTestWindow>();
    QFont f = w.label->font();
    f.setPointSizeF(10);
    w.label->setFont(f);
    const double buttonSize = w.big->font().pointSizeF();

    ScaleLabelFonts(&w);
    EXPECT_DOUBLE_EQ(w.label->font().pointSizeF(), 10);

    PixelScale = 1.25;
    ScaleLabelFonts(&w);
    EXPECT_DOUBLE_EQ(w.label->font().pointSizeF(), 8);
    EXPECT_DOUBLE_EQ(w.big->font().pointSizeF(), buttonSize);
}

#include "test_skin.moc"
