// A burn from the Burn button to the end: checks, temporary WAV preparation, the write to
// an image writer, the progress windows, abort, and the catalogue entry of the burned disc.
#include <QFileInfo>
#include <QPixmap>

#include "burner/frmburntocdinfo.h"
#include "burner/frmprogburn.h"
#include "burnerfixture.h"
#include "core/cdaudio.h"
#include "core/discid.h"
#include "controls/mp3play.h"
#include "convert/frmprogmp3towav.h"
#include "discimage.h"
#include "platform/folderaccess.h"
#include "realbox.h"

namespace {
const QString kFinished = QStringLiteral("Finished Burning Audio CD.");

// The disc id the CD player computes for the disc in device.
QString discIdOf(const QString& device)
{
    CDDriveLetter = device;
    CDAudio cd;
    if (cd.ReadyDevice() != 0)
        return {};
    return CdDiscId(cd).GetCDID();
}
} // namespace

class BurnRunTest : public BurnerFixture {
protected:
    // Real burns (test mode off) at the given speed index; Check2 as given.
    frmBurner& loadForRealBurn(bool autoSave, int speedIndex = 0)
    {
        writeAll(programFile(QStringLiteral("Burner.ini")), QByteArray("0\r\n") + QByteArray::number(speedIndex) + "\r\n");
        frmBurner& b = load();
        b.Check2->setChecked(autoSave);
        return b;
    }
    // Answers the catalogue window when it comes up modally: title typed, Save pressed.
    void answerCatalogueWindow(const QString& title)
    {
        auto* timer = new QTimer(&guard);
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, title] {
            frmBurnToCDInfo* w = Forms::find<frmBurnToCDInfo>();
            if (!w || !w->isVisible())
                return;
            timer->stop();
            w->txtCDTitle->setText(title);
            w->Command1_Click();
        });
        timer->start();
    }
    // After a run that wrote the disc: the progress windows gone (the one asked about deleted
    // too), the window ready for the next run.
    template <class W> void expectBurnedAndIdle(frmBurner& b, const QPointer<W>& asked)
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(asked.isNull());
        EXPECT_FALSE(Forms::isLoaded<frmProgMP3ToWAV>());
        EXPECT_FALSE(Forms::isLoaded<frmProgBurn>());
        EXPECT_TRUE(QFileInfo::exists(writer.cuePath));
        EXPECT_TRUE(b.sscmdBurn->isEnabled());
        EXPECT_EQ(ConversionRunning, 0);
    }
    QObject guard;
};

