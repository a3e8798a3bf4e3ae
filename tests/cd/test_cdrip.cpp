// The rip-and-encode run of the CD window and its progress window: disc images read by
// the real reading control, the real lame encoder or scripted encoder processes.
#include <QFileInfo>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#define DO_NOT_WANT_PARANOIA_COMPATIBILITY
#include <cdio/paranoia/paranoia.h>

#include "cd/frmcdrip.h"
#include "cdwindowfixture.h"
#include "controls/acd.h"
#include "controls/mp3play.h"
#include "core/driveinfo.h"
#include "fakecddb.h"
#include "fakeencoder.h"
#include "hangguard.h"
#include "platform/childprocess.h"
#include "platform/freespace.h"
#include "realbox.h"
#include "shell/windowchrome.h"


class CdRip : public CdWindowTest {
protected:
    void SetUp() override
    {
        CdWindowTest::SetUp();
        clock.setAutoStep(100);
        mounts = std::make_unique<ScopedMountTable>(std::vector<MountEntry>{{"/", "ext4", "/dev/sda1", false}});
        setFreeBytesProbe([this](const QString&) { return freeBytes; });
    }
    void TearDown() override
    {
        setFreeBytesProbe(nullptr);
        setChildProcesses(nullptr);
        mounts.reset();
        CdWindowTest::TearDown();
    }
    frmCD& start(int tracks = 3)
    {
        insertDisc(std::vector<int>(tracks, 150));
        frmCD& cd = loadCd();
        cd.Timer1->stop();
        return cd;
    }
    static void select(frmCD& cd, std::initializer_list<int> rows)
    {
        for (int r : rows)
            cd.ListView1->topLevelItem(r - 1)->setSelected(true);
    }
    QStringList musicFiles() const
    {
        return QDir(MusicFolder).entryList(QDir::Files, QDir::Name);
    }
    static void expectIdle(frmCD& cd)
    {
        EXPECT_EQ(ConversionRunning, 0);
        EXPECT_EQ(RipAbort, 0);
        EXPECT_TRUE(cd.ListView1->isEnabled());
        EXPECT_TRUE(cd.picPlayer->isEnabled());
        EXPECT_TRUE(cd.menuEntry(QStringLiteral("mnuExit"))->isEnabled());
        EXPECT_TRUE(cd.Timer1->isActive());
        EXPECT_EQ(cd.Caption(), frmCD::kCaption);
        EXPECT_EQ(Forms::find<frmCDRip>(), nullptr);
        EXPECT_FALSE(cd.chkAutoCreate->isChecked());
        EXPECT_TRUE(AutoPlaylistName.isEmpty());
    }
    static bool haveLame() { return !QStandardPaths::findExecutable(QStringLiteral("lame")).isEmpty(); }
    // The progress window, loaded ahead of the run (the run takes it as it finds it), so that
    // a hold on its reader is in place before the first read starts: a hold set once the
    // reader's thread runs comes too late when that thread gets to the frame first.
    static frmCDRip& ripWindow() { return Forms::get<frmCDRip>(); }
    // Runs the encode run and presses Abort (answered Yes) once, as soon as when() holds;
    // whether it was pressed.
    bool encodeAbortingWhen(frmCD& cd, const std::function<bool()>& when)
    {
        prompt.answers = {Mb::Yes};
        bool pressed = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!pressed && when()) {
                pressed = true;
                Forms::find<frmCDRip>()->AbortButton_Click();
            }
        });
        watch.start(0);
        cd.sscmdEncode_Click();
        return pressed;
    }

    // The records in a catalogue's file, each as row() gives it; none when there is no file.
    template <class Col, class Row> QStringList saved(const QString& file, Row row) const
    {
        Col col;
        col.setFileName(programFile(file));
        QStringList out;
        if (QFileInfo::exists(col.FileName()) && col.OpenFile())
            for (const auto& r : col)
                out << row(*r);
        return out;
    }
    QStringList savedSongs() const
    {
        return saved<colMp3>(QStringLiteral("MP3.mpd"), [](const auto& s) { return s.MP3Title(); });
    }
    // Playlist entries as "name:number:title".
    QStringList savedEntries() const
    {
        return saved<colPlaylist>(QStringLiteral("playlist.mpd"), [](const auto& e) {
            return e.PlaylistName() + QLatin1Char(':') + QString::number(e.ItemNumber()) + QLatin1Char(':') +
                   e.MP3Title();
        });
    }

    qint64 freeBytes = qint64(1) << 40;
    std::unique_ptr<ScopedMountTable> mounts;
};

