// The program as a user starts it: Main() in a fresh program folder and home, nothing set by
// hand but the outside world (disc images, an image CD writer, a CDDB server on 127.0.0.1,
// the null sound output, the clock), each tool's main road once, then the exit a user takes
// and a start again in the same folders.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "app/startup.h"
#include "audiofiles.h"
#include "burner/frmburner.h"
#include "cd/frmcd.h"
#include "controls/acdwrite_image.h"
#include "controls/mp3play.h"
#include "convert/frmconvertchoice.h"
#include "convert/frmmp3towav.h"
#include "convert/frmwavtomp3.h"
#include "core/cdaudio.h"
#include "core/driveinfo.h"
#include "core/globals.h"
#include "core/instance.h"
#include "core/settings.h"
#include "discimage.h"
#include "fakecddb.h"
#include "fixture.h"
#include "platform/forms.h"
#include "platform/freespace.h"
#include "player/frmplay.h"
#include "pump.h"
#include "shell/frmmain.h"
#include "shell/frmoptions.h"
#include "songs/frmsongs.h"

namespace {
QStringList column(const ListView* lv, int c = 0)
{
    QStringList out;
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        out << lv->topLevelItem(i)->text(c);
    return out;
}
void selectRows(ListView* lv, const QStringList& texts)
{
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        lv->topLevelItem(i)->setSelected(texts.contains(lv->topLevelItem(i)->text(0)));
}
ListItem* rowOf(ListView* lv, const QString& text)
{
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        if (lv->topLevelItem(i)->text(0) == text)
            return lv->topLevelItem(i);
    return nullptr;
}
void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}
} // namespace