TEST_F(BurnRunTest, WavBurnWritesTheDiscAndStoresItInTheCdCatalogue)
{
    wav(QStringLiteral("First Song.wav"), 3.0);
    wav(QStringLiteral("second.wav"), 2.0);
    frmBurner& b = loadForRealBurn(true, 5);
    add(b, QStringLiteral("second.wav"));
    add(b, QStringLiteral("First Song.wav"));
    answerCatalogueWindow(QStringLiteral("My Burn"));
    b.sscmdBurn_Click();
    EXPECT_EQ(b.ACDWRITE1->Speed(), 10);
    EXPECT_FALSE(b.ACDWRITE1->TestMode());
    EXPECT_TRUE(b.ACDWRITE1->RealWrite());
    EXPECT_EQ(ConversionRunning, 1);
    EXPECT_FALSE(b.sscmdBurn->isEnabled());
    EXPECT_FALSE(b.picPlayer->isEnabled());
    EXPECT_TRUE(b.Label3->isEnabled());
    ASSERT_TRUE(waitForEnd(b));
    ASSERT_TRUE(pumpUntil([] { return !Forms::isLoaded<frmBurnToCDInfo>(); }));

    EXPECT_TRUE(asked(kFinished));
    EXPECT_EQ(errorBoxes(), 0) << prompt.messageTexts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_TRUE(b.sscmdBurn->isEnabled());
    EXPECT_TRUE(b.picPlayer->isEnabled());
    EXPECT_FALSE(Forms::isLoaded<frmProgBurn>());
    ASSERT_TRUE(QFileInfo::exists(writer.cuePath));
    EXPECT_EQ(CDDriveLetter, writer.cuePath);

    const QString id = discIdOf(writer.cuePath);
    ASSERT_EQ(id.size(), 8);
    ASSERT_EQ(CDLibrary->Count(), 2);
    const QStringList titles = {QStringLiteral("second"), QStringLiteral("First Song")};
    const QStringList lengths = {QStringLiteral("00:02"), QStringLiteral("00:03")};
    for (int i = 1; i <= 2; ++i) {
        auto r = CDLibrary->Item(i);
        EXPECT_EQ(r->CDID(), id);
        EXPECT_EQ(r->CDTitle(), QStringLiteral("My Burn"));
        EXPECT_EQ(r->artist(), QStringLiteral("Artist"));
        EXPECT_EQ(r->Category(), QStringLiteral("Category"));
        EXPECT_EQ(r->TrackTitle(), titles[i - 1]);
        EXPECT_EQ(r->TrackLength(), lengths[i - 1]);
        EXPECT_EQ(r->TrackSelected(), QStringLiteral("No"));
    }
    EXPECT_TRUE(QFileInfo::exists(programFile(QStringLiteral("cd.mpd"))));
    // The disc now holds audio: the next burn is refused before anything starts.
    prompt.asked.clear();
    b.sscmdBurn_Click();
    EXPECT_FALSE(b.BurnRunning());
    EXPECT_EQ(prompt.asked.size(), 1u);
}

TEST_F(BurnRunTest, Mp3EntriesAreDecodedToTemporaryWavsThatAreBurnedAndRemoved)
{
    mp3(QStringLiteral("one.mp3"), 1.0);
    wav(QStringLiteral("two.wav"), 1.0);
    mp3(QStringLiteral("Three.MP3"), 1.0);
    frmBurner& b = loadForRealBurn(false);
    for (const char* n : {"one.mp3", "two.wav", "Three.mp3", "one.mp3"})
        add(b, QString::fromLatin1(n));
    ASSERT_EQ(b.ListView2->topLevelItemCount(), 4);
    // A WAV of the same name made by the user after the MP3 joined the list is left alone.
    wav(QStringLiteral("Three.wav"), 0.5);
    const QByteArray userWav = readAll(music + QStringLiteral("Three.wav"));

    QStringList steps;
    QObject::connect(b.Mp3Play1, &Mp3Play::ThreadEnded, &guard, [&steps] {
        if (frmProgMP3ToWAV* p = Forms::find<frmProgMP3ToWAV>())
            steps << p->lblProcess->text() + QStringLiteral(" ") + p->lblwave->text();
    });
    b.sscmdBurn_Click();
    frmProgMP3ToWAV* prep = Forms::find<frmProgMP3ToWAV>();
    ASSERT_NE(prep, nullptr);
    EXPECT_EQ(prep->Caption(), QStringLiteral("Burn Status: Converting MP3 Files To Temp WAV Files"));
    EXPECT_EQ(prep->lblProcess->text(), QStringLiteral("Processing 1 of 3"));
    EXPECT_EQ(prep->lblMP3->text(), QStringLiteral("one.mp3"));
    EXPECT_EQ(prep->lblwave->text(), QStringLiteral("one.wav"));
    ASSERT_TRUE(waitForEnd(b));

    EXPECT_EQ(steps, (QStringList{QStringLiteral("Processing 2 of 3 Three(1).wav"),
                                  QStringLiteral("Processing 3 of 3 one(1).wav")}));
    EXPECT_TRUE(asked(kFinished));
    EXPECT_EQ(errorBoxes(), 0);
    EXPECT_EQ(DecodeAbort, 0);
    EXPECT_FALSE(Forms::isLoaded<frmProgMP3ToWAV>());
    for (const char* gone : {"one.wav", "one(1).wav", "Three(1).wav"})
        EXPECT_FALSE(QFileInfo::exists(music + QString::fromLatin1(gone))) << gone;
    EXPECT_EQ(readAll(music + QStringLiteral("Three.wav")), userWav);
    EXPECT_TRUE(QFileInfo::exists(music + QStringLiteral("two.wav")));
    CDDriveLetter = writer.cuePath;
    CDAudio cd;
    ASSERT_EQ(cd.ReadyDevice(), 0);
    EXPECT_EQ(cd.GetNumTracks(), 4);
}