TEST_F(CdRip, MP3OnlyRunMakesTaggedSongsUniqueNamesAndAnAutoPlaylist)
{
    if (!haveLame())
        GTEST_SKIP() << "lame is not installed";
    EncodeOutputMode = 1;
    frmCD& cd = start();
    cd.ListView1->topLevelItem(0)->setText(0, QStringLiteral("Same:Name?"));
    cd.ListView1->topLevelItem(2)->setText(0, QStringLiteral("Same:Name?"));
    cd.txtArtist->setText(QStringLiteral("The Band"));
    cd.txtCDTitle->setText(QStringLiteral("The Disc"));
    select(cd, {1, 3});
    prompt.texts = {QStringLiteral("Road Trip")};
    cd.chkAutoCreate->click();
    ASSERT_EQ(AutoPlaylistName, QStringLiteral("Road Trip"));
    prompt.asked.clear();

    cd.sscmdEncode_Click();
    EXPECT_TRUE(prompt.asked.empty()) << prompt.messageTexts().join(" | ").toStdString();
    EXPECT_EQ(musicFiles(), (QStringList{"Road Trip.lst", "Same_Name_(1).mp3", "Same_Name_.mp3"}));
    EXPECT_EQ(readAll(MusicFolder + QStringLiteral("Road Trip.lst")), "1\r\n");
    ASSERT_EQ(SongLibrary->Count(), 2);
    EXPECT_EQ(SongLibrary->Item(1)->MP3Title(), QStringLiteral("Same_Name_"));
    EXPECT_EQ(SongLibrary->Item(2)->MP3Title(), QStringLiteral("Same_Name_(1)"));
    EXPECT_EQ(SongLibrary->Item(2)->artist(), QStringLiteral("The Band"));
    EXPECT_EQ(SongLibrary->Item(2)->CDTitle(), QStringLiteral("The Disc"));
    EXPECT_EQ(SongLibrary->Item(2)->Length(), QStringLiteral("00:02"));
    EXPECT_EQ(SongLibrary->Item(2)->Category(), QStringLiteral("N/A"));
    ASSERT_EQ(Playlists->Count(), 2);
    EXPECT_EQ(Playlists->Item(1)->PlaylistName(), QStringLiteral("Road Trip"));
    EXPECT_EQ(Playlists->Item(2)->ItemNumber(), 2);
    EXPECT_EQ(Playlists->Item(2)->MP3Title(), QStringLiteral("Same_Name_(1)"));
    // The run's songs and playlist are saved as it ends.
    EXPECT_EQ(savedSongs(), (QStringList{"Same_Name_", "Same_Name_(1)"}));
    EXPECT_EQ(savedEntries(), (QStringList{"Road Trip:1:Same_Name_", "Road Trip:2:Same_Name_(1)"}));

    Mp3Play tag;
    ASSERT_EQ(tag.Open(MusicFolder + QStringLiteral("Same_Name_(1).mp3"), QString()), 0);
    EXPECT_EQ(tag.TagArtist(), QStringLiteral("The Band"));
    EXPECT_EQ(tag.TagAlbum(), QStringLiteral("The Disc"));
    EXPECT_EQ(tag.TagComment(), QStringLiteral("Time=00:02"));
    EXPECT_EQ(tag.TagGenre(), 80);
    tag.Close();
    expectIdle(cd);
}

TEST_F(CdRip, GenreRuleAndCategoryPlaceholder)
{
    if (!haveLame())
        GTEST_SKIP() << "lame is not installed";
    EncodeOutputMode = 1;
    frmCD& cd = start(1);
    prompt.asked.clear();
    const struct {
        const char* category;
        int genre;
        const char* stored;
    } cases[] = {{"", 80, ""}, {"category", 80, "N/A"}, {"BLUES", 0, "BLUES"}, {"Zero", 80, "Zero"}, {"rock", 17, "rock"}};
    int n = 0;
    for (const auto& c : cases) {
        cd.txtcategory->setText(QString::fromLatin1(c.category));
        cd.ListView1->topLevelItem(0)->setText(0, QStringLiteral("Song %1").arg(++n));
        select(cd, {1});
        cd.sscmdEncode_Click();
        ASSERT_EQ(SongLibrary->Count(), n) << c.category;
        EXPECT_EQ(SongLibrary->Item(n)->Category(), QString::fromLatin1(c.stored));
        Mp3Play tag;
        ASSERT_EQ(tag.Open(MusicFolder + QStringLiteral("Song %1.mp3").arg(n), QString()), 0);
        EXPECT_EQ(tag.TagGenre(), c.genre) << c.category;
        tag.Close();
    }
    EXPECT_TRUE(prompt.asked.empty()) << prompt.messageTexts().join(" | ").toStdString();
}

