// The burner window: its settings, the music folder's file list, the burn list, sorting,
// search and the window's navigation.
#include <QFileInfo>

#include <QAction>
#include <QMenu>

#include "burnerfixture.h"
#include "shell/windowchrome.h"
#include "convert/frmconvertchoice.h"
#include "shell/frmmain.h"
#include "platform/atomicfile.h"

#include <cerrno>

namespace {
const QString kFormat = QStringLiteral("This WAV File Is Not A Standard PCM 44,100 Hz, 16 Bit, Stereo File So It Can Not Be Burned");
}

TEST_F(BurnerFixture, WithoutBurnerIniTestModeAndTwoTimesAreChosenAndNoFileIsMade)
{
    frmBurner& b = load();
    EXPECT_EQ(b.Caption(), QStringLiteral("Burn MP3 Or WAV Files To An Audio CD"));
    EXPECT_TRUE(b.Check1->isChecked());
    EXPECT_EQ(b.Combo1->currentText(), QStringLiteral("2X"));
    EXPECT_FALSE(b.Check2->isEnabled());
    EXPECT_FALSE(b.Label17->isEnabled());
    EXPECT_EQ(b.Combo2->count(), 1);
    EXPECT_TRUE(b.sscmdBurn->isEnabled());
    EXPECT_EQ(b.Label28->text(), QStringLiteral("(Current Music Folder=") + music.chopped(1) + QStringLiteral(")"));
    unload();
    EXPECT_FALSE(QFileInfo::exists(programFile(QStringLiteral("Burner.ini"))));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(BurnerFixture, BurnerIniIsReadAtLoadAndRewrittenWithTheChoicesAtUnload)
{
    writeAll(programFile(QStringLiteral("Burner.ini")), "0\r\n5\r\n");
    frmBurner& b = load();
    EXPECT_FALSE(b.Check1->isChecked());
    EXPECT_EQ(b.Combo1->currentText(), QStringLiteral("10X"));
    EXPECT_TRUE(b.Check2->isEnabled());
    EXPECT_TRUE(b.Label17->isEnabled());
    b.Check1->click();
    EXPECT_FALSE(b.Check2->isEnabled());
    EXPECT_TRUE(b.ACDWRITE1->TestMode());
    b.Combo1->setCurrentIndex(3);
    unload();
    EXPECT_EQ(readAll(programFile(QStringLiteral("Burner.ini"))), QByteArray("1\r\n3\r\n"));
}

TEST_F(BurnerFixture, ADiskFullAtUnloadIsReportedAndKeepsTheOldBurnerIni)
{
    writeAll(programFile(QStringLiteral("Burner.ini")), "0\r\n5\r\n");
    frmBurner& b = load();
    b.Combo1->setCurrentIndex(3);
    AtomicFile::Calls full;
    full.write = [](int, const char*, long) {
        errno = ENOSPC;
        return -1L;
    };
    AtomicFile::setCalls(full);
    unload();
    EXPECT_EQ(errorBoxes(), 1);
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("Disk full")));
    EXPECT_EQ(readAll(programFile(QStringLiteral("Burner.ini"))), QByteArray("0\r\n5\r\n"));
    EXPECT_FALSE(QFileInfo::exists(programFile(QStringLiteral("Burner.ini.tmp"))));
}