TEST_F(BurnRunTest, TestRunWritesNothingMarksItsCaptionsAndOffersNoCatalogueWindow)
{
    wav(QStringLiteral("song.wav"), 1.0);
    frmBurner& b = load(); // no Burner.ini: test mode
    b.Check2->setChecked(true);
    add(b, QStringLiteral("song.wav"));
    QStringList captions;
    QObject::connect(b.ACDWRITE1, &ACDWRITE::InfoMessage, &guard, [&captions] {
        if (frmProgBurn* p = Forms::find<frmProgBurn>())
            captions << p->Caption();
    });
    b.sscmdBurn_Click();
    EXPECT_TRUE(b.ACDWRITE1->TestMode());
    EXPECT_FALSE(b.ACDWRITE1->RealWrite());
    ASSERT_TRUE(waitForEnd(b));
    ASSERT_FALSE(captions.isEmpty());
    for (const QString& c : captions)
        EXPECT_TRUE(c.startsWith(QStringLiteral("BURN STATUS: ")) && c.endsWith(QStringLiteral(" (Test Mode)")))
            << c.toStdString();
    EXPECT_TRUE(asked(kFinished));
    EXPECT_FALSE(Forms::isLoaded<frmBurnToCDInfo>());
    EXPECT_FALSE(QFileInfo::exists(writer.cuePath));
    // Enabling the window again keeps the catalogue box off while test mode is on.
    EXPECT_FALSE(b.Check2->isEnabled());
    EXPECT_TRUE(b.sscmdBurn->isEnabled());
}

TEST_F(BurnRunTest, AbortDuringThePreparationRemovesEveryTemporaryWavAndBurnsNothing)
{
    for (const char* n : {"a.mp3", "b.mp3", "c.mp3"})
        mp3(QString::fromLatin1(n), 1.0);
    frmBurner& b = loadForRealBurn(false);
    for (const char* n : {"a.mp3", "b.mp3", "c.mp3"})
        add(b, QString::fromLatin1(n));
    bool aborted = false;
    QObject::connect(b.Mp3Play1, &Mp3Play::ThreadEnded, &guard, [&aborted] {
        frmProgMP3ToWAV* p = Forms::find<frmProgMP3ToWAV>();
        if (aborted || !p)
            return;
        aborted = true; // during the second decode
        p->AbortButton_Click();
    });
    b.sscmdBurn_Click();
    ASSERT_TRUE(waitForEnd(b));
    EXPECT_TRUE(aborted);
    EXPECT_TRUE(asked(QStringLiteral("Are You Sure You Want To Abort Converting?")));
    EXPECT_FALSE(asked(kFinished));
    EXPECT_EQ(DecodeAbort, -1);
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_FALSE(Forms::isLoaded<frmProgMP3ToWAV>());
    EXPECT_FALSE(Forms::isLoaded<frmProgBurn>());
    EXPECT_TRUE(b.sscmdBurn->isEnabled());
    for (const char* gone : {"a.wav", "b.wav", "c.wav"})
        EXPECT_FALSE(QFileInfo::exists(music + QString::fromLatin1(gone))) << gone;
    EXPECT_FALSE(QFileInfo::exists(writer.cuePath));
    EXPECT_EQ(errorBoxes(), 0);
}

