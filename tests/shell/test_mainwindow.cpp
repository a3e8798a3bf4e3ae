#include <QAction>
#include <QMenu>

#include "core/cdaudio.h"
#include "core/windowrefresh.h"
#include "shellfixture.h"

namespace {
int countSounds(const std::vector<RecordingUiSound::Played>& played)
{
    int n = 0;
    for (const auto& p : played)
        n += p.path.endsWith(QLatin1String("/Whoosh.wav"));
    return n;
}

// Counts how often a window is shown.
struct ShowCounter : QObject {
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        shows += e->type() == QEvent::Show;
        return false;
    }
};
} // namespace

TEST_F(ShellFixture, LoadReadsSkinChoicePlaysSoundAndShowsTheWindow)
{
    writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), "Blue Night\r\n 1 \r\n");
    frmMain& m = loadMain();
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(m.Caption(), QStringLiteral("The Quillory "));
    EXPECT_EQ(SkinName, QStringLiteral("Blue Night"));
    EXPECT_EQ(SkinFlag, 1);
    ASSERT_EQ(sounds.played.size(), 1u);
    EXPECT_EQ(sounds.played[0].path, programFile(QStringLiteral("Whoosh.wav")));
    EXPECT_EQ(errorBoxes(), 0);
}

TEST_F(ShellFixture, SkinChoiceFileEdgeCases)
{
    struct Case {
        QByteArray file;
        bool present;
        QString name;
        int flag;
        int errors;
    } cases[] = {
        {"", false, QString(), 0, 3},            // missing: open and both reads fail, each logged
        {"Gold, 1 \r\n", true, "Gold", 1, 0},    // a comma ends the name; the flag follows it
        {"\"Deep Sea\"\r\n 0 \r\n", true, "Deep Sea", 0, 0},
        {"Caf\xe9\r\n 1 \r\n", true, QString::fromUtf8("Caf\xc3\xa9"), 1, 0}, // written by the old system
    };
    for (const Case& c : cases) {
        QFile::remove(programFile(QStringLiteral("Skins/skinmain.ini")));
        if (c.present)
            writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), c.file);
        SkinName.clear();
        SkinFlag = 0;
        prompt.asked.clear();
        frmMain& m = loadMain();
        EXPECT_TRUE(m.isVisible()) << c.file.constData();
        EXPECT_EQ(SkinName, c.name) << c.file.constData();
        EXPECT_EQ(SkinFlag, c.flag) << c.file.constData();
        EXPECT_EQ(errorBoxes(), c.errors) << c.file.constData();
        Forms::reset();
        settle();
    }
}

TEST_F(ShellFixture, LauncherButtonsOpenTheirWindowAndClosingBringsMainBack)
{
    struct Case {
        const char* name;
        void (frmMain::*click)();
        std::function<Form*()> window;
    } cases[] = {
        {"player", &frmMain::picPlayer_Click, [] { return Forms::find<frmPlay>(); }},
        {"playlists", &frmMain::picPlayLists_Click, [] { return Forms::find<frmSongs>(); }},
        {"burner", &frmMain::picBurner_Click, [] { return Forms::find<frmBurner>(); }},
    };
    frmMain& m = loadMain();
    for (const Case& c : cases) {
        sounds.played.clear();
        m.picPlayer->setBorderStyle(0);
        (m.*c.click)();
        Form* w = c.window();
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_TRUE(w->isVisible()) << c.name;
        EXPECT_FALSE(m.isVisible()) << c.name;
        EXPECT_EQ(countSounds(sounds.played), 1) << c.name;
        EXPECT_EQ(m.picPlayer->borderStyle(), 1) << c.name; // the short reset
        // Its close box unloads it; the closing rule shows the main window again.
        w->close();
        settle();
        EXPECT_EQ(c.window(), nullptr) << c.name;
        EXPECT_TRUE(m.isVisible()) << c.name;
        EXPECT_EQ(SwitchingWindow, 0);
    }
}