TEST_F(CdRip, WavOnlyRunKeepsWavsAndAddsNoSongs)
{
    EncodeOutputMode = 2;
    FakeFactory f;
    setChildProcesses(&f);
    frmCD& cd = start();
    select(cd, {2, 3});
    cd.sscmdEncode_Click();
    EXPECT_EQ(musicFiles(), (QStringList{"Track No. 2.wav", "Track No. 3.wav"}));
    EXPECT_EQ(QFileInfo(MusicFolder + QStringLiteral("Track No. 2.wav")).size(), 44 + 150 * 2352);
    EXPECT_TRUE(f.script.started.empty());
    EXPECT_EQ(SongLibrary->Count(), 0);
    EXPECT_FALSE(QFileInfo::exists(programFile(QStringLiteral("MP3.mpd")))); // nothing changed, nothing saved
    EXPECT_FALSE(cd.Opt128->isEnabled()); // the encoder options stay off
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_TRUE(cd.ListView1->isEnabled());
}

TEST_F(CdRip, AbortWhileEncodingTheSecondTrackKeepsTheFirstAndTheSecondWav)
{
    EncodeOutputMode = 3;
    FakeFactory f;
    setChildProcesses(&f);
    frmCD& cd = start();
    select(cd, {1, 2, 3});
    bool checkedRunning = false;
    // The first encoder ends by itself; the second runs until the user aborts.
    f.script.hold = 2;
    EXPECT_TRUE(encodeAbortingWhen(cd, [&] {
        if (f.script.started.size() != 2)
            return false;
        checkedRunning = ConversionRunning == 1 && !cd.picPlayer->isEnabled() && !cd.ListView1->isEnabled() &&
                         !cd.menuEntry(QStringLiteral("mnuExit"))->isEnabled() && cd.Label22->isEnabled() &&
                         cd.Caption() == QStringLiteral("CD Player / MP3 Encoder - Encoding in Progress");
        return true;
    }));
    EXPECT_TRUE(checkedRunning);
    ASSERT_EQ(f.script.started.size(), 2u);
    EXPECT_EQ(f.script.killed, 1);
    EXPECT_EQ(musicFiles(), (QStringList{"Track No. 1.mp3", "Track No. 1.wav", "Track No. 2.wav"}));
    EXPECT_EQ(SongLibrary->Count(), 1);
    // An aborted run keeps the song it made.
    EXPECT_EQ(savedSongs(), QStringList{"Track No. 1"});
    EXPECT_FALSE(QFileInfo::exists(programFile(QStringLiteral("playlist.mpd"))));
    EXPECT_EQ(prompt.last().text, QStringLiteral("Are You Sure You Want To Abort Ripping/Encoding?"));
    expectIdle(cd);
}

TEST_F(CdRip, AbortWhileReadingRemovesThePartialWav)
{
    EncodeOutputMode = 1;
    FakeFactory f;
    setChildProcesses(&f);
    frmCD& cd = start();
    select(cd, {2});
    prompt.answers = {Mb::No, Mb::Yes};
    ripWindow().ACD1->holdAtFrame(50);
    int asks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (asks < 2 && QFileInfo::exists(MusicFolder + QStringLiteral("Track No. 2.wav"))) {
            // The Abort button (answered No), then the close box, which asks the same (Yes).
            if (++asks == 1)
                Forms::find<frmCDRip>()->AbortButton_Click();
            else
                EXPECT_FALSE(Forms::unload(Forms::find<frmCDRip>()));
        }
    });
    watch.start(0);
    cd.sscmdEncode_Click();
    watch.stop();
    EXPECT_EQ(asks, 2);
    EXPECT_TRUE(f.script.started.empty());
    EXPECT_TRUE(musicFiles().isEmpty());
    EXPECT_EQ(SongLibrary->Count(), 0);
    expectIdle(cd);
}