TEST_F(BurnRunTest, BurnAbortAnsweredNoGoesOnAndYesStopsWithoutTheFinishedMessage)
{
    writer.realTime = true; // paced by the manual clock, which does not move
    reinject();
    wav(QStringLiteral("long.wav"), 2.0);
    frmBurner& b = loadForRealBurn(true);
    add(b, QStringLiteral("long.wav"));
    b.sscmdBurn_Click();
    frmProgBurn* p = Forms::find<frmProgBurn>();
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(pumpUntil([p] { return !p->Label5->text().isEmpty(); }));
    EXPECT_EQ(p->Label1->text(), QStringLiteral("long.wav"));
    EXPECT_EQ(p->Label5->text(), QStringLiteral("Burning Track 1 of 1"));
    EXPECT_TRUE(b.ListView2->topLevelItem(0)->isSelected());

    // Closing the window or the program mid-burn is refused.
    EXPECT_FALSE(Forms::unload<frmBurner>());
    EXPECT_EQ(ConversionRunning, 1);

    prompt.answers = {Mb::No};
    p->cmdAbort_Click();
    EXPECT_EQ(BurnAbort, 0);
    EXPECT_TRUE(b.BurnRunning());
    prompt.answers = {Mb::Yes};
    p->cmdAbort_Click();
    EXPECT_EQ(BurnAbort, -1);
    clock.advance(60000); // lets the paced writer reach its next step, where it sees the abort
    ASSERT_TRUE(waitForEnd(b));
    EXPECT_FALSE(asked(kFinished));
    EXPECT_FALSE(Forms::isLoaded<frmBurnToCDInfo>());
    EXPECT_FALSE(Forms::isLoaded<frmProgBurn>());
    EXPECT_FALSE(QFileInfo::exists(writer.cuePath));
    EXPECT_TRUE(b.sscmdBurn->isEnabled());
    EXPECT_EQ(errorBoxes(), 0);
}

// The real abort questions of the preparation and of the burn, left open while the run ends by
// itself (its progress window is unloaded under the question), answered Yes only afterwards:
// the late answer finds nothing to stop, and nothing of the run is left behind.
TEST_F(BurnRunTest, ARunEndingUnderTheRealAbortQuestionLeavesEverythingWhole)
{
    mp3(QStringLiteral("a.mp3"), 5.0);
    mp3(QStringLiteral("b.mp3"), 1.0);
    frmBurner& b = loadForRealBurn(false);
    add(b, QStringLiteral("a.mp3"));
    add(b, QStringLiteral("b.mp3"));
    const QString question = QStringLiteral("Are You Sure You Want To Abort Converting?");
    RealBoxes boxes(question, QMessageBox::Yes, {}, [&b] { return !b.BurnRunning(); });
    QPointer<frmProgMP3ToWAV> prep;
    QObject::connect(b.Mp3Play1, &Mp3Play::ActFrame, &guard,
                     [&prep] { clickInFront(prep, &frmProgMP3ToWAV::AbortButton); });
    b.sscmdBurn_Click();
    ASSERT_TRUE(pumpUntil([&] { return boxes.answered == 1; }));
    ASSERT_TRUE(waitForEnd(b));
    EXPECT_EQ(boxes.seen, (QStringList{question, kFinished}));
    EXPECT_EQ(DecodeAbort, 0);
    for (const char* gone : {"a.wav", "b.wav"})
        EXPECT_FALSE(QFileInfo::exists(music + QString::fromLatin1(gone))) << gone;
    expectBurnedAndIdle(b, prep);
}

TEST_F(BurnRunTest, TheBurnEndingUnderTheRealAbortQuestionLeavesEverythingWhole)
{
    writer.realTime = true; // paced by the manual clock, which moves only while the question is open
    reinject();
    wav(QStringLiteral("long.wav"), 2.0);
    mp3(QStringLiteral("short.mp3"), 0.5);
    frmBurner& b = loadForRealBurn(false);
    add(b, QStringLiteral("long.wav"));
    add(b, QStringLiteral("short.mp3"));
    const QString question = QStringLiteral("Are You Sure You Want To Abort Burning?");
    RealBoxes boxes(
        question, QMessageBox::Yes, [this] { clock.advance(600000); }, [&b] { return !b.BurnRunning(); });
    QPointer<frmProgBurn> prog;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &guard, [&] {
        const frmProgBurn* p = Forms::find<frmProgBurn>();
        if (p && !p->Label5->text().isEmpty() && clickInFront(prog, &frmProgBurn::cmdAbort))
            watch.stop();
    });
    watch.start(0);
    b.sscmdBurn_Click();
    ASSERT_TRUE(pumpUntil([&] { return boxes.answered == 1; }));
    ASSERT_TRUE(waitForEnd(b));
    EXPECT_EQ(boxes.seen, (QStringList{question, kFinished}));
    EXPECT_EQ(BurnAbort, 0);
    EXPECT_FALSE(QFileInfo::exists(music + QStringLiteral("short.wav")));
    EXPECT_TRUE(QFileInfo::exists(music + QStringLiteral("long.wav")));
    expectBurnedAndIdle(b, prog);
}

