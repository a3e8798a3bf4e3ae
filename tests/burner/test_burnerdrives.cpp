// The burner window over real drives, with libburn played by a fake: drives whose disc is
// in use, looking for writers again, and the look after a burn ends.
#include "burner/frmprogburn.h"
#include "burnerfixture.h"
#include "controls/burnlibburn.h"
#include "fakelibburn.h"

namespace {
const QString kDrive = QStringLiteral("/dev/sr7");

class BurnerDrivesTest : public BurnerFixture {
protected:
    void SetUp() override
    {
        BurnerFixture::SetUp();
        // One stand-in drive and no image writer.
        CdDrives::setInjectedImages({});
        ImageWriters::setInjected({});
        CdDrives::setInjectedDrives({{kDrive, {}, QStringLiteral("Maker"), QStringLiteral("Writer"), false}});
        setLibburn(&lib);
    }
    void TearDown() override
    {
        unload();
        setLibburn(nullptr);
        CdDrives::setInjectedDrives({});
        BurnerFixture::TearDown();
    }
    void drivePresent() { lib.drives = {{kDrive, {}, QStringLiteral("Maker"), QStringLiteral("Writer"), true}}; }

    FakeLibburn lib;
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
            lib.queue(QStringLiteral("Cannot open busy device '%1'").arg(kDrive), "SORRY",
                      LibburnCalls::kBusyDeviceCode);
        driveIo.mounted = c.mounted;
        wav(QStringLiteral("song.wav"), 1.0);
        prompt.asked.clear();
        frmBurner& b = load();
        ASSERT_EQ(prompt.asked.size(), 1u);
        EXPECT_EQ(prompt.last().text, BurnText::discInUse({kDrive}));
        EXPECT_TRUE(prompt.last().text.contains(kDrive));
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