TEST_F(CdRip, AbortDuringASectorTheDriveRetriesReturnsAtOnceAndTheWavGoes)
{
    // The read of a track is stuck on one sector (a scratch the drive retries for minutes).
    // Abort stops the run without waiting for it; the window goes on, and the read's WAV
    // is gone, also once the read has ended by itself.
    EncodeOutputMode = 1;
    FakeFactory f;
    setChildProcesses(&f);
    frmCD& cd = start();
    select(cd, {2});
    prompt.answers = {Mb::Yes};
    QPointer<ACD> acd = ripWindow().ACD1;
    acd->stallAtFrame(50);
    const QString wav = MusicFolder + QStringLiteral("Track No. 2.wav");
    // An Abort that waited for the reader would never return without the guard.
    HangGuard guard([&] {
        if (acd)
            acd->stallAtFrame(-1);
    });
    qint64 took = -1;
    bool stalledAfter = false, wavAfter = true;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (took >= 0 || !acd || !acd->stalled())
            return;
        const qint64 before = clock.monotonicMs();
        Forms::find<frmCDRip>()->AbortButton_Click();
        QCoreApplication::sendPostedEvents(); // the run's next step: it stops the read
        took = clock.monotonicMs() - before;
        stalledAfter = acd->stalled();
        wavAfter = QFileInfo::exists(wav);
        EXPECT_FALSE(guard.disarm());
        acd->stallAtFrame(-1); // the drive gives up on the sector
    });
    watch.start(0);
    cd.sscmdEncode_Click();
    watch.stop();
    EXPECT_GE(took, 0);
    EXPECT_LE(took, 100);
    EXPECT_TRUE(stalledAfter);
    EXPECT_FALSE(wavAfter);
    ASSERT_TRUE(pumpUntil([] { return !ACD::ReaderRunning(); }));
    EXPECT_TRUE(musicFiles().isEmpty());
    EXPECT_TRUE(f.script.started.empty());
    expectIdle(cd);
}

TEST_F(CdRip, ATrackNotReadExactlyIsToldInTheProgressWindowAndAgainAtTheEnd)
{
    EncodeOutputMode = 2;
    frmCD& cd = start();
    select(cd, {1, 2, 3});
    frmCDRip& rip = ripWindow();
    rip.ACD1->setParanoiaReports({{7, PARANOIA_CB_SKIP}, {8, PARANOIA_CB_SKIP}, {9, PARANOIA_CB_REPAIR}});
    QString told;
    QObject::connect(rip.ACD1, &ACD::ReadComplete, [&] {
        if (!rip.lblInexact->isHidden())
            told = rip.lblInexact->text();
    });
    cd.sscmdEncode_Click();
    // What the window showed as the last track's read ended: the two tracks before it.
    EXPECT_EQ(told, QStringLiteral("Track No. 1.wav: 3 sectors could not be read exactly\n"
                                   "Track No. 2.wav: 3 sectors could not be read exactly"));
    EXPECT_EQ(musicFiles(), (QStringList{"Track No. 1.wav", "Track No. 2.wav", "Track No. 3.wav"}));
    // The progress window closes as the run ends: the whole list is told once more then.
    EXPECT_EQ(prompt.messageTexts(),
              QStringList{QStringLiteral("Track No. 1.wav: 3 sectors could not be read exactly\n"
                                         "Track No. 2.wav: 3 sectors could not be read exactly\n"
                                         "Track No. 3.wav: 3 sectors could not be read exactly")});
}

TEST_F(CdRip, TheRealAbortQuestionAnsweredAfterTheReadEndedRemovesItsWav)
{
    // Abort is pressed while a track is read and the question is left open; the read ends
    // meanwhile, and then the question is answered Yes: the track's WAV goes, nothing is encoded.
    EncodeOutputMode = 1;
    FakeFactory f;
    setChildProcesses(&f);
    frmCD& cd = start();
    select(cd, {2, 3});
    const QString question = QStringLiteral("Are You Sure You Want To Abort Ripping/Encoding?");
    QPointer<frmCDRip> rip = &ripWindow();
    rip->ACD1->holdAtFrame(50);
    RealBoxes boxes(
        question, QMessageBox::Yes, [&] { rip->ACD1->holdAtFrame(-1); }, [&] { return rip->ReadDone != 0; });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (rip && boxes.seen.isEmpty() && QFileInfo::exists(MusicFolder + QStringLiteral("Track No. 2.wav"))) {
            watch.stop();
            rip->AbortButton->click();
        }
    });
    watch.start(0);
    cd.sscmdEncode_Click();
    EXPECT_EQ(boxes.seen, QStringList{question});
    EXPECT_EQ(boxes.answered, 1);
    EXPECT_TRUE(f.script.started.empty());
    EXPECT_TRUE(musicFiles().isEmpty());
    EXPECT_EQ(SongLibrary->Count(), 0);
    settle();
    EXPECT_TRUE(rip.isNull());
    expectIdle(cd);
}