TEST_F(BurnRunTest, ProgressEventsFillTheProgressWindow)
{
    wav(QStringLiteral("a.wav"), 0.5);
    wav(QStringLiteral("b.wav"), 0.5);
    wav(QStringLiteral("c.wav"), 0.5);
    frmBurner& b = load();
    for (const char* n : {"a.wav", "b.wav", "c.wav"})
        add(b, QString::fromLatin1(n));
    frmProgBurn& p = Forms::get<frmProgBurn>();
    b.ACDWRITE1_ActTrack(3);
    EXPECT_TRUE(b.ListView2->topLevelItem(2)->isSelected());
    b.ListView2->topLevelItem(1)->setSelected(true);
    b.ACDWRITE1_ActTrack(3);
    EXPECT_FALSE(b.ListView2->topLevelItem(1)->isSelected());
    EXPECT_EQ(p.Label5->text(), QStringLiteral("Burning Track 3 of 3"));
    b.ACDWRITE1_TrackPercent(120);
    EXPECT_EQ(p.Label2->text(), QStringLiteral("120 %"));
    EXPECT_EQ(ProgressPercent, 100);
    EXPECT_EQ(p.BurnProgress->value(), 100);
    b.ACDWRITE1_Fixating();
    EXPECT_EQ(p.Caption(), QStringLiteral("BURN STATUS: Finalizing CD. Please Wait..."));
    EXPECT_EQ(p.Label1->text(), QStringLiteral("Finalizing CD. May Take 2-3 Minutes."));
    EXPECT_FALSE(p.cmdAbort->isEnabled());
    EXPECT_TRUE(p.BurnProgress->isHidden());
}

TEST_F(BurnRunTest, BurnButtonRefusesInItsOrderAndChangesNothing)
{
    frmBurner& b = load();
    b.sscmdBurn_Click();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, QStringLiteral("You need to add files into the Burner list."));
    EXPECT_TRUE(b.Combo1->isEnabled());

    wav(QStringLiteral("w.wav"), 0.5);
    Forms::reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    writer.fault = ImageWriterSetup::NoDisc;
    reinject();
    frmBurner& b2 = load();
    add(b2, QStringLiteral("w.wav"));
    prompt.asked.clear();
    b2.sscmdBurn_Click();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, QStringLiteral("Please Insert A CD-R Disc Into Your CD Writer Drive!"));
    EXPECT_FALSE(b2.BurnRunning());
    EXPECT_TRUE(b2.Combo1->isEnabled());
}

TEST_F(BurnRunTest, FreeSpaceCheckCountsTheMp3sAndAFixedReserve)
{
    frmBurner& b = load();
    auto entry = [&](const QString& name, const QString& size) {
        auto* r = new ListItem(b.ListView2);
        r->setText(0, name);
        r->setText(1, size);
        r->setData(0, Qt::UserRole, name);
    };
    EXPECT_EQ([&] { freeBytes = 21960000; return b.checkfreediskspaceConvert(); }(), 0);
    EXPECT_EQ([&] { freeBytes = 21959999; return b.checkfreediskspaceConvert(); }(), 1);
    EXPECT_TRUE(prompt.last().text.startsWith(QStringLiteral("You do not have enough space on your drive")));
    entry(QStringLiteral("a.wav"), QStringLiteral("500.0 MB")); // WAV entries need no room
    entry(QStringLiteral("b.MP3"), QStringLiteral("1.0 MB"));
    EXPECT_EQ([&] { freeBytes = 21960000 + 1048576; return b.checkfreediskspaceConvert(); }(), 0);
    EXPECT_EQ([&] { freeBytes = 21960000 + 1048575; return b.checkfreediskspaceConvert(); }(), 1);
    prompt.asked.clear();
    freeBytes.reset();
    EXPECT_EQ(b.checkfreediskspaceConvert(), 1);
    EXPECT_EQ(prompt.last().text, QStringLiteral("Could not find drive free space"));
}