TEST_F(ShellFixture, EncoderButtonWithoutCdKeepsMainWindowAndClosesCdWindow)
{
    frmMain& m = loadMain();
    m.picEncoder->setBorderStyle(0);
    m.picEncoder_Click();
    settle();
    // The drive detection says there is no drive, then the CD window that it cannot open one.
    ASSERT_EQ(prompt.messageTexts().size(), 2);
    EXPECT_TRUE(prompt.messageTexts().front().startsWith(QStringLiteral("No CD-ROM drives were detected")));
    EXPECT_EQ(prompt.last().text, QStringLiteral("Could not open Quillory CD Player. Please close any other CD Player "
                                                 "(such as Windows CD player) which may be running, and try again."));
    EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    EXPECT_EQ(CDPlayerFailed, 1);
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(m.picEncoder->borderStyle(), 0); // no highlight reset
}

TEST_F(ShellFixture, EncoderButtonWithDiscOpensCdWindow)
{
    injectAudioDisc();
    frmMain& m = loadMain();
    m.picEncoder_Click();
    frmCD* cd = Forms::find<frmCD>();
    ASSERT_NE(cd, nullptr);
    EXPECT_TRUE(cd->isVisible());
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(CDPlayerFailed, 0);
    EXPECT_EQ(cd->ListView1->topLevelItemCount(), 2);
    EXPECT_EQ(cd->ListView1->topLevelItem(0)->text(2), QStringLiteral("00:02"));
    EXPECT_EQ(EncoderMode, QStringLiteral("CBR1"));
    EXPECT_EQ(cd->Label28->text(), QStringLiteral("Constant Bit Rate CBR1"));
    // The CD window's Close entry unloads it; the closing rule brings the main window back.
    cd->CloseWindow();
    settle();
    EXPECT_TRUE(m.isVisible());
}

TEST_F(ShellFixture, EmptyDriveAsksForADisc)
{
    const QString cue = injectAudioDisc();
    {
        CDDriveLetter = cue;
        CDAudio cd; // the door of the drive is open: no disc in it
        ASSERT_EQ(cd.ReadyDevice(), 0);
        cd.EjectCD();
        cd.UnloadAll();
    }
    frmMain& m = loadMain();
    m.picEncoder_Click();
    settle();
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_EQ(prompt.last().text, QStringLiteral("Please insert a CD in the CD player (Drive ") + cue +
                                      QStringLiteral("), wait a few seconds and try again."));
    EXPECT_EQ(prompt.last().style, Mb::OKOnly);
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    EXPECT_EQ(CDPlayerFailed, 1);
    EXPECT_TRUE(m.isVisible());
    CDAudio().CloseCD();
}

TEST_F(ShellFixture, ConverterChooserCancelAndOk)
{
    frmMain& m = loadMain();
    m.picConvert_Click();
    auto* chooser = Forms::find<frmConvertChoice>();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(LastWindow, m.windowId());
    EXPECT_EQ(m.picConvert->borderStyle(), 0);
    chooser->cmdCancel_Click();
    EXPECT_TRUE(m.isVisible());
    EXPECT_FALSE(chooser->isVisible());

    m.picConvert_Click();
    chooser->optMP3ToWAV->setChecked(true);
    chooser->cmdOK_Click();
    auto* conv = Forms::find<frmMP3ToWAV>();
    ASSERT_NE(conv, nullptr);
    EXPECT_TRUE(conv->isVisible());
    EXPECT_FALSE(m.isVisible());
    EXPECT_FALSE(chooser->isVisible());
    // The converter's File entry opens the other converter without showing the main window.
    conv->picConvert_Click();
    settle();
    EXPECT_EQ(Forms::find<frmMP3ToWAV>(), nullptr);
    ASSERT_NE(Forms::find<frmWAVToMP3>(), nullptr);
    EXPECT_TRUE(Forms::find<frmWAVToMP3>()->isVisible());
    EXPECT_FALSE(m.isVisible());
    Forms::unload<frmWAVToMP3>();
    EXPECT_TRUE(m.isVisible());
}