TEST_F(CdRip, AFailingEncoderKeepsTheRipAndAddsNoSong)
{
    EncodeOutputMode = 1;
    FakeFactory f;
    f.script.exitCode = 255;
    setChildProcesses(&f);
    frmCD& cd = start();
    select(cd, {1, 2});
    cd.sscmdEncode_Click();
    EXPECT_EQ(prompt.last().text, QStringLiteral("Error: the MP3 encoder failed on Track No. 1.wav"));
    EXPECT_EQ(musicFiles(), (QStringList{"Track No. 1.wav"}));
    EXPECT_EQ(f.script.started.size(), 1u);
    EXPECT_EQ(SongLibrary->Count(), 0);
    expectIdle(cd);

    // No encoder at all: the same, with a message that names it.
    f.script.startFails = true;
    prompt.asked.clear();
    cd.sscmdEncode_Click();
    EXPECT_TRUE(prompt.messageTexts().join(' ').contains(QStringLiteral("could not be started")));
    EXPECT_EQ(SongLibrary->Count(), 0);
    EXPECT_TRUE(QFileInfo::exists(MusicFolder + QStringLiteral("Track No. 1(1).wav")));
}

TEST_F(CdRip, RefusalsLeaveEverythingAsItWas)
{
    EncodeOutputMode = 1;
    FakeFactory f;
    setChildProcesses(&f);
    frmCD& cd = start();
    cd.sscmdEncode_Click(); // nothing selected: nothing at all
    EXPECT_TRUE(prompt.asked.empty());
    select(cd, {1});
    {
        ScopedMountTable cdrom({{"/", "iso9660", "/dev/sr0", true}});
        cd.sscmdEncode_Click();
    }
    EXPECT_EQ(prompt.last().text,
              QStringLiteral("Can't write WAV to a CD Drive. Please select another drive using the Options button"));
    freeBytes = -1;
    cd.sscmdEncode_Click();
    EXPECT_EQ(prompt.last().text, QStringLiteral("Could not find hard drive free space"));
    EXPECT_TRUE(musicFiles().isEmpty());
    EXPECT_EQ(Forms::find<frmCDRip>(), nullptr);
    EXPECT_EQ(ConversionRunning, 0);
}

TEST_F(CdRip, FreeSpaceEstimateByModeAndBitRate)
{
    frmCD& cd = start();
    const char* lengths[] = {"04:00", "03:00", "05:00"};
    for (int r = 0; r < 3; ++r) {
        cd.ListView1->topLevelItem(r)->setText(2, QString::fromLatin1(lengths[r]));
        cd.ListView1->topLevelItem(r)->setSelected(true);
    }
    // WAV 176,400 bytes a second; MP3 the bit rate in kbit/s; 21,960,000 bytes kept free.
    const struct {
        int mode;
        qint64 needed;
    } cases[] = {{1, (300 + 240) * 176400LL + 720 * 16000LL}, {2, 720 * 176400LL}, {3, 720 * 176400LL + 720 * 16000LL}, {0, 0}};
    for (const auto& c : cases) {
        EncodeOutputMode = static_cast<int16_t>(c.mode);
        int16_t result = -1;
        freeBytes = c.needed + 21960000;
        cd.checkfreediskspace(result);
        EXPECT_EQ(result, 0) << c.mode;
        freeBytes -= 1;
        prompt.asked.clear();
        cd.checkfreediskspace(result);
        EXPECT_EQ(result, 1) << c.mode;
        EXPECT_TRUE(prompt.last().text.startsWith(QStringLiteral("You do not have enough space on your hard drive")));
    }
    // A length of three characters or fewer adds nothing.
    cd.ListView1->topLevelItem(0)->setText(2, QStringLiteral("4:0"));
    EncodeOutputMode = 2;
    freeBytes = 480 * 176400LL + 21960000;
    int16_t result = -1;
    cd.checkfreediskspace(result);
    EXPECT_EQ(result, 0);
}