TEST_F(BurnRunTest, OverSevenHundredMegabytesAsksAndNoEndsTheRun)
{
    const QString path = wav(QStringLiteral("big.wav"), 0.5);
    frmBurner& b = loadForRealBurn(false);
    add(b, QStringLiteral("big.wav"));
    QFile f(path);
    ASSERT_TRUE(f.resize(701LL * 1048576)); // sparse: costs no disk
    prompt.answers = {Mb::No};
    b.sscmdBurn_Click();
    EXPECT_EQ(prompt.last().text, QStringLiteral("Total Burn Size of All Files exceeds 700 MB. The Last File(s) May Not "
                                                 "Be Burned. Select Yes To Continue. Select No To Stop."));
    EXPECT_EQ(prompt.last().style, Mb::YesNo);
    EXPECT_FALSE(b.BurnRunning());
    EXPECT_TRUE(b.sscmdBurn->isEnabled());
    EXPECT_FALSE(Forms::isLoaded<frmProgBurn>());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(writer.cuePath));
}

TEST_F(BurnRunTest, CatalogueWindowChecksTitleDiscAndTrackCount)
{
    DiscImage::Layout layout;
    for (int i = 0; i < 3; ++i)
        layout.tracks.push_back({DiscImage::tonePcm(75 * (i + 2), i), 0, false});
    const QString cue = DiscImage::write(homeDir(), QStringLiteral("disc"), layout);
    CdDrives::setInjectedImages({cue});
    wav(QStringLiteral("x.wav"), 0.5);
    frmBurner& b = load();
    add(b, QStringLiteral("x.wav"));
    add(b, QStringLiteral("x.wav"));

    frmBurnToCDInfo& w = Forms::get<frmBurnToCDInfo>();
    EXPECT_EQ(w.DriveLetter->currentText(), cue);
    w.txtCDTitle->clear();
    w.Command1_Click();
    EXPECT_EQ(prompt.last().text, QStringLiteral("You Must Enter A CD Title"));
    w.txtCDTitle->setText(QStringLiteral("T"));
    w.Command1_Click();
    EXPECT_EQ(prompt.last().text, QStringLiteral("The CD in the drive does not appear to be the CD you just burned. Please "
                                                 "insert the CD you just burned in the CD Writer (Drive ") +
                                      cue + QStringLiteral("), wait a few seconds and try again."));
    EXPECT_EQ(CDLibrary->Count(), 0);
    add(b, QStringLiteral("x.wav"));
    w.Command1_Click();
    ASSERT_EQ(CDLibrary->Count(), 3);
    EXPECT_EQ(CDLibrary->Item(3)->TrackLength(), QStringLiteral("00:04"));
    EXPECT_EQ(CDLibrary->Item(1)->CDID(), discIdOf(cue));
    EXPECT_FALSE(Forms::isLoaded<frmBurnToCDInfo>());
    EXPECT_EQ(errorBoxes(), 0);

    // No CD drive at all: the drive list is empty and the device does not open.
    CdDrives::setInjectedImages({});
    frmBurnToCDInfo& none = Forms::get<frmBurnToCDInfo>();
    EXPECT_EQ(none.DriveLetter->count(), 0);
    none.Command1_Click();
    EXPECT_EQ(CDDriveLetter, QString());
    EXPECT_TRUE(prompt.last().text.startsWith(QStringLiteral("Could not open Quillory CD Writer (Player).")));
    EXPECT_EQ(CDLibrary->Count(), 3);
}

