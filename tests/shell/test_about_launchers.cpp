// The About box and the move-status window, and the About, Help, Manual and web-site launchers.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <functional>

#include "platform/errors.h"
#include "core/globals.h"
#include "core/launchers.h"
#include "core/skin.h"
#include "fixture.h"
#include "platform/forms.h"
#include "controls/uisound.h"
#include "shell/frmabout.h"
#include "shell/frmmovestatus.h"

namespace {

// Notes whether the About box was already visible when the sound started.
class WatchingSound : public RecordingUiSound {
public:
    std::vector<bool> aboutVisible;
    bool play(const QString& path, int flags) override
    {
        frmAbout* a = Forms::find<frmAbout>();
        aboutVisible.push_back(a && a->isVisible());
        return RecordingUiSound::play(path, flags);
    }
};

QPoint centredPos(const QWidget* w)
{
    const QRect s = QGuiApplication::primaryScreen()->geometry();
    return QPoint(s.x() + qRound((s.width() - w->width()) / 2.0), s.y() + qRound((s.height() - w->height()) / 2.0));
}

QString screenshotDir()
{
    const QString dir = QStringLiteral(QUILLORY_PROGRAM_DIR "/../screenshots");
    QDir().mkpath(dir);
    return dir + '/';
}

} // namespace

class AboutTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        setUiSound(&sound);
        copyShipped(QStringLiteral("Skins"));
    }
    void TearDown() override
    {
        AppFixture::TearDown();
        setUiSound(nullptr);
    }
    WatchingSound sound;
};

TEST_F(AboutTest, AboutShowsTheBoxCentredAndTopmostThenPlaysItsSound)
{
    // "quillory.wav" is not in the test program folder: the box shows all the same.
    about();
    frmAbout* a = Forms::find<frmAbout>();
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->isVisible());
    EXPECT_TRUE(a->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(a->pos(), centredPos(a));
    ASSERT_EQ(sound.played.size(), 1u);
    EXPECT_EQ(sound.played[0].path, programFile(QStringLiteral("quillory.wav")));
    EXPECT_EQ(sound.played[0].flags, 3);
    EXPECT_TRUE(sound.aboutVisible[0]) << "the window shows before the sound starts";

    EXPECT_EQ(a->Caption(), QStringLiteral("About Quillory"));
    EXPECT_EQ(a->Label1->text(), QStringLiteral("Quillory"));
    EXPECT_EQ(a->Label1->font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_DOUBLE_EQ(a->Label1->font().pointSizeF(), 9.75);
    EXPECT_TRUE(a->Label1->font().bold());
    EXPECT_EQ(a->Label3->text(), QStringLiteral("Version 1.60"));
    EXPECT_EQ(a->Command1->text(), QStringLiteral("OK"));
    for (const Label* credit : {a->Label2, a->Label4, a->Label5, a->Label6, a->Label7, a->Label8, a->Label9, a->Label10})
        EXPECT_FALSE(credit->text().isEmpty()) << credit->objectName().toStdString();
    EXPECT_TRUE(a->Label9->text().contains(QStringLiteral(".example")));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(AboutTest, OkHidesTheBoxAndTheNextAboutShowsItWhereItWasLeft)
{
    about();
    frmAbout* a = Forms::find<frmAbout>();
    ASSERT_TRUE(a);
    a->move(a->pos() + QPoint(37, -21));
    const QPoint left = a->pos();
    a->Command1->click();
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(Forms::find<frmAbout>(), a) << "the box stays loaded";

    about();
    EXPECT_EQ(Forms::find<frmAbout>(), a);
    EXPECT_TRUE(a->isVisible());
    EXPECT_EQ(a->pos(), left) << "not centred again";
    EXPECT_TRUE(a->windowFlags() & Qt::WindowStaysOnTopHint);

    // The close box hides it the same way.
    a->close();
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(Forms::find<frmAbout>(), a);
}

TEST_F(AboutTest, HelpAndManualOpenTheShippedDocuments)
{
    Help();
    manual();
    ASSERT_EQ(desktop.opened.size(), 2u);
    EXPECT_EQ(desktop.opened[0], QUrl::fromLocalFile(programFile(QStringLiteral("Quillory.html"))));
    EXPECT_EQ(desktop.opened[1], QUrl::fromLocalFile(programFile(QStringLiteral("Quillory Manual.html"))));
    // The documents ship in the ready program folder.
    for (const char* doc : {"Quillory.html", "Quillory Manual.html"})
        EXPECT_TRUE(QFile::exists(QStringLiteral(QUILLORY_PROGRAM_DIR "/") + QString::fromLatin1(doc))) << doc;

    EXPECT_TRUE(prompt.asked.empty());
}

// With no program to open a page (no browser installed), every opener says so, naming the page.
TEST_F(AboutTest, APageNoProgramCouldOpenIsReported)
{
    desktop.result = false;
    const struct {
        const char* what;
        std::function<void()> open;
        QString page;
    } cases[] = {
        {"help", [] { Help(); }, programFile(QStringLiteral("Quillory.html"))},
        {"manual", [] { manual(); }, programFile(QStringLiteral("Quillory Manual.html"))},
        {"web site", [this] {
             prompt.answers = {Mb::Yes};
             GoToWebsite();
         }, kMakerWebPage},
        {"music site", [] { OpenMusicSite(FreeMp3Sites()[0]); }, FreeMp3Sites()[0].address},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prompt.asked.clear();
        c.open();
        ASSERT_FALSE(prompt.asked.empty());
        const PromptRecord& box = prompt.last();
        EXPECT_EQ(box.text, QStringLiteral("No Program Could Open The Page\r") + c.page +
                                QStringLiteral("\r\rPlease Install A Web Browser To Read It."));
        EXPECT_EQ(box.style, Mb::OKOnly | Mb::Exclamation);
    }
}

TEST_F(AboutTest, GoToWebsiteAsksFirstAndOpensTheMakersPageOnlyOnYes)
{
    prompt.answers = {Mb::No, Mb::Yes};
    GoToWebsite();
    EXPECT_TRUE(desktop.opened.empty());
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].text, QStringLiteral("This Will Take You To Quillory's Web Site,\r"
                                                   "Where You Can Order Quillory, Get The\r"
                                                   "Latest Version, Download Free MP3 Songs And New Skins,\r"
                                                   "And Get The Latest News On Our Products, Upgrades, etc.\r"
                                                   "\r"
                                                   "Do You Wish To Go To Quillory's Web Site Now?"));
    EXPECT_EQ(prompt.asked[0].style, Mb::YesNo | Mb::Information);
    EXPECT_EQ(prompt.asked[0].title, QStringLiteral("Quillory"));

    GoToWebsite();
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0], QUrl(kMakerWebPage));
    EXPECT_TRUE(desktop.opened[0].host().endsWith(QStringLiteral(".example")));
}