TEST_F(CdRip, ProgressWindowPercentAndCommandLine)
{
    frmCD& cd = start();
    frmCDRip& rip = Forms::get<frmCDRip>();
    EXPECT_EQ(rip.Caption(), QStringLiteral("MP3 Encode Status"));
    rip.ACD1_ActPosition(457);
    EXPECT_EQ(rip.PercentDone, 45);
    rip.ACD1_ActPosition(1000);
    rip.Timer1_Timer();
    EXPECT_EQ(rip.nCompleted->text(), QStringLiteral("95%"));
    EXPECT_EQ(rip.RipProgress->value(), 95);
    // Encoding: the MP3's size against the expected size, never above 95 %, 0 without an expected size.
    rip.Label11->show();
    rip.MP3Path = MusicFolder + QStringLiteral("x.mp3");
    writeAll(rip.MP3Path, QByteArray(50, 'x'));
    rip.ExpectedMP3Size = 200;
    rip.Timer1_Timer();
    EXPECT_EQ(rip.nCompleted->text(), QStringLiteral("25%"));
    rip.ExpectedMP3Size = 0;
    rip.Timer1_Timer();
    EXPECT_EQ(rip.nCompleted->text(), QStringLiteral("0%"));
    prompt.answers = {Mb::No};
    RipAbort = 0;
    rip.AbortButton_Click();
    EXPECT_EQ(RipAbort, 0);

    EXPECT_EQ(cd.BitRateOption(), QStringLiteral("-b128 "));
}

// The next track is read while the encoder works on the one before; what the user sees,
// the files and the records stay as they are without the overlap. Two tracks of the same
// name in mode 1: the second WAV takes the name the first one freed after its encoding.
TEST_F(CdRip, ReadingAheadKeepsNamesStepsAndRecordsInOrder)
{
    EncodeOutputMode = 1;
    FakeFactory f;
    setChildProcesses(&f);
    frmCD& cd = start();
    cd.ListView1->topLevelItem(0)->setText(0, QStringLiteral("Same"));
    cd.ListView1->topLevelItem(1)->setText(0, QStringLiteral("Same"));
    cd.ListView1->topLevelItem(2)->setText(0, QStringLiteral("Other"));
    select(cd, {1, 2, 3});
    prompt.texts = {QStringLiteral("Mix")};
    cd.chkAutoCreate->click();
    prompt.asked.clear();
    const qint64 wavBytes = 44 + 150 * 2352;
    QStringList seen;
    f.script.onStart = [&](size_t n) {
        frmCDRip* rip = Forms::find<frmCDRip>();
        const QStringList& args = f.script.started.back();
        const QString wav = args.at(args.size() - 2);
        seen << QStringLiteral("%1: %2 -> %3, wav %4, %5, %6")
                    .arg(n)
                    .arg(QFileInfo(wav).fileName(), QFileInfo(args.last()).fileName())
                    .arg(QFileInfo(wav).size() == wavBytes ? "whole" : "short")
                    .arg(rip->lblProcess->text())
                    .arg(rip->Label11->isVisible() && rip->Label10->isHidden() ? "Encoding" : "Ripping");
    };
    // Each encoder but the last ends only once the next track has been read in full.
    f.script.endsWhen = [&] {
        frmCDRip* rip = Forms::find<frmCDRip>();
        return f.script.started.size() == 3 || (rip && rip->ReadDone == -1);
    };
    cd.sscmdEncode_Click();
    EXPECT_EQ(seen, (QStringList{"1: Same.wav -> Same.mp3, wav whole, Processing 1 of 3, Encoding",
                                 "2: Same.wav -> Same(1).mp3, wav whole, Processing 2 of 3, Encoding",
                                 "3: Other.wav -> Other.mp3, wav whole, Processing 3 of 3, Encoding"}));
    EXPECT_EQ(QDir(MusicFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"Mix.lst", "Other.mp3", "Same(1).mp3", "Same.mp3"}));
    ASSERT_EQ(SongLibrary->Count(), 3);
    ASSERT_EQ(Playlists->Count(), 3);
    const char* titles[] = {"Same", "Same(1)", "Other"};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(SongLibrary->Item(i)->MP3Title(), QString::fromLatin1(titles[i - 1]));
        EXPECT_EQ(Playlists->Item(i)->MP3Title(), QString::fromLatin1(titles[i - 1]));
        EXPECT_EQ(Playlists->Item(i)->ItemNumber(), i);
    }
    // (The scripted encoder's output is no MP3, so only the tag writer complains.)
    EXPECT_FALSE(prompt.messageTexts().join(' ').contains(QStringLiteral("can not read track")));
    expectIdle(cd);
}