TEST_F(ShellFixture, ChooserOkClosesOtherFeatureWindowsFirst)
{
    frmMain& m = loadMain();
    m.picPlayer_Click();
    frmPlay* play = Forms::find<frmPlay>();
    ASSERT_NE(play, nullptr);
    play->picConvert_Click();
    EXPECT_FALSE(play->isVisible());
    EXPECT_EQ(LastWindow, play->windowId());
    Forms::get<frmConvertChoice>().cmdOK_Click();
    settle();
    EXPECT_EQ(Forms::find<frmPlay>(), nullptr);
    ASSERT_NE(Forms::find<frmWAVToMP3>(), nullptr);
    EXPECT_TRUE(Forms::find<frmWAVToMP3>()->isVisible());
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(SwitchingWindow, 0);
}

TEST_F(ShellFixture, CancelledChooserFromBurnerStillLetsItsCloseBoxShowMain)
{
    frmMain& m = loadMain();
    m.picBurner_Click();
    frmBurner* b = Forms::find<frmBurner>();
    ASSERT_NE(b, nullptr);
    b->picConvert_Click(); // the burner sets SwitchingWindow before opening the chooser
    EXPECT_FALSE(b->isVisible());
    Forms::get<frmConvertChoice>().cmdCancel_Click();
    EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(SwitchingWindow, 0);
    b->close();
    settle();
    EXPECT_TRUE(m.isVisible());
}

TEST_F(ShellFixture, NavigationSwitchesWindowsWithoutShowingMain)
{
    injectAudioDisc();
    frmMain& m = loadMain();
    m.picPlayer_Click();
    ShowCounter counter;
    m.installEventFilter(&counter);
    Forms::find<frmPlay>()->picPlayLists_Click();
    settle();
    EXPECT_EQ(Forms::find<frmPlay>(), nullptr);
    ASSERT_NE(Forms::find<frmSongs>(), nullptr);
    Forms::find<frmSongs>()->picBurner_Click();
    settle();
    Forms::find<frmBurner>()->picEncoder_Click();
    settle();
    ASSERT_NE(Forms::find<frmCD>(), nullptr);
    EXPECT_TRUE(Forms::find<frmCD>()->isVisible());
    Forms::find<frmCD>()->picPlayer_Click();
    settle();
    EXPECT_TRUE(Forms::find<frmPlay>()->isVisible());
    EXPECT_EQ(counter.shows, 0);
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(SwitchingWindow, 0);
    // Back to the main window.
    Forms::find<frmPlay>()->picQuillory_Click();
    settle();
    EXPECT_EQ(Forms::find<frmPlay>(), nullptr);
    EXPECT_TRUE(m.isVisible());
    m.removeEventFilter(&counter);
}

TEST_F(ShellFixture, FeatureWindowCdButtonWithoutCdStaysPut)
{
    frmMain& m = loadMain();
    m.picPlayer_Click();
    frmPlay* play = Forms::find<frmPlay>();
    play->picEncoder_Click();
    settle();
    EXPECT_EQ(Forms::find<frmCD>(), nullptr);
    EXPECT_EQ(Forms::find<frmPlay>(), play);
    EXPECT_TRUE(play->isVisible());
    EXPECT_FALSE(m.isVisible());
    EXPECT_EQ(SwitchingWindow, 0);
}

TEST_F(ShellFixture, ClosingWhileRefreshingDoesNotShowMain)
{
    frmMain& m = loadMain();
    m.picPlayLists_Click();
    Refreshing = 1;
    Forms::unload<frmSongs>();
    EXPECT_FALSE(m.isVisible());
    Refreshing = 0;
}

TEST_F(ShellFixture, ExitIsRefusedWhileAConversionRuns)
{
    frmMain& m = loadMain();
    m.setWindowStateValue(WinState::Minimized);
    ConversionRunning = 1;
    m.picExit_Click();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, QStringLiteral("You Are Ripping, Encoding Or Converting. You Need To Stop (Abort) "
                                                 "Ripping/Encoding/Converting Before You Can Exit."));
    EXPECT_EQ(prompt.last().style, Mb::OKOnly);
    EXPECT_EQ(Forms::find<frmMain>(), &m);
    EXPECT_EQ(m.WindowState(), WinState::Minimized);
    EXPECT_EQ(exitSeam.calls, 0);
}