TEST_F(BurnRunTest, Screenshots)
{
    QDir().mkpath(QStringLiteral(QUILLORY_SCREENSHOT_DIR));
    const QString dir = QStringLiteral(QUILLORY_SCREENSHOT_DIR) + '/';
    wav(QStringLiteral("Morning Light.wav"), 1.0);
    mp3(QStringLiteral("Evening Song.mp3"), 1.0, {QStringLiteral("--ta"), QStringLiteral("The Quills"),
                                                  QStringLiteral("--tl"), QStringLiteral("First Light")});
    frmBurner& b = load();
    add(b, QStringLiteral("Morning Light.wav"));
    add(b, QStringLiteral("Evening Song.mp3"));
    b.Show();
    EXPECT_TRUE(b.grab().save(dir + QStringLiteral("burner-window.png")));
    frmProgBurn& p = Forms::get<frmProgBurn>();
    b.ACDWRITE1_ActTrack(1);
    b.ACDWRITE1_TrackPercent(42);
    b.ACDWRITE1_InfoMessage(QStringLiteral("Writing Tracks"));
    p.Show();
    EXPECT_TRUE(p.grab().save(dir + QStringLiteral("burner-progress.png")));
    frmProgMP3ToWAV& prep = Forms::get<frmProgMP3ToWAV>();
    prep.setCaption(QStringLiteral("Burn Status: Converting MP3 Files To Temp WAV Files"));
    prep.lblMP3->setText(QStringLiteral("Evening Song.mp3"));
    prep.lblwave->setText(QStringLiteral("Evening Song.wav"));
    prep.lblProcess->setText(QStringLiteral("Processing 1 of 1"));
    prep.Show();
    EXPECT_TRUE(prep.grab().save(dir + QStringLiteral("burner-prep.png")));
    frmBurnToCDInfo& info = Forms::get<frmBurnToCDInfo>();
    info.Show();
    EXPECT_TRUE(info.grab().save(dir + QStringLiteral("burner-cdinfo.png")));
}

TEST_F(BurnRunTest, FailedOrRefusedWritesSayWhyAndLeaveNothingBehind)
{
    const QString unknown = QStringLiteral("An Unknown Error Occured. Could Not Write Audio Track(s) to CD.\n");
    mp3(QStringLiteral("m.mp3"), 1.0);
    wav(QStringLiteral("w.wav"), 1.0);

    // The write fails part-way.
    writer.fault = ImageWriterSetup::WriteErrorAt;
    writer.errorSector = 10;
    reinject();
    frmBurner& b = loadForRealBurn(true);
    add(b, QStringLiteral("m.mp3"));
    add(b, QStringLiteral("w.wav"));
    b.sscmdBurn_Click();
    ASSERT_TRUE(waitForEnd(b));
    EXPECT_EQ(prompt.last().text, unknown + QStringLiteral("Write Error At Sector 10"));
    EXPECT_FALSE(asked(kFinished));
    EXPECT_FALSE(Forms::isLoaded<frmBurnToCDInfo>());
    EXPECT_FALSE(Forms::isLoaded<frmProgBurn>());
    EXPECT_FALSE(QFileInfo::exists(music + QStringLiteral("m.wav")));
    EXPECT_TRUE(b.sscmdBurn->isEnabled());

    // The writer refuses a track that is no longer a CD-audio WAV: nothing starts.
    Forms::reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    writer.fault = ImageWriterSetup::NoFault;
    reinject();
    prompt.asked.clear();
    frmBurner& b2 = loadForRealBurn(true);
    add(b2, QStringLiteral("m.mp3"));
    add(b2, QStringLiteral("w.wav"));
    writeAll(music + QStringLiteral("w.wav"), "not a wav any more");
    b2.sscmdBurn_Click();
    ASSERT_TRUE(waitForEnd(b2));
    ASSERT_FALSE(prompt.asked.empty());
    EXPECT_TRUE(prompt.last().text.startsWith(unknown)) << prompt.last().text.toStdString();
    EXPECT_FALSE(Forms::isLoaded<frmProgBurn>());
    EXPECT_FALSE(QFileInfo::exists(music + QStringLiteral("m.wav")));
    EXPECT_FALSE(QFileInfo::exists(writer.cuePath));
    EXPECT_TRUE(b2.sscmdBurn->isEnabled());
    EXPECT_EQ(ConversionRunning, 0);
}

