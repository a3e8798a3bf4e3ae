// The burner window over real drives, with libburn played by a fake: drives whose disc is
// in use, looking for writers again, and the look after a burn ends.
#include "burner/frmprogburn.h"
#include "burnerfixture.h"
#include "controls/burnlibburn.h"
#include "fakelibburn.h"
#include "jobs/burnjob.h"
#include "jobs/mp3towavjob.h"

namespace {

class BurnerDrivesTest : public BurnerFixture {
protected:
    void SetUp() override
    {
        BurnerFixture::SetUp();
        // One stand-in drive (an empty file, so that its door can be sent an eject) and no image writer.
        drive = homeDir() + QStringLiteral("sr7");
        writeAll(drive, {});
        CdDrives::setInjectedImages({});
        ImageWriters::setInjected({});
        CdDrives::setInjectedDrives({{drive, {}, QStringLiteral("Maker"), QStringLiteral("Writer"), false}});
        setLibburn(&lib);
    }
    void TearDown() override
    {
        unload();
        setLibburn(nullptr);
        CdDrives::setInjectedDrives({});
        BurnerFixture::TearDown();
    }
    void drivePresent() { lib.drives = {{drive, {}, QStringLiteral("Maker"), QStringLiteral("Writer"), true}}; }

    FakeLibburn lib;
    QString drive;
};

TEST_F(BurnerDrivesTest, ADiscInUseIsNamedAndBurnLooksAgainOnceItIsOut)
{
    const struct {
        const char* name;
        bool busyMessage;
        bool mounted;
    } cases[] = {{"skipped as busy by the scan", true, false}, {"mounted", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lib.drives.clear();
        if (c.busyMessage)
            lib.queue(QStringLiteral("Cannot open busy device '%1'").arg(drive), "SORRY",
                      LibburnCalls::kBusyDeviceCode);
        driveIo.mounted = c.mounted;
        wav(QStringLiteral("song.wav"), 1.0);
        prompt.asked.clear();
        frmBurner& b = load();
        ASSERT_EQ(prompt.asked.size(), 1u);
        EXPECT_EQ(prompt.last().text, BurnText::discInUse({drive}));
        EXPECT_TRUE(prompt.last().text.contains(drive));
        EXPECT_FALSE(prompt.last().text.contains(QStringLiteral("Re-Install Drivers")));
        // Burn stays usable: once the disc is out, pressing it looks for the writer again.
        EXPECT_TRUE(b.sscmdBurn->isEnabled());
        EXPECT_EQ(b.Combo2->count(), 0);

        add(b, QStringLiteral("song.wav"));
        driveIo.mounted = false;
        drivePresent();
        const int scansBefore = lib.scans();
        b.sscmdBurn_Click();
        EXPECT_EQ(lib.scans(), scansBefore + 1);
        EXPECT_EQ(b.Combo2->count(), 1);
        ASSERT_TRUE(waitForEnd(b));
        EXPECT_TRUE(asked(QStringLiteral("Finished Burning Audio CD.")));
        unload();
    }
}

// With no writer listed because a mounted disc holds the drive, Eject ejects that drive and
// then looks for writers again; a refused eject is told and looks for nothing.
TEST_F(BurnerDrivesTest, EjectFreesTheDriveADiscInUseHoldsAndLooksForWritersAgain)
{
    const struct {
        const char* name;
        bool ejectWorks;
        int writersAfter;
    } cases[] = {{"ejected", true, 1}, {"refused", false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lib.drives.clear();
        driveIo.mounted = true;
        driveIo.ejected.clear();
        driveIo.ejectWorks = c.ejectWorks;
        frmBurner& b = load();
        ASSERT_EQ(b.Combo2->count(), 0);
        // The disc goes out with the eject (or stays mounted when refused); the drive is a writer then.
        driveIo.mounted = !c.ejectWorks;
        drivePresent();
        const int scansBefore = lib.scans();
        prompt.asked.clear();
        b.sscmdEject_Click();
        EXPECT_EQ(driveIo.ejected, QStringList{drive});
        EXPECT_EQ(lib.scans(), scansBefore + c.writersAfter);
        EXPECT_EQ(b.Combo2->count(), c.writersAfter);
        EXPECT_EQ(prompt.asked.size(), c.ejectWorks ? 0u : 1u);
        if (!c.ejectWorks) {
            EXPECT_TRUE(prompt.last().text.startsWith(QStringLiteral("The disc is in use and cannot be ejected.")));
        }
        EXPECT_TRUE(b.sscmdBurn->isEnabled());
        unload();
    }
}

// A disc the desktop mounted after the window opened: the grab of the listed writer fails as
// busy. Burn names that writer as in use with libburn's words, starts nothing, and Eject
// then ejects it; a write whose grab fails so says the same. While the check's grab is held
// the window goes on and says it is looking.
TEST_F(BurnerDrivesTest, ADiscMountedAfterLoadingIsNamedInUseWhileTheWindowSaysItIsLooking)
{
    drivePresent();
    wav(QStringLiteral("song.wav"), 1.0);
    frmBurner& b = load();
    ASSERT_EQ(b.Combo2->count(), 1);
    add(b, QStringLiteral("song.wav"));
    lib.grabBusy = true;
    lib.holdGrab = true;
    QString lookingText;
    QTimer::singleShot(0, [&] {
        lookingText = b.lblLooking->text();
        lib.releaseGrab();
    });
    prompt.asked.clear();
    b.sscmdBurn_Click();
    EXPECT_TRUE(lib.grabOffWindowThread);
    EXPECT_EQ(lookingText, QStringLiteral("Looking At The CD Writer..."));
    EXPECT_TRUE(b.lblLooking->text().isEmpty());
    const QString inUse = BurnText::discInUse({drive}) + QStringLiteral("\n") + FakeLibburn::busyText(drive);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.last().text, inUse);
    EXPECT_FALSE(b.BurnRunning());
    EXPECT_FALSE(lib.calls().contains(QStringLiteral("startWrite")));

    b.sscmdEject_Click();
    EXPECT_EQ(driveIo.ejected, QStringList{drive});

    // Mounted between the disc check and the write: the write ends with the same words.
    lib.grabBusy = false;
    QObject::connect(b.burnJob, &BurnCdJob::writeStarting, &b, [this] { lib.grabBusy = true; });
    prompt.asked.clear();
    b.sscmdBurn_Click();
    ASSERT_TRUE(waitForEnd(b));
    EXPECT_EQ(prompt.last().text, inUse);
    EXPECT_FALSE(lib.calls().contains(QStringLiteral("startWrite")));
}

// The room libburn reports for the blank disc is asked about before any MP3 is decoded: No
// decodes nothing; Yes decodes and burns only the entries that fit.
TEST_F(BurnerDrivesTest, TheBlankDiscsRoomIsAskedAboutBeforeAnyMp3IsDecoded)
{
    drivePresent();
    lib.roomBytes = 300 * 2048; // one short track, padded to four seconds
    mp3(QStringLiteral("a.mp3"), 1.0);
    mp3(QStringLiteral("b.mp3"), 1.0);
    const QString question = QStringLiteral("The Files In The Burn List Do Not All Fit On The CD In Your CD Writer. "
                                            "The Last File(s) Will Not Be Burned. Select Yes To Continue. Select No "
                                            "To Stop.");
    const struct {
        int answer;
        int written;
    } cases[] = {{Mb::No, 0}, {Mb::Yes, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        frmBurner& b = load();
        add(b, QStringLiteral("a.mp3"));
        add(b, QStringLiteral("b.mp3"));
        lib.writtenTracks = 0;
        prompt.asked.clear();
        prompt.answers = {c.answer};
        // Each decoding started, with the number of questions asked by then.
        QStringList decoded;
        QObject::connect(&b.burnJob->preparation(), &Mp3ToWavJob::fileStarted, &b,
                         [&](int, const QString& mp3, const QString&) {
                             decoded << QStringLiteral("%1 after %2").arg(mp3).arg(prompt.asked.size());
                         });
        b.sscmdBurn_Click();
        ASSERT_TRUE(waitForEnd(b));
        ASSERT_FALSE(prompt.asked.empty());
        EXPECT_EQ(prompt.asked[0].text, question);
        EXPECT_EQ(decoded, c.written ? QStringList{QStringLiteral("a.mp3 after 2")} : QStringList{});
        EXPECT_EQ(lib.writtenTracks, c.written);
        if (c.answer == Mb::Yes) {
            EXPECT_EQ(prompt.asked[1].text,
                      QStringLiteral("Only The First 1 Of 2 Files Fit On The CD. These Files Will Not Be Burned:\nb.mp3"));
            EXPECT_TRUE(asked(QStringLiteral("Finished Burning Audio CD.")));
        }
        EXPECT_TRUE(QDir(music).entryList({QStringLiteral("*.wav")}, QDir::Files).isEmpty());
        unload();
    }
}

TEST_F(BurnerDrivesTest, AnAbortedBurnLooksForWritersOnceAfterItsEnd)
{
    drivePresent();
    // A long write: the drive stays on track 1 until cancelled.
    lib.steps.push_back({LibburnCalls::DriveSpawning, 0, 0, 0});
    for (int i = 0; i < 100000; ++i)
        lib.steps.push_back({LibburnCalls::DriveWriting, 0, i % 100, 10000});
    wav(QStringLiteral("song.wav"), 1.0);
    frmBurner& b = load();
    ASSERT_EQ(b.Combo2->count(), 1);
    add(b, QStringLiteral("song.wav"));
    QTimer ticker; // moves the write's polling pace on
    QObject::connect(&ticker, &QTimer::timeout, [this] { clock.advance(250); });
    ticker.start(1);
    b.sscmdBurn_Click();
    frmProgBurn* p = Forms::find<frmProgBurn>();
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return lib.calls().contains(QStringLiteral("startWrite")); }));
    const int scansBefore = lib.scans();
    prompt.answers = {Mb::Yes};
    p->cmdAbort_Click();
    ASSERT_TRUE(waitForEnd(b));
    EXPECT_TRUE(lib.calls().contains(QStringLiteral("cancel")));
    EXPECT_EQ(lib.scans(), scansBefore + 1);
    EXPECT_EQ(b.Combo2->currentIndex(), 0);
}

} // namespace