class UserRoad : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        if (QStandardPaths::findExecutable(QStringLiteral("lame")).isEmpty())
            GTEST_SKIP() << "lame is not installed";
        // The splash's wait and the runs' one-second pauses pass as the event loop turns.
        clock.setAutoStep(50);
        // An installed program folder: the ready folder's data files.
        const QDir ready(QStringLiteral(QUILLORY_PROGRAM_DIR));
        for (const QString& f : ready.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            if (f != QStringLiteral("quillory") && f != QStringLiteral("order"))
                copyShipped(f);
        // The machine: one fixed disk with plenty of room, a CD drive holding a three-track
        // disc (two seconds each) and an image CD writer with a blank disc.
        mounts = std::make_unique<ScopedMountTable>(
            std::vector<MountEntry>{{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1"), false}});
        setFreeBytesProbe([](const QString&) { return qint64(1) << 40; });
        const QString discs = tmp.path() + QStringLiteral("/discs/");
        QDir().mkpath(discs);
        DiscImage::Layout layout;
        for (int seed = 1; seed <= 3; ++seed)
            layout.tracks.push_back({DiscImage::tonePcm(150, seed), 0, false});
        const QString disc = DiscImage::write(discs, QStringLiteral("disc"), layout);
        writer.cuePath = discs + QStringLiteral("burned.cue");
        writer.name = QStringLiteral("Image Writer");
        CdDrives::setInjectedImages({disc, writer.cuePath});
        ImageWriters::setInjected({writer});
    }
    void TearDown() override
    {
        CDAudio().UnloadAll();
        ReleaseInstanceLock();
        ImageWriters::setInjected({});
        setFreeBytesProbe(nullptr);
        mounts.reset();
        AppFixture::TearDown();
    }

    // Starts the program as main() does; the main window, up with nothing asked.
    frmMain* startProgram()
    {
        prompt.asked.clear();
        Main();
        EXPECT_TRUE(prompt.asked.empty()) << prompt.messageTexts().join(" | ").toStdString();
        frmMain* m = Forms::find<frmMain>();
        return m && m->isVisible() ? m : nullptr;
    }
    // Ends the program through the main window's exit (its Exit menu entry and every window's
    // exit button end there), answering Yes; then drops what only lived in this process.
    void endProgram()
    {
        frmMain* m = Forms::find<frmMain>();
        ASSERT_NE(m, nullptr);
        prompt.answers = {Mb::Yes};
        EXPECT_THROW(m->picExit_Click(), ProgramEnded);
        EXPECT_EQ(prompt.last().text, QStringLiteral("Do you want to exit Quillory?"));
        EXPECT_FALSE(SongLibrary || Playlists || RecentList || CDLibrary || Categories);
        Forms::reset();
        settle();
        CDAudio().UnloadAll();
        ReleaseInstanceLock();
        ResetGlobals();
        SettingsRead::instance().forget();
    }
    // Opens the CD window from the main window; the window, when it shows the disc.
    static frmCD* openCdWindow(frmMain& m)
    {
        m.picEncoder_Click();
        frmCD* cd = Forms::find<frmCD>();
        return cd && cd->isVisible() && CDPlayerFailed == 0 ? cd : nullptr;
    }
    // Ticks the auto-playlist box, naming the playlist, selects the rows and encodes.
    void rip(frmCD& cd, const QString& playlist, std::initializer_list<int> rows)
    {
        prompt.texts = {playlist};
        cd.chkAutoCreate->click();
        ASSERT_EQ(AutoPlaylistName, playlist);
        for (int r : rows)
            cd.ListView1->topLevelItem(r - 1)->setSelected(true);
        prompt.asked.clear();
        cd.sscmdEncode_Click();
        EXPECT_TRUE(prompt.asked.empty()) << prompt.messageTexts().join(" | ").toStdString();
        EXPECT_EQ(ConversionRunning, 0);
    }
    QStringList musicFiles() const { return QDir(MusicFolder).entryList(QDir::Files, QDir::Name); }
    QStringList songTitles() const
    {
        QStringList out;
        for (const auto& s : *SongLibrary)
            out << s->MP3Title() + QLatin1Char('/') + s->artist() + QLatin1Char('/') + s->CDTitle();
        return out;
    }

    std::unique_ptr<ScopedMountTable> mounts;
    ImageWriterSetup writer;
    FakeCddb cddb;
};

// The first rip of a run makes MP3s (no settings window opened before it); its songs and its
// playlist play in the player, and after the exit and a new start they are in the song
// library and the PlayLists window.
TEST_F(UserRoad, FirstRipMakesMp3sWhoseSongsAndPlaylistPlayAndSurviveARestart)
{
    {
        frmMain* m = startProgram();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(MusicFolder, homeDir() + QStringLiteral("My Music/"));
        frmCD* window = openCdWindow(*m);
        ASSERT_NE(window, nullptr);
        frmCD& cd = *window;
        EXPECT_EQ(cd.lblConfig->text(), QStringLiteral("MP3 ONLY"));
        EXPECT_FALSE(Forms::isLoaded<frmOptions>());
        cd.txtArtist->setText(QStringLiteral("The Band"));
        rip(cd, QStringLiteral("Road Trip"), {1, 2});
        EXPECT_EQ(musicFiles(), (QStringList{"Road Trip.lst", "Track No. 1.mp3", "Track No. 2.mp3"}))
            << musicFiles().join(u'|').toStdString();
        Mp3Play check;
        ASSERT_EQ(check.Open(MusicFolder + QStringLiteral("Track No. 2.mp3"), QString()), 0);
        EXPECT_EQ(check.TagArtist(), QStringLiteral("The Band"));
        check.Close();

        // The player plays the two songs of the new playlist, one after the other.
        cd.picPlayer_Click();
        settle();
        frmPlay* play = Forms::find<frmPlay>();
        ASSERT_TRUE(play && play->isVisible());
        play->sscmdPlayLists_Click();
        ASSERT_EQ(column(play->ListView3), QStringList{"Road Trip"});
        play->ListView3->setCurrentItem(play->ListView3->topLevelItem(0));
        play->ListView3_Click();
        EXPECT_EQ(column(play->ListView4), (QStringList{"Track No. 1", "Track No. 2"}));
        play->sscmdAddAll_Click();
        ASSERT_EQ(column(play->ListView1), (QStringList{"Track No. 1", "Track No. 2"}));
        int ended = 0;
        QObject::connect(play->Mp3Play1, &Mp3Play::ThreadEnded, play, [&ended] { ++ended; });
        play->ListView1->setCurrentItem(play->ListView1->topLevelItem(0));
        play->picPlay_Click();
        EXPECT_EQ(play->Text2->text(), QStringLiteral("Track No. 1"));
        clock.advance(5000);
        ASSERT_TRUE(pumpUntil([&] { return ended >= 1; }));
        EXPECT_EQ(play->Text2->text(), QStringLiteral("Track No. 2"));
        EXPECT_TRUE(play->Mp3Play1->IsRunning());
        clock.advance(5000);
        ASSERT_TRUE(pumpUntil([&] { return ended >= 2; }));
        EXPECT_FALSE(play->Mp3Play1->IsRunning());
        EXPECT_TRUE(prompt.messageTexts().isEmpty()) << prompt.messageTexts().join(" | ").toStdString();
        endProgram();
    }
    {
        frmMain* m = startProgram();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(songTitles(), (QStringList{"Track No. 1/The Band/CD Title", "Track No. 2/The Band/CD Title"}));
        m->picPlayLists_Click();
        frmSongs* songs = Forms::find<frmSongs>();
        ASSERT_TRUE(songs && songs->isVisible());
        EXPECT_EQ(column(songs->ListView2), (QStringList{"Track No. 1", "Track No. 2"}));
        ASSERT_EQ(column(songs->ListView3), QStringList{"Road Trip"});
        songs->ListView3->setCurrentItem(songs->ListView3->topLevelItem(0));
        songs->ListView3_Click();
        EXPECT_EQ(column(songs->ListView1), (QStringList{"Track No. 1", "Track No. 2"}));
        // This run, too, rips to MP3 only.
        EXPECT_EQ(EncodeOutputMode, 1);
        endProgram();
    }
}

// A first CDDB lookup (the e-mail entered in the settings window it sends the user to), a rip
// of two looked-up tracks, both converters and a burn to the image writer; after the exit and
// a new start, the settings, the songs and the disc read back.
TEST_F(UserRoad, LookupRipConvertAndBurnThenTheSettingsAndRecordsReadBack)
{
    const QString email = QStringLiteral("me@example.org");
    {
        frmMain* m = startProgram();
        ASSERT_NE(m, nullptr);
        frmCD* window = openCdWindow(*m);
        ASSERT_NE(window, nullptr);
        frmCD& cd = *window;
        const QByteArray id = cd.state().cdidb.toLower().toLatin1();
        cddb.replies["cddb query"] = "200 rock " + id + " The Band / The Disc\r\n";
        cddb.replies["cddb read"] = "210 rock " + id + " CD database entry follows (until terminating `.')\r\n"
                                    "# xmcd\r\nDISCID=" + id + "\r\nDTITLE=The Band / The Disc\r\n"
                                    "TTITLE0=One\r\nTTITLE1=Two\r\nTTITLE2=Three\r\nEXTD=\r\n.\r\n";

        // No e-mail yet: the lookup sends the user to the settings window's CDDB tab.
        prompt.answers = {Mb::OK};
        cd.picCDDB_Click();
        EXPECT_EQ(prompt.last().text,
                  QStringLiteral("You need to enter EMail information into the Configure window to access CDDB"));
        EXPECT_EQ(cddb.connections, 0);
        frmOptions* options = Forms::find<frmOptions>();
        ASSERT_TRUE(options && options->isVisible());
        EXPECT_EQ(options->SSTab1->currentIndex(), 3);
        options->txtEMail->setText(email);
        options->txtAddress->setText(QStringLiteral("127.0.0.1"));
        options->txtPort->setText(QString::number(cddb.port()));
        options->cmdOK->click();
        settle();
        EXPECT_FALSE(Forms::isLoaded<frmOptions>());

        prompt.asked.clear();
        cd.picCDDB_Click();
        EXPECT_TRUE(prompt.asked.empty()) << prompt.messageTexts().join(" | ").toStdString();
        EXPECT_EQ(cd.txtArtist->text(), QStringLiteral("The Band"));
        EXPECT_EQ(cd.txtCDTitle->text(), QStringLiteral("The Disc"));
        EXPECT_EQ(column(cd.ListView1), (QStringList{"One", "Two", "Three"}));
        rip(cd, QStringLiteral("Best Of"), {1, 2});
        EXPECT_EQ(musicFiles(), (QStringList{"Best Of.lst", "One.mp3", "Two.mp3"})) << musicFiles().join(u'|').toStdString();

        // WAV to MP3: a WAV of the user's, chosen from the converter choice.
        ASSERT_TRUE(testaudio::writeWav(MusicFolder + QStringLiteral("Demo.wav"), 44100, 2, 1.0));
        cd.picConvert_Click();
        settle();
        frmConvertChoice* choice = Forms::find<frmConvertChoice>();
        ASSERT_NE(choice, nullptr);
        choice->Picture1_Click();
        settle();
        frmWAVToMP3* toMp3 = Forms::find<frmWAVToMP3>();
        ASSERT_TRUE(toMp3 && toMp3->isVisible());
        selectRows(toMp3->ListView2, {QStringLiteral("Demo.wav")});
        toMp3->SSConvert_Click();
        ASSERT_TRUE(pumpUntil([] { return ConversionRunning == 0; }, 30000));
        EXPECT_GT(QFileInfo(MusicFolder + QStringLiteral("Demo.mp3")).size(), 1000);

        // MP3 to WAV, the other converter's button: a ripped song back to a WAV.
        toMp3->picConvert_Click();
        settle();
        frmMP3ToWAV* toWav = Forms::find<frmMP3ToWAV>();
        ASSERT_TRUE(toWav && toWav->isVisible());
        selectRows(toWav->ListView2, {QStringLiteral("One")});
        ASSERT_EQ(toWav->ListView2->selectedItems().size(), 1);
        toWav->SSConvert_Click();
        ASSERT_TRUE(pumpUntil([] { return ConversionRunning == 0; }, 30000));
        const auto wav = testaudio::wavInfo(MusicFolder + QStringLiteral("One.wav"));
        EXPECT_EQ(wav.rate, 44100);
        EXPECT_GT(wav.frames, 44100); // about two seconds

        // A burn of a WAV and an MP3 to the blank disc in the image writer, for real.
        toWav->picBurner_Click();
        settle();
        frmBurner* burner = Forms::find<frmBurner>();
        ASSERT_TRUE(burner && burner->isVisible());
        burner->Check1->click(); // test mode off
        ASSERT_FALSE(burner->Check1->isChecked());
        burner->Check2->setChecked(false);
        for (const char* name : {"One.wav", "Two.mp3"}) {
            ListItem* r = rowOf(burner->ListView1, QString::fromLatin1(name));
            ASSERT_NE(r, nullptr) << name;
            burner->ListView1->setCurrentItem(r);
            burner->ListView1_DblClick();
        }
        prompt.asked.clear();
        burner->sscmdBurn_Click();
        ASSERT_TRUE(pumpUntil([&] { return !burner->BurnRunning(); }, 30000));
        EXPECT_EQ(prompt.messageTexts(), QStringList{"Finished Burning Audio CD."});
        EXPECT_EQ(readAll(writer.cuePath).count("TRACK"), 2);
        EXPECT_FALSE(QFileInfo::exists(MusicFolder + QStringLiteral("Two.wav"))); // the burn's own WAV is gone
        endProgram();
    }
    {
        frmMain* m = startProgram();
        ASSERT_NE(m, nullptr);
        // The settings: the music folder and the CDDB account, as the settings window shows them.
        EXPECT_EQ(MusicFolder, homeDir() + QStringLiteral("My Music/"));
        frmOptions& options = Forms::get<frmOptions>();
        options.SSTab1->setCurrentIndex(3);
        EXPECT_EQ(options.txtEMail->text(), email);
        EXPECT_EQ(options.txtAddress->text(), QStringLiteral("127.0.0.1"));
        EXPECT_EQ(options.txtPort->text(), QString::number(cddb.port()));
        options.cmdClose->click();
        settle();
        EXPECT_EQ(EncodeOutputMode, 1);
        // The songs of the rip, and the disc as looked up.
        EXPECT_EQ(songTitles(), (QStringList{"One/The Band/The Disc", "Two/The Band/The Disc"}));
        frmCD* cd = openCdWindow(*m);
        ASSERT_NE(cd, nullptr);
        EXPECT_EQ(cd->txtArtist->text(), QStringLiteral("The Band"));
        EXPECT_EQ(column(cd->ListView1), (QStringList{"One", "Two", "Three"}));
        endProgram();
    }
}