TEST_F(BurnerFixture, ABadBurnerIniValueIsReportedAndLeavesItsControl)
{
    struct Case {
        QByteArray file;
        bool check;
        int speed;
    };
    for (const Case& c : {Case{"1\r\n", true, 0}, Case{"0\r\nfast\r\n", false, 0}, Case{"0\r\n9\r\n", false, 0}}) {
        SCOPED_TRACE(c.file.toStdString());
        prompt.asked.clear();
        writeAll(programFile(QStringLiteral("Burner.ini")), c.file);
        frmBurner& b = load();
        EXPECT_EQ(b.Check1->isChecked(), c.check);
        EXPECT_EQ(b.Combo1->currentIndex(), c.speed);
        EXPECT_EQ(errorBoxes(), 1);
        Forms::reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(BurnerFixture, FileListShowsWavFilesThenMp3FilesWithLengthAndBurnSize)
{
    writeAll(music + QStringLiteral("ten.wav"), QByteArray(1764000, '\0'));
    writeAll(music + QStringLiteral("empty.wav"), QByteArray());
    writeAll(music + QStringLiteral("broken.mp3"), QByteArray(5000, 'x'));
    writeAll(music + QStringLiteral("notes.txt"), "x");
    mp3(QStringLiteral("Song.MP3"), 1.0);
    mp3(QStringLiteral("a tagged.mp3"), 2.0, {QStringLiteral("--ta"), QStringLiteral("Tag Artist"),
                                              QStringLiteral("--tl"), QStringLiteral("Tag Album")});
    mp3(QStringLiteral("b plain.mp3"), 2.0);
    SongLibrary->Add(QStringLiteral("song"), QStringLiteral("Cat Artist"), QStringLiteral("3:00"),
                     QStringLiteral("Cat Album"), QStringLiteral("Rock"), {}, {});
    frmBurner& b = load();
    EXPECT_EQ(column(b.ListView1, 0), (QStringList{QStringLiteral("empty.wav"), QStringLiteral("ten.wav"),
                                                   QStringLiteral("a tagged.mp3"), QStringLiteral("b plain.mp3"),
                                                   QStringLiteral("song.mp3")}));
    auto cols = [&](const QString& text) {
        QStringList out;
        ListItem* r = row(b.ListView1, text);
        for (int c = 1; c < 5; ++c)
            out << (r ? r->text(c) : QStringLiteral("?"));
        return out;
    };
    EXPECT_EQ(cols(QStringLiteral("ten.wav")), (QStringList{{}, QStringLiteral("0:10"), {}, QStringLiteral("1.7 MB")}));
    EXPECT_EQ(cols(QStringLiteral("empty.wav")), (QStringList{{}, {}, {}, QStringLiteral(".0 MB")}));
    // A catalogue song takes the catalogue's data and its size rule (180 s: 30.2 MB).
    EXPECT_EQ(cols(QStringLiteral("song.mp3")), (QStringList{QStringLiteral("Cat Artist"), QStringLiteral("3:00"),
                                                             QStringLiteral("Cat Album"), QStringLiteral("30.2 MB")}));
    // Files outside it are read: 2 s at 0.176 MB a second.
    EXPECT_EQ(cols(QStringLiteral("a tagged.mp3")), (QStringList{QStringLiteral("Tag Artist"), QStringLiteral("0:02"),
                                                                 QStringLiteral("Tag Album"), QStringLiteral(".4 MB")}));
    EXPECT_EQ(cols(QStringLiteral("b plain.mp3")), (QStringList{{}, QStringLiteral("0:02"), {}, QStringLiteral(".4 MB")}));
    EXPECT_TRUE(b.ListView1->selectedItems().isEmpty());
    EXPECT_EQ(errorBoxes(), 0);
}

TEST_F(BurnerFixture, BurnListAddsRemovesAndRefusesWhatCannotBeBurned)
{
    wav(QStringLiteral("good.wav"), 1.0);
    testaudio::writeWav(music + QStringLiteral("low.wav"), 22050, 2, 1.0);
    testaudio::writeWav(music + QStringLiteral("mono.wav"), 44100, 1, 1.0);
    testaudio::writeWav(music + QStringLiteral("eight.wav"), 44100, 2, 1.0, 8);
    mp3(QStringLiteral("Twin.mp3"), 1.0);
    wav(QStringLiteral("twin.WAV"), 0.5);
    mp3(QStringLiteral("solo.mp3"), 1.0);
    frmBurner& b = load();

    add(b, QStringLiteral("Twin.mp3"));
    EXPECT_EQ(prompt.last().text, QStringLiteral("You Already Have a WAV file named \"Twin.wav\" in your current Music "
                                                 "Folder. Select the WAV file instead of the MP3 file."));
    for (const QString& bad : {QStringLiteral("low.wav"), QStringLiteral("mono.wav"), QStringLiteral("eight.wav")}) {
        prompt.asked.clear();
        add(b, bad);
        ASSERT_EQ(prompt.asked.size(), 1u) << bad.toStdString();
        EXPECT_EQ(prompt.last().text, kFormat);
        EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    }
    EXPECT_EQ(b.ListView2->topLevelItemCount(), 0);
    EXPECT_EQ(b.Label3->text(), QStringLiteral("Total Burn File Size"));

    prompt.asked.clear();
    add(b, QStringLiteral("good.wav"));
    add(b, QStringLiteral("good.wav"));
    add(b, QStringLiteral("solo.mp3"));
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(column(b.ListView2, 0),
              (QStringList{QStringLiteral("good.wav"), QStringLiteral("good.wav"), QStringLiteral("solo.mp3")}));
    EXPECT_EQ(b.Label3->text(), QStringLiteral("Total Burn File Size .6 MB")); // .2 + .2 + .2 (the rows' texts)
    // Only files on disk count; the MP3's temporary WAV does not exist yet.
    QFile f(music + QStringLiteral("good.wav"));
    ASSERT_TRUE(f.resize(1572863 / 2));
    EXPECT_EQ(b.GetTotalWAVSize(), 1.0);
    ASSERT_TRUE(f.resize(1572863));
    EXPECT_EQ(b.GetTotalWAVSize(), 2.0); // 3,145,726 bytes: whole megabytes, rounded down

    for (int i = 0; i < 3; ++i) {
        b.ListView2->setCurrentItem(b.ListView2->topLevelItem(0));
        b.ListView2_DblClick();
    }
    EXPECT_EQ(b.ListView2->topLevelItemCount(), 0);
    EXPECT_EQ(b.Label3->text(), QStringLiteral("Total Burn File Size .0 MB"));
    b.ListView2_DblClick(); // an empty list does nothing
    EXPECT_EQ(errorBoxes(), 0);
}

TEST_F(BurnerFixture, ColumnHeadingsSortByTextEachColumnWithItsOwnDirection)
{
    frmBurner& b = load();
    const QStringList sizes = {QStringLiteral("9.0 MB"), QStringLiteral(".5 MB"), QStringLiteral("10.5 MB")};
    const QStringList artists = {QStringLiteral("b"), QStringLiteral("C"), QStringLiteral("a")};
    for (int i = 0; i < 3; ++i) {
        auto* r = new ListItem(b.ListView1);
        r->setText(0, QStringLiteral("f%1.wav").arg(i));
        r->setText(1, artists[i]);
        r->setText(2, QStringLiteral("%1:00").arg(i));
        r->setText(4, sizes[i]);
    }
    b.lblArtist->clicked();
    EXPECT_EQ(column(b.ListView1, 1), (QStringList{"C", "b", "a"}));
    b.lblArtist->clicked();
    EXPECT_EQ(column(b.ListView1, 1), (QStringList{"a", "b", "C"}));
    b.lblLength->clicked();
    EXPECT_EQ(column(b.ListView1, 2), (QStringList{"2:00", "1:00", "0:00"}));
    b.lblArtist->clicked();
    EXPECT_EQ(column(b.ListView1, 1), (QStringList{"C", "b", "a"}));
    b.lblCategory->clicked();
    b.lblCategory->clicked();
    EXPECT_EQ(column(b.ListView1, 4), (QStringList{".5 MB", "10.5 MB", "9.0 MB"}));

    // The directions belong to the window object: they survive closing and opening it.
    unload();
    frmBurner& again = load();
    for (int i = 0; i < 2; ++i) {
        auto* r = new ListItem(again.ListView1);
        r->setText(1, artists[i]);
    }
    again.lblArtist->clicked();
    EXPECT_EQ(column(again.ListView1, 1), (QStringList{"b", "C"}));
    // Texts equal but for letter case keep their places in the list, in either direction.
    (new ListItem(again.ListView1))->setText(1, QStringLiteral("c"));
    again.lblArtist->clicked();
    EXPECT_EQ(column(again.ListView1, 1), (QStringList{"C", "c", "b"}));
    again.lblArtist->clicked();
    EXPECT_EQ(column(again.ListView1, 1), (QStringList{"b", "C", "c"}));
}

TEST_F(BurnerFixture, SearchOffersEachMatchAndEndsWithNotFound)
{
    for (int i = 1; i <= 10; ++i)
        writeAll(music + QStringLiteral("track%1.wav").arg(i, 2, 10, QLatin1Char('0')), QByteArray(100, '\0'));
    frmBurner& b = load();
    b.ListView1->topLevelItem(9)->setText(3, QStringLiteral("The ABC Album"));
    b.text1->setText(QStringLiteral("abc"));
    prompt.answers = {Mb::Yes};
    b.SSSearch_Click();
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[0].text, QStringLiteral("\"abc\" found. Search for Next Match?"));
    EXPECT_EQ(prompt.asked[0].style, Mb::YesNo);
    EXPECT_EQ(prompt.asked[1].text, QStringLiteral("\"abc\" not found."));
    EXPECT_EQ(b.ListView1->currentItem(), b.ListView1->topLevelItem(9));

    prompt.asked.clear();
    prompt.answers = {Mb::No};
    b.text1->setText(QStringLiteral("TRACK"));
    b.SSSearch_Click();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(b.ListView1->currentItem(), b.ListView1->topLevelItem(0));
}

TEST_F(BurnerFixture, FolderLineIsTheTooltipOfItsLabelAndOfTheListTitle)
{
    frmBurner& b = load();
    b.Label6_MouseMove();
    EXPECT_EQ(b.Label6->toolTip(), b.Label28->text());
    b.Label28_MouseMove();
    EXPECT_EQ(b.Label28->toolTip(), b.Label28->text());
}

TEST_F(BurnerFixture, ConverterCancelBringsTheBurnerBackAsItWas)
{
    wav(QStringLiteral("keep.wav"), 0.5);
    Forms::get<frmMain>();
    frmBurner& b = load();
    b.Show();
    // The burner's activation arrives as an event, as before any click a user makes.
    QCoreApplication::processEvents();
    add(b, QStringLiteral("keep.wav"));
    b.picConvert_Click();
    EXPECT_FALSE(b.isVisible());
    EXPECT_EQ(SwitchingWindow, 0);
    Forms::get<frmConvertChoice>().cmdCancel_Click();
    ASSERT_EQ(Forms::find<frmBurner>(), &b);
    EXPECT_TRUE(b.isVisible());
    EXPECT_EQ(b.ListView2->topLevelItemCount(), 1);
    EXPECT_EQ(SwitchingWindow, 0);
}

TEST_F(BurnerFixture, FileMenuNamesTheBurnerEntries)
{
    frmBurner& b = load();
    ASSERT_NE(b.chrome->entry(QStringLiteral("mnuConverter")), nullptr);
    EXPECT_EQ(b.chrome->entry(QStringLiteral("mnuConverter"))->text(), QStringLiteral("Converter"));
    ASSERT_NE(b.chrome->entry(QStringLiteral("mnuBurner")), nullptr);
    EXPECT_EQ(b.chrome->entry(QStringLiteral("mnuBurner"))->text(), QStringLiteral("Close CD Burner"));
    EXPECT_EQ(b.picQuillory->toolTip(), QStringLiteral("Return To The Quillory"));
}

// The burner's own texts of the shared chrome: tips, menu titles and entries, as written,
// trailing blanks included.
TEST_F(BurnerFixture, ChromeCarriesTheBurnersOwnTexts)
{
    frmBurner& b = load();
    WindowChrome* c = b.chrome;
    auto entries = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    const struct {
        const char* what;
        QString shown;
        QString expected;
    } texts[] = {
        {"picQuillory tip", b.picQuillory->toolTip(), "Return To The Quillory"},
        {"picPlayer tip", b.picPlayer->toolTip(), "Play MP3 Files And Display CD Covers"},
        {"picEncoder tip", b.picEncoder->toolTip(), "Play Or Encode CD Tracks "},
        {"picConvert tip", b.picConvert->toolTip(), "Convert WAVtoMP3 or MP3toWAV"},
        {"Converter label tip", b.lblConvert->toolTip(), "Convert WAVtoMP3/MP3ToWAV"},
        {"picPlayLists tip", b.picPlayLists->toolTip(), "Edit Or Create PlayLists And Associate Pictures"},
        {"picExit tip", b.picExit->toolTip(), "Exit Quillory"},
        {"File label tip", c->Label6->toolTip(), "Navigate And Close Program"},
        {"Configure label tip", c->Label8->toolTip(), "Program Settings "},
        {"Skins label tip", c->Label12->toolTip(), "Change Skins (Appearance)"},
        {"Help label tip", c->Label7->toolTip(), "Help, Program Info/Credits, And Order Info"},
        {"WebSites label tip", c->Label10->toolTip(), "Visit Our Quillory Web Site"},
        {"configure menu", c->mnuConfig->title(), "Configure Program"},
        {"skins menu", c->mnuskin->title(), "Change Skins"},
        {"help menu", c->mnuHelp->title(), "Help"},
        {"web-site menu", c->mnuweb->title(), "Website"},
        {"web-site entry", c->mnuwebsite->text(), "Quillory Web Site..."},
    };
    for (const auto& t : texts)
        EXPECT_EQ(t.shown, t.expected) << t.what;
    EXPECT_EQ(entries(c->mnuFile), (QStringList{"Quillory", "MP3 Player", "CD Player/MP3 Encoder", "Converter",
                                                "Edit Or Create PlayLists", "-", "Close CD Burner", "-",
                                                "Exit Quillory"}));
    EXPECT_EQ(entries(c->mnuConfig), QStringList{"Program Settings"});
    EXPECT_EQ(entries(c->mnuskin), QStringList{"Change Skin"});
    EXPECT_EQ(entries(c->mnuHelp),
              (QStringList{"Quillory Help", "Quillory Manual", "-", "About Quillory ", "-", "Order Quillory"}));
}
