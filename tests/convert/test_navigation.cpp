#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QTimer>

#include "audiofiles.h"
#include "pump.h"
#include "cd/frmcd.h"
#include "convertfixture.h"
#include "shell/windowchrome.h"

using Navigation = ConvertFixture;

TEST_F(Navigation, EachConverterCarriesItsOwnCaptionsAndEntries)
{
    frmWAVToMP3& wav = Forms::get<frmWAVToMP3>();
    frmMP3ToWAV& mp3 = Forms::get<frmMP3ToWAV>();
    struct Expect {
        FeatureForm* w;
        const char* encoder;
        const char* convert;
        const char* convertTip;
        const char* convertEntry;
        const char* convertEntryText;
        const char* closeEntry;
        const char* closeText;
        const char* exitText;
    } cases[] = {{&wav, "CD/Encoder", "MP3 To WAV", "Convert MP3 To WAV", "mnuMP3ToWAV", "MP3 To WAV Converter",
                  "mnuCloseMP3Convert", "Close WAV to MP3 Converter", "Exit"},
                 {&mp3, "CD/MP3 Encoder", "WAV To MP3", "Convert WAV To MP3", "mnuMP3ToWAV", "Convert WAV To MP3 ",
                  "mnuCloseWAVConvert", "Close MP3 to WAV Converter", "Exit Quillory"}};
    for (const Expect& e : cases) {
        EXPECT_EQ(e.w->lblEncoder->text(), QString::fromLatin1(e.encoder));
        EXPECT_EQ(e.w->lblConvert->text(), QString::fromLatin1(e.convert));
        EXPECT_EQ(e.w->picConvert->toolTip(), QString::fromLatin1(e.convertTip));
        EXPECT_EQ(e.w->picQuillory->toolTip(), QStringLiteral("Return To The Quillory"));
        ASSERT_NE(e.w->chrome->entry(QString::fromLatin1(e.convertEntry)), nullptr);
        EXPECT_EQ(e.w->chrome->entry(QString::fromLatin1(e.convertEntry))->text(), QString::fromLatin1(e.convertEntryText));
        ASSERT_NE(e.w->chrome->entry(QString::fromLatin1(e.closeEntry)), nullptr);
        EXPECT_EQ(e.w->chrome->entry(QString::fromLatin1(e.closeEntry))->text(), QString::fromLatin1(e.closeText));
        EXPECT_EQ(e.w->chrome->entry(QStringLiteral("mnuExit"))->text(), QString::fromLatin1(e.exitText));
        EXPECT_EQ(e.w->chrome->entry(QStringLiteral("mnuPlayLists"))->text(), QStringLiteral("Edit Or Create PlayLists"));
        EXPECT_EQ(e.w->chrome->mnuAbout->text(), QStringLiteral("About Quillory "));
        // The seven navigation buttons lie in one row, in launcher order.
        int lastX = -1;
        for (PictureBox* p : {e.w->picQuillory, e.w->picPlayer, e.w->picEncoder, e.w->picConvert, e.w->picPlayLists,
                              e.w->picBurner, e.w->picExit}) {
            ASSERT_NE(p, nullptr);
            EXPECT_GT(p->x(), lastX);
            EXPECT_LE(p->geometry().right(), e.w->width());
            lastX = p->x();
        }
    }
}

TEST_F(Navigation, TheConverterButtonsSwitchStraightToEachOther)
{
    frmMain& m = Forms::get<frmMain>();
    frmWAVToMP3& wav = Forms::get<frmWAVToMP3>();
    wav.Show();
    m.Hide();
    const size_t soundsBefore = sounds.played.size();
    wav.picConvert_Click();
    settle();
    EXPECT_EQ(Forms::find<frmWAVToMP3>(), nullptr);
    ASSERT_NE(Forms::find<frmMP3ToWAV>(), nullptr);
    EXPECT_TRUE(Forms::find<frmMP3ToWAV>()->isVisible());
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(SwitchingWindow, 0);
    Forms::find<frmMP3ToWAV>()->chrome->entry(QStringLiteral("mnuMP3ToWAV"))->trigger();
    settle();
    EXPECT_EQ(Forms::find<frmMP3ToWAV>(), nullptr);
    ASSERT_NE(Forms::find<frmWAVToMP3>(), nullptr);
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(sounds.played.size(), soundsBefore + 2);
}