// With the music folder read-only, the MP3 entries' temporary WAV files cannot be made: the
// user hears so, naming the folder, before anything starts. A list of WAV files alone needs
// no file in the folder and burns.
TEST_F(BurnRunTest, AReadOnlyMusicFolderStopsOnlyABurnThatMustDecode)
{
    mp3(QStringLiteral("m.mp3"), 0.5);
    wav(QStringLiteral("w.wav"), 0.5);
    setFolderWriteProbe([](const QString&) { return false; });
    struct ProbeBack {
        ~ProbeBack() { setFolderWriteProbe(nullptr); }
    } probeBack;
    frmBurner& b = loadForRealBurn(false);
    add(b, QStringLiteral("w.wav"));
    add(b, QStringLiteral("m.mp3"));
    prompt.asked.clear();
    b.sscmdBurn_Click();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_TRUE(prompt.last().text.startsWith(QStringLiteral("Can't write temporary WAV files to the folder \"") +
                                              music.chopped(1) + '"'))
        << prompt.last().text.toStdString();
    EXPECT_FALSE(b.BurnRunning());
    EXPECT_TRUE(b.sscmdBurn->isEnabled());
    EXPECT_FALSE(Forms::isLoaded<frmProgMP3ToWAV>());
    EXPECT_FALSE(QFileInfo::exists(music + QStringLiteral("m.wav")));
    EXPECT_FALSE(QFileInfo::exists(writer.cuePath));

    b.ListView2->setCurrentItem(b.ListView2->topLevelItem(1));
    b.ListView2_DblClick();
    b.sscmdBurn_Click();
    ASSERT_TRUE(waitForEnd(b));
    EXPECT_TRUE(asked(kFinished));
}

// Yes to the over-full question burns the entries that fit, in list order, and names the rest.
TEST_F(BurnRunTest, YesToAnOverFullDiscBurnsWhatFitsAndNamesTheRest)
{
    // The image's disc holds the first two tracks: 38 + 75 sectors.
    writer.capacitySectors = 120;
    reinject();
    const QString big = wav(QStringLiteral("big.wav"), 0.5);
    wav(QStringLiteral("a.wav"), 1.0);
    wav(QStringLiteral("c.wav"), 1.0);
    wav(QStringLiteral("d.wav"), 1.0);
    frmBurner& b = loadForRealBurn(false);
    for (const char* n : {"big.wav", "a.wav", "c.wav", "d.wav"})
        add(b, QString::fromLatin1(n));
    QFile f(big);
    ASSERT_TRUE(f.resize(701LL * 1048576)); // sparse, past its own header's data: only asks the question
    prompt.answers = {Mb::Yes};
    prompt.asked.clear();
    b.sscmdBurn_Click();
    ASSERT_TRUE(waitForEnd(b));
    ASSERT_GE(prompt.asked.size(), 3u) << prompt.messageTexts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(prompt.asked[1].text,
              QStringLiteral("Only The First 2 Of 4 Files Fit On The CD. These Files Will Not Be Burned:\nc.wav\nd.wav"));
    EXPECT_TRUE(asked(kFinished));
    EXPECT_EQ(errorBoxes(), 0);
    CDDriveLetter = writer.cuePath;
    CDAudio cd;
    ASSERT_EQ(cd.ReadyDevice(), 0);
    EXPECT_EQ(cd.GetNumTracks(), 2);
    EXPECT_TRUE(b.sscmdBurn->isEnabled());
    EXPECT_EQ(ConversionRunning, 0);
}