TEST_F(AboutTest, MusicSitesAreRealSecurePages)
{
    std::vector<MusicSite> all(FreeMp3Sites().begin(), FreeMp3Sites().end());
    all.insert(all.end(), FindMp3Sites().begin(), FindMp3Sites().end());
    for (const MusicSite& s : all) {
        const QUrl url(s.address);
        EXPECT_EQ(url.scheme(), QStringLiteral("https")) << s.address.toStdString();
        EXPECT_FALSE(url.host().endsWith(QStringLiteral(".example")));
        EXPECT_FALSE(s.caption.isEmpty());
        OpenMusicSite(s);
    }
    ASSERT_EQ(desktop.opened.size(), all.size());
    EXPECT_EQ(desktop.opened.back(), QUrl(all.back().address));
}

TEST_F(AboutTest, MoveStatusShowsExactlyTheTextItsUserWrites)
{
    auto& m = Forms::get<frmMoveStatus>();
    m.Show();
    EXPECT_EQ(m.Caption(), QStringLiteral("Moving MP3 Files..."));
    EXPECT_TRUE(m.Label1->text().isEmpty());
    EXPECT_TRUE(m.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(m.pos(), centredPos(&m));
    EXPECT_EQ(m.size(), QSize(4665 / 15, 210 / 15));
    EXPECT_EQ(m.Label1->palette().color(QPalette::Window), QColor(255, 255, 128));

    const QString text = QStringLiteral("Moving MP3 Files to ") + homeDir() + QStringLiteral("My Music Folder. Please Wait...");
    const int centre = m.x() + m.width() / 2;
    m.Label1->setText(text);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m.Label1->text(), text);
    // The whole text shows: a long one widens the window around its centre.
    EXPECT_GE(m.Label1->width(), m.Label1->fontMetrics().horizontalAdvance(text));
    EXPECT_LE(m.Label1->width() - m.width(), 3);
    EXPECT_LE(std::abs(m.x() + m.width() / 2 - centre), 1);
    m.grab().save(screenshotDir() + QStringLiteral("movestatus.png"));

    // Each move loads it anew and centres it again.
    m.move(m.pos() + QPoint(50, 50));
    Forms::unload(&m);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto& again = Forms::get<frmMoveStatus>();
    EXPECT_EQ(again.pos(), centredPos(&again));
}

TEST_F(AboutTest, AboutBoxKeepsItsOwnLookWhateverTheSkin)
{
    const QColor plainText = QLabel().palette().color(QPalette::WindowText);
    for (const QString& skin : {QStringLiteral("Midnight"), QStringLiteral("Maple"), QStringLiteral("(No Skin)")}) {
        SCOPED_TRACE(skin.toStdString());
        Forms::reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SkinName = skin;
        about();
        frmAbout* a = Forms::find<frmAbout>();
        ASSERT_TRUE(a);
        EXPECT_TRUE(formPicture(a).isNull());
        EXPECT_EQ(a->Label1->palette().color(QPalette::WindowText), plainText);
        EXPECT_FALSE(a->Picture1->picture().isNull()) << "the artwork stays";
        const QString name = QString(skin).remove('(').remove(')').remove(' ');
        EXPECT_TRUE(a->grab().save(screenshotDir() + QStringLiteral("about-") + name + QStringLiteral(".png")));
    }

    // A change of skin passes the loaded About box by.
    SkinName = QStringLiteral("Maple");
    formskins();
    EXPECT_TRUE(formPicture(Forms::find<frmAbout>()).isNull());
    EXPECT_TRUE(prompt.asked.empty());
}