TEST_F(Navigation, TheCloseEntryShowsTheMainWindowOnce)
{
    frmMain& m = Forms::get<frmMain>();
    m.Hide();
    frmMP3ToWAV& mp3 = Forms::get<frmMP3ToWAV>();
    mp3.Show();
    mp3.chrome->entry(QStringLiteral("mnuCloseWAVConvert"))->trigger();
    settle();
    EXPECT_EQ(Forms::find<frmMP3ToWAV>(), nullptr);
    EXPECT_TRUE(m.isVisible());
    for (Form* f : Forms::loaded()) {
        if (f == &m)
            continue;
        EXPECT_FALSE(f->isVisible()) << f->formName().toStdString();
    }
}

TEST_F(Navigation, TheEncoderButtonWithoutADiscLeavesTheConverterOpen)
{
    frmMain& m = Forms::get<frmMain>();
    m.Hide();
    frmWAVToMP3& wav = Forms::get<frmWAVToMP3>();
    wav.Show();
    wav.picEncoder_Click(); // no CD drive at all: the CD window says why and fails
    settle();
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    EXPECT_EQ(Forms::find<frmWAVToMP3>(), &wav);
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(SwitchingWindow, 0);
    EXPECT_FALSE(prompt.asked.empty());
}

TEST_F(Navigation, HoverCaptionsAndMusicFolderTooltips)
{
    frmWAVToMP3& wav = Forms::get<frmWAVToMP3>();
    emit wav.picConvert->mouseMoved({});
    EXPECT_TRUE(wav.lblConvert->fontBold());
    emit wav.picEncoder->mouseMoved({});
    // Side by side in this window: moving from one to the other leaves only the other bold.
    EXPECT_TRUE(wav.lblEncoder->fontBold());
    EXPECT_FALSE(wav.lblConvert->fontBold());
    EXPECT_EQ(wav.picEncoder->borderStyle(), 0);
    wav.Form_MouseMove();
    EXPECT_FALSE(wav.lblEncoder->fontBold());
    EXPECT_EQ(wav.picConvert->borderStyle(), 1);

    frmMP3ToWAV& mp3 = Forms::get<frmMP3ToWAV>();
    emit mp3.picConvert->mouseMoved({});
    emit mp3.picEncoder->mouseMoved({});
    EXPECT_TRUE(mp3.lblConvert->fontBold());
    EXPECT_TRUE(mp3.lblEncoder->fontBold());

    wav.Label17->setText(QStringLiteral("(Current Music Folder=/somewhere/else)"));
    emit wav.Label17->mouseMoved({});
    EXPECT_EQ(wav.Label17->toolTip(), QStringLiteral("(Current Music Folder=/somewhere/else)"));
    emit wav.Label6->mouseMoved({});
    EXPECT_EQ(wav.Label6->toolTip(), QStringLiteral("(Current Music Folder=/somewhere/else)"));
    emit mp3.Label28->mouseMoved({});
    EXPECT_EQ(mp3.Label28->toolTip(), mp3.Label28->text());
}