// An abort while track 1 encodes and track 2 is being read ahead: track 1 goes as an
// aborted encoding goes (its MP3, and its WAV in mode 1), track 2's partial read goes,
// nothing else is made.
TEST_F(CdRip, AbortWhileTheNextTrackIsReadAhead)
{
    const struct {
        int mode;
        QStringList left;
    } cases[] = {{1, {}}, {3, {"Track No. 1.wav"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        EncodeOutputMode = static_cast<int16_t>(c.mode);
        FakeFactory f;
        setChildProcesses(&f);
        frmCD& cd = start();
        select(cd, {1, 2, 3});
        f.script.hold = 1;
        f.script.onStart = [](size_t) { Forms::find<frmCDRip>()->ACD1->holdAtFrame(50); };
        EXPECT_TRUE(encodeAbortingWhen(
            cd, [&] { return QFileInfo(MusicFolder + QStringLiteral(".readahead.wav")).size() > 44; }));
        EXPECT_EQ(f.script.started.size(), 1u);
        EXPECT_EQ(f.script.killed, 1);
        EXPECT_EQ(QDir(MusicFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name), c.left);
        EXPECT_EQ(SongLibrary->Count(), 0);
        expectIdle(cd);
        for (const QString& name : c.left)
            QFile::remove(MusicFolder + name);
        Forms::reset();
        CDAudio().UnloadAll();
    }
}

// The disk fills while the next track is read ahead: the user is told the disk is full (not
// to check the CD), the finished track stays, and nothing of the unfinished one is left.
TEST_F(CdRip, AFullDiskDuringTheReadAheadSaysSo)
{
    EncodeOutputMode = 1;
    FakeFactory f;
    setChildProcesses(&f);
    frmCD& cd = start();
    select(cd, {1, 2});
    f.script.onStart = [](size_t n) {
        if (n == 1)
            Forms::find<frmCDRip>()->ACD1->setRoomForFrames(20);
    };
    freeBytes = qint64(1) << 30;
    f.script.endsWhen = [&] {
        frmCDRip* rip = Forms::find<frmCDRip>();
        if (rip && rip->ReadDone == -1) {
            freeBytes = 4096; // what the full disk then reports
            return true;
        }
        return false;
    };
    cd.sscmdEncode_Click();
    const QStringList texts = prompt.messageTexts();
    EXPECT_FALSE(texts.join(' ').contains(QStringLiteral("can not read track")));
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_TRUE(texts.last().contains(QStringLiteral("full"))) << texts.last().toStdString();
    EXPECT_TRUE(texts.last().contains(MusicFolder.chopped(1))) << texts.last().toStdString();
    EXPECT_EQ(QDir(MusicFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name), QStringList{"Track No. 1.mp3"});
    EXPECT_EQ(SongLibrary->Count(), 1);
    expectIdle(cd);
}

// A music folder that cannot take files is named before anything starts.
TEST_F(CdRip, AnUnwritableMusicFolderIsNamedBeforeTheRun)
{
    EncodeOutputMode = 1;
    FakeFactory f;
    setChildProcesses(&f);
    frmCD& cd = start();
    select(cd, {1});
    writeAll(homeDir() + QStringLiteral("blocked"), "a file, not a folder");
    MusicFolder = homeDir() + QStringLiteral("blocked/My Music/");
    cd.sscmdEncode_Click();
    ASSERT_EQ(prompt.messageTexts().size(), 1);
    EXPECT_TRUE(prompt.last().text.contains(MusicFolder.chopped(1))) << prompt.last().text.toStdString();
    EXPECT_TRUE(f.script.started.empty());
    EXPECT_EQ(Forms::find<frmCDRip>(), nullptr);
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_TRUE(cd.ListView1->isEnabled());
}