TEST_F(ShellFixture, ExitAnsweredNoKeepsEverything)
{
    frmMain& m = loadMain();
    m.picPlayer_Click();
    frmPlay* play = Forms::find<frmPlay>();
    m.picExit->setBorderStyle(0);
    m.Label4->setFontBold(true);
    prompt.answers = {Mb::No};
    play->picExit_Click(); // the feature window's exit button asks the main window's question
    EXPECT_EQ(prompt.last().text, QStringLiteral("Do you want to exit Quillory?"));
    EXPECT_EQ(prompt.last().style, Mb::YesNo | Mb::Exclamation);
    EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    EXPECT_TRUE(play->isVisible());
    EXPECT_EQ(Forms::find<frmMain>(), &m);
    EXPECT_FALSE(m.isVisible());
    prompt.answers = {Mb::No};
    m.picExit_Click();
    EXPECT_EQ(m.picExit->borderStyle(), 1); // the short reset after a refused exit
    EXPECT_FALSE(m.Label4->fontBold());
    EXPECT_EQ(exitSeam.calls, 0);
}

TEST_F(ShellFixture, ExitAnsweredYesClosesWindowsReleasesCataloguesAndEnds)
{
    frmMain& m = loadMain();
    m.picPlayer_Click();
    Forms::get<frmSongs>();
    Forms::get<frmWAVToMP3>();
    SongLibrary = std::make_unique<colMp3>();
    RecentList = std::make_unique<colPlaylist>();
    prompt.answers = {Mb::Yes};
    EXPECT_THROW(m.picExit_Click(), ProgramEnded);
    EXPECT_EQ(exitSeam.calls, 1);
    EXPECT_EQ(Forms::find<frmPlay>(), nullptr);
    EXPECT_EQ(Forms::find<frmSongs>(), nullptr);
    EXPECT_EQ(Forms::find<frmWAVToMP3>(), nullptr);
    EXPECT_EQ(SongLibrary, nullptr);
    EXPECT_EQ(RecentList, nullptr);
    EXPECT_EQ(countSounds(sounds.played), 2); // the load and the player button; exit plays none
}

TEST_F(ShellFixture, HoverHighlightAndResets)
{
    frmMain& m = loadMain();
    m.picConvert_MouseMove();
    m.picBurner_MouseMove();
    m.picPlayer_MouseMove();
    EXPECT_EQ(m.picConvert->borderStyle(), 0);
    EXPECT_TRUE(m.Label9->fontBold());
    EXPECT_TRUE(m.Label1->fontBold());
    // Over the title: only the first four buttons go back to idle.
    m.Label_MouseMove(QStringLiteral("Label5"));
    EXPECT_EQ(m.picPlayer->borderStyle(), 1);
    EXPECT_FALSE(m.Label1->fontBold());
    EXPECT_EQ(m.picConvert->borderStyle(), 0);
    EXPECT_EQ(m.picBurner->borderStyle(), 0);
    EXPECT_TRUE(m.Label11->fontBold());
    // Mouse-down restores only the border.
    m.picEncoder_MouseMove();
    m.picEncoder_MouseDown();
    EXPECT_EQ(m.picEncoder->borderStyle(), 1);
    EXPECT_TRUE(m.Label2->fontBold());
    // The background resets everything.
    m.Form_MouseMove();
    for (PictureBox* p : {m.picPlayer, m.picEncoder, m.picConvert, m.picPlayLists, m.picBurner, m.picExit})
        EXPECT_EQ(p->borderStyle(), 1) << p->objectName().toStdString();
    for (Label* l : {m.Label1, m.Label2, m.Label3, m.Label4, m.Label9, m.Label11})
        EXPECT_FALSE(l->fontBold()) << l->objectName().toStdString();
}

TEST_F(ShellFixture, OrderEntryStartsTheOrderProgramDetached)
{
    frmMain& m = loadMain();
    m.chrome->mnuOrder->trigger();
    ASSERT_EQ(processes.started.size(), 1u);
    EXPECT_EQ(processes.started[0].program, programFile(QStringLiteral("order")));
    EXPECT_TRUE(processes.started[0].args.isEmpty());
    EXPECT_EQ(processes.started[0].workDir, programDir());
    EXPECT_EQ(errorBoxes(), 0);

    // The same entry of a feature window; a failed start is logged, never silent.
    m.picBurner_Click();
    processes.result = false;
    Forms::find<frmBurner>()->chrome->mnuOrder->trigger();
    EXPECT_EQ(processes.started.size(), 2u);
    EXPECT_EQ(errorBoxes(), 1);
    const QByteArray log = readAll(programFile(QStringLiteral("QuilloryError.log")));
    EXPECT_TRUE(log.contains("Module Name : frmBurner"));
    EXPECT_TRUE(log.contains("Procedure   : mnuOrder_Click"));
}