TEST_F(Navigation, DuringARunTheButtonsAndMenusAreOffAndTheWindowStays)
{
    ASSERT_TRUE(testaudio::writeWav(music(QStringLiteral("One.wav")), 44100, 2, 0.2));
    frmWAVToMP3& wav = Forms::get<frmWAVToMP3>();
    wav.Show();
    wav.ListView2->topLevelItem(0)->setSelected(true);
    bool checked = false;
    runner.onStart = [&](FakeProcesses::Process& p) {
        writeAll(p.args.last(), "ID3");
        auto proc = runner.started.back();
        QTimer::singleShot(0, [&, proc] {
            EXPECT_FALSE(wav.picPlayer->isEnabled());
            EXPECT_FALSE(wav.chrome->entry(QStringLiteral("mnuPlayer"))->isEnabled());
            EXPECT_FALSE(wav.chrome->mnuSettings->isEnabled());
            EXPECT_TRUE(wav.chrome->Label6->isEnabled()); // the menu-bar labels stay live
            wav.close();                                  // the close box is refused while the run goes
            EXPECT_EQ(Forms::find<frmWAVToMP3>(), &wav);
            EXPECT_TRUE(wav.isVisible());
            checked = true;
            proc->finish(0);
        });
    };
    wav.SSConvert_Click();
    ASSERT_TRUE(pumpUntil([] { return ConversionRunning == 0; }, 30000));
    EXPECT_TRUE(checked);
    EXPECT_TRUE(wav.picPlayer->isEnabled());
    EXPECT_TRUE(wav.chrome->entry(QStringLiteral("mnuPlayer"))->isEnabled());
    EXPECT_EQ(prompt.last().text, QStringLiteral("The conversion is still running. Abort it before you close this window."));
}

// The converter windows, their progress windows and the chooser, written to the build tree.
TEST_F(Navigation, Screenshots)
{
    QDir().mkpath(QStringLiteral(QUILLORY_SCREENSHOT_DIR));
    const QString dir = QStringLiteral(QUILLORY_SCREENSHOT_DIR) + '/';
    for (const char* n : {"Alive.wav", "Morning Song.wav", "Track 03.wav"})
        touch(QString::fromLatin1(n));
    SongLibrary = std::make_unique<colMp3>();
    SongLibrary->Add(QStringLiteral("Harbour Lights"), QStringLiteral("Blue Harbour"), QStringLiteral("3:45"),
                     QStringLiteral("Tides"), QStringLiteral("Jazz"), {}, {});
    SongLibrary->Add(QStringLiteral("Long Road"), QStringLiteral("The Walkers"), QStringLiteral("10:05"),
                     QStringLiteral("Miles"), QStringLiteral("Rock"), {}, {});
    touch(QStringLiteral("Harbour Lights.mp3"));
    touch(QStringLiteral("Long Road.mp3"));
    frmWAVToMP3& wav = Forms::get<frmWAVToMP3>();
    wav.Show();
    wav.ListView2->topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(wav.grab().save(dir + QStringLiteral("convert-wavtomp3.png")));
    frmMP3ToWAV& mp3 = Forms::get<frmMP3ToWAV>();
    mp3.Show();
    mp3.ListView2->topLevelItem(0)->setSelected(true);
    mp3.Label3->setText(QStringLiteral("Total Converted WAV File Size = 37 MB"));
    EXPECT_TRUE(mp3.grab().save(dir + QStringLiteral("convert-mp3towav.png")));
    frmProgWAVToMP3& pw = Forms::get<frmProgWAVToMP3>();
    pw.lblwave->setText(QStringLiteral("Morning Song.wav"));
    pw.lblMP3->setText(QStringLiteral("Morning Song.mp3"));
    pw.lblProcess->setText(QStringLiteral("Processing 1 of 2"));
    pw.nCompleted->setText(QStringLiteral("42%"));
    pw.Show();
    EXPECT_TRUE(pw.grab().save(dir + QStringLiteral("convert-progress-wavtomp3.png")));
    frmProgMP3ToWAV& pm = Forms::get<frmProgMP3ToWAV>();
    pm.lblMP3->setText(QStringLiteral("Long Road.mp3"));
    pm.lblwave->setText(QStringLiteral("Long Road.wav"));
    pm.lblProcess->setText(QStringLiteral("Processing 2 of 2"));
    pm.Show();
    EXPECT_TRUE(pm.grab().save(dir + QStringLiteral("convert-progress-mp3towav.png")));
    frmConvertChoice& c = Forms::get<frmConvertChoice>();
    c.Show();
    EXPECT_TRUE(c.grab().save(dir + QStringLiteral("convert-choice.png")));
}
