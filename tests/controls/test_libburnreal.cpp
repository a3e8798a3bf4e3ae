// The writer over the real libburn, on its "stdio:" file pseudo-drive (no hardware): grab,
// disc check, the refusal of audio tracks off a CD, release, a scan after a grab, and the
// process's signal handlers left as they were.
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

#include "audiofiles.h"
#include "controls/acdwrite_types.h"
#include "controls/burnlibburn.h"

namespace {

class Recorder : public BurnReporter {
public:
    QStringList infos;
    void actTrack(int) override {}
    void trackPercent(int) override {}
    void info(const QString& text) override { infos << text; }
    bool fixating() override { return true; }
    bool abortRequested() const override { return false; }
};

// Every handler 1-31 as the process has it now (without the restorer flag the C library
// adds to every handler it installs).
std::vector<std::pair<void*, int>> signalState()
{
    constexpr int kRestorerFlag = 0x04000000;
    std::vector<std::pair<void*, int>> out;
    for (int sig = 1; sig < 32; ++sig) {
        struct sigaction a {};
        sigaction(sig, nullptr, &a);
        out.emplace_back(reinterpret_cast<void*>(a.sa_handler), a.sa_flags & ~kRestorerFlag);
    }
    return out;
}

class RealLibburnTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setLibburn(nullptr);
        setLibburnAcceptsPseudoDrive(true);
        ASSERT_TRUE(dir.isValid());
        image = dir.filePath(QStringLiteral("disc.iso"));
        // A handler of our own, which a burn must leave in place.
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &m_oldPipe);
    }
    void TearDown() override
    {
        setLibburnAcceptsPseudoDrive(false);
        sigaction(SIGPIPE, &m_oldPipe, nullptr);
    }
    QTemporaryDir dir;
    QString image;

private:
    struct sigaction m_oldPipe {};
};

TEST_F(RealLibburnTest, APseudoDriveIsBlankOnlyWhenAllowedAndAScanAfterItsGrabEnds)
{
    CdWriterPtr w = makeLibburnWriterAt(QStringLiteral("stdio:") + image, QStringLiteral("File"));
    EXPECT_EQ(w->checkDisc(), DiscBlank);
    setLibburnAcceptsPseudoDrive(false);
    EXPECT_EQ(w->checkDisc(), DiscNotBlank);
    // The grab was released and let go of the scan's restriction: a scan runs to its end.
    const LibburnScan scan = libburnScanDrives();
    for (const LibburnDriveInfo& d : scan.drives)
        EXPECT_FALSE(d.address.startsWith(QStringLiteral("stdio:")));
}

TEST_F(RealLibburnTest, AudioTracksOffACdAreRefusedWithTheLibrarysReasonAndSignalsStayAsTheyWere)
{
    const QString wav = dir.filePath(QStringLiteral("t.wav"));
    ASSERT_TRUE(testaudio::writeWav(wav, 44100, 2, 4.0));
    BurnJob job;
    BurnTrack t;
    t.path = wav;
    QString why;
    ASSERT_TRUE(inspectBurnTrack(t, &why)) << why.toStdString();
    job.tracks.push_back(t);

    const auto before = signalState();
    Recorder report;
    CdWriterPtr w = makeLibburnWriterAt(QStringLiteral("stdio:") + image, QStringLiteral("File"));
    const BurnOutcome out = w->write(job, report);
    EXPECT_EQ(out.kind, BurnOutcome::Failed);
    EXPECT_TRUE(out.message.contains(QStringLiteral("audio track prohibited by non-CD"))) << out.message.toStdString();
    EXPECT_EQ(signalState(), before);
    // The drive was let go: it can be grabbed again.
    EXPECT_EQ(w->checkDisc(), DiscBlank);
}

} // namespace