TEST_F(ShellFixture, MenuBarLabelsPopUpTheirMenusAndEntriesRunHandlers)
{
    frmMain& m = loadMain();
    WindowChrome* c = m.chrome;
    const std::pair<Label*, QMenu*> pairs[] = {
        {c->Label6, c->mnuFile}, {c->Label12, c->mnuskin}, {c->Label8, c->mnuConfig},
        {c->Label10, c->mnuweb}, {c->Label7, c->mnuHelp}};
    for (auto [label, menu] : pairs) {
        emit label->clicked();
        EXPECT_EQ(c->lastPopup(), menu) << label->text().toStdString();
        EXPECT_TRUE(menu->isVisible());
        menu->close(); // dismissing runs nothing
    }
    EXPECT_TRUE(m.isVisible());
    EXPECT_EQ(c->mnuFreeSite.size(), 3u);
    EXPECT_EQ(c->mnuSearchSite.size(), 2u);
    for (QAction* a : c->mnuFreeSite)
        a->trigger();
    for (QAction* a : c->mnuSearchSite)
        a->trigger();
    c->mnuwebsite->trigger();
    ASSERT_EQ(desktop.opened.size(), 6u);
    for (const QUrl& u : desktop.opened)
        EXPECT_TRUE(u.scheme() == QLatin1String("https")) << u.toString().toStdString();
    c->mnuHelpFile->trigger();
    EXPECT_EQ(desktop.opened.back().toLocalFile(), programFile(QStringLiteral("Quillory.html")));
    // The File entry for the player runs the launcher button.
    c->entry(QStringLiteral("mnuPlayer"))->trigger();
    EXPECT_NE(Forms::find<frmPlay>(), nullptr);
    EXPECT_FALSE(m.isVisible());
    // Every feature window carries the same web entries.
    frmPlay* play = Forms::find<frmPlay>();
    EXPECT_EQ(play->chrome->mnuFreeSite.size(), 3u);
    EXPECT_NE(play->chrome->entry(QStringLiteral("mnuClosePlayer")), nullptr);
    EXPECT_EQ(play->chrome->entry(QStringLiteral("mnuPlayer")), nullptr);
    play->chrome->entry(QStringLiteral("mnuClosePlayer"))->trigger();
    settle();
    EXPECT_TRUE(m.isVisible());
}

TEST_F(ShellFixture, CaptionsFoundIgnoringCase)
{
    Forms::get<frmSongs>();
    Forms::get<frmMP3ToWAV>();
    EXPECT_EQ(Forms::findByCaption(QStringLiteral("Playlists")), Forms::find<frmSongs>());
    EXPECT_EQ(Forms::findByCaption(QStringLiteral("Convert MP3 To WAV")), Forms::find<frmMP3ToWAV>());
    frmPlay& play = Forms::get<frmPlay>();
    play.Check1->setChecked(true);
    EXPECT_EQ(Forms::findByCaption(QStringLiteral("The MP3 Player (Shuffle Play)")), &play);
    // Setting the window state of a window that is not loaded loads it.
    Forms::setWindowState<frmBurner>(WinState::Minimized);
    ASSERT_NE(Forms::find<frmBurner>(), nullptr);
    EXPECT_EQ(Forms::find<frmBurner>()->WindowState(), WinState::Minimized);
}

TEST_F(ShellFixture, ChooserCancelWithNoWindowToRestoreShowsMain)
{
    frmMain& m = loadMain();
    m.picConvert_Click();
    LastWindow = 0; // the window it came from is gone
    Forms::get<frmConvertChoice>().cmdCancel_Click();
    EXPECT_TRUE(m.isVisible());
    EXPECT_FALSE(Forms::get<frmConvertChoice>().isVisible());
}
