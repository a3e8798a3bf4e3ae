// The CD reading control on disc images: a track read into a WAV file, progress,
// stopping, and the tracks it refuses.
#include "fixture.h"
#include "discimage.h"
#include "hangguard.h"
#include "test_cd_support.h"

#include "controls/acd.h"
#include "platform/cddrives.h"

#include <QFile>
#include <sndfile.h>

#define DO_NOT_WANT_PARANOIA_COMPATIBILITY
#include <cdio/paranoia/paranoia.h>

namespace {

class CdReader : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        layout.hiddenTrack = DiscImage::tonePcm(40, 9);
        layout.tracks.push_back({DiscImage::tonePcm(120, 1), 0, false});
        layout.tracks.push_back({DiscImage::tonePcm(400, 2), 75, false});
        layout.tracks.push_back({DiscImage::tonePcm(50, 3), 0, true});
        cue = DiscImage::write(homeDir() + "discs", "reader", layout);
        CdDrives::setInjectedImages({homeDir() + "nothing.cue", cue});
        QObject::connect(&acd, &ACD::ActPosition, [this](int32_t p) { positions.push_back(p); });
        QObject::connect(&acd, &ACD::ReadComplete, [this] { ++completes; });
    }

    // The samples of a WAV file; also checks it is 44,100 Hz, 16-bit stereo.
    static std::vector<int16_t> samplesOf(const QString& path)
    {
        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        if (!f)
            return {};
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        std::vector<int16_t> out(static_cast<size_t>(info.frames * 2));
        sf_readf_short(f, out.data(), info.frames);
        sf_close(f);
        return out;
    }

    DiscImage::Layout layout;
    QString cue;
    ACD acd;
    std::vector<int32_t> positions;
    int completes = 0;
};

} // namespace

TEST_F(CdReader, ReadsATrackIntoAWavOfTheSamePcm)
{
    EXPECT_EQ(acd.DriveCount(), 2);
    EXPECT_EQ(acd.DriveName(2), "reader");
    ASSERT_EQ(acd.SelectDrive(2), 0);
    const QString wav = homeDir() + "Track 2.wav";
    int16_t track = 2;
    ASSERT_EQ(acd.ReadTrack(track, wav), ACD::Started);
    ASSERT_TRUE(pumpUntil([&] { return completes == 1; }));
    EXPECT_FALSE(acd.ReadFailed());
    EXPECT_TRUE(samplesOf(wav) == layout.tracks[1].pcm);
    ASSERT_FALSE(positions.empty());
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.back(), 1000);

    // Track 1 starts after the hidden audio and runs on through the gap before track 2.
    track = 1;
    ASSERT_EQ(acd.ReadTrack(track, homeDir() + "Track 1.wav"), ACD::Started);
    ASSERT_TRUE(pumpUntil([&] { return completes == 2; }));
    std::vector<int16_t> expected = layout.tracks[0].pcm;
    expected.resize(expected.size() + 75 * DiscImage::kSamplesPerFrame * 2, 0);
    EXPECT_TRUE(samplesOf(homeDir() + "Track 1.wav") == expected);
}

TEST_F(CdReader, StoppingMidReadLeavesNoFileAndNoEvents)
{
    ASSERT_EQ(acd.SelectDrive(2), 0);
    const QString wav = homeDir() + "Track 2.wav";
    acd.holdAtFrame(200);
    int16_t track = 2;
    ASSERT_EQ(acd.ReadTrack(track, wav), ACD::Started);
    ASSERT_TRUE(pumpUntil([&] { return !positions.empty() && positions.back() == 500; }));
    EXPECT_TRUE(QFile::exists(wav));
    acd.StopRead();
    EXPECT_FALSE(QFile::exists(wav));
    const size_t seen = positions.size();
    QCoreApplication::processEvents();
    EXPECT_EQ(positions.size(), seen);
    EXPECT_EQ(completes, 0);

    // The control reads again after a stop.
    acd.holdAtFrame(-1);
    ASSERT_EQ(acd.ReadTrack(track, wav), ACD::Started);
    ASSERT_TRUE(pumpUntil([&] { return completes == 1; }));
    EXPECT_TRUE(samplesOf(wav) == layout.tracks[1].pcm);
}

TEST_F(CdReader, AStopDuringASectorTheDriveRetriesReturnsAtOnceAndTheReaderEndsLater)
{
    ASSERT_EQ(acd.SelectDrive(2), 0);
    const QString wav = homeDir() + "Track 2.wav";
    acd.stallAtFrame(300);
    // A stop that waited for the reader would never return without the guard.
    HangGuard guard([&] { acd.stallAtFrame(-1); });
    int16_t track = 2;
    ASSERT_EQ(acd.ReadTrack(track, wav), ACD::Started);
    ASSERT_TRUE(pumpUntil([&] { return acd.stalled(); }));
    const qint64 before = clock.monotonicMs();
    acd.StopRead();
    const qint64 took = clock.monotonicMs() - before;
    EXPECT_FALSE(guard.disarm());
    EXPECT_LE(took, 100);
    EXPECT_TRUE(acd.stalled());
    EXPECT_TRUE(acd.ReaderRunning());
    EXPECT_FALSE(QFile::exists(wav));

    // A new read of the same file (a track shorter than the stalled frame) runs while the
    // stopped one still waits on its sector.
    int16_t other = 1;
    ASSERT_EQ(acd.ReadTrack(other, wav), ACD::Started);
    ASSERT_TRUE(pumpUntil([&] { return completes == 1; }));
    acd.stallAtFrame(-1);
    ASSERT_TRUE(pumpUntil([&] { return !acd.ReaderRunning(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(completes, 1);
    EXPECT_EQ(samplesOf(wav).size(), layout.tracks[0].pcm.size() + 75 * DiscImage::kSamplesPerFrame * 2);
}

TEST_F(CdReader, CountsTheSectorsParanoiaSkippedOrRepaired)
{
    ASSERT_EQ(acd.SelectDrive(2), 0);
    const struct {
        const char* name;
        std::vector<std::pair<long, int>> reports;
        int inexact;
    } cases[] = {
        {"exact", {{3, PARANOIA_CB_READ}, {4, PARANOIA_CB_VERIFY}, {5, PARANOIA_CB_FIXUP_EDGE}}, 0},
        {"skipped and repaired", {{10, PARANOIA_CB_SKIP}, {20, PARANOIA_CB_REPAIR}, {30, PARANOIA_CB_SKIP}}, 3},
        {"one sector told twice", {{10, PARANOIA_CB_SKIP}, {10, PARANOIA_CB_REPAIR}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        acd.setParanoiaReports(c.reports);
        const int before = completes;
        int16_t track = 2;
        ASSERT_EQ(acd.ReadTrack(track, homeDir() + "Track 2.wav"), ACD::Started);
        ASSERT_TRUE(pumpUntil([&] { return completes == before + 1; }));
        EXPECT_FALSE(acd.ReadFailed());
        EXPECT_EQ(acd.InexactSectors(), c.inexact);
    }
    EXPECT_EQ(ACD::inexactText(3), "3 sectors could not be read exactly");
}

TEST_F(CdReader, RefusesWhatItCannotRead)
{
    int16_t track = 1;
    const QString wav = homeDir() + "out.wav";
    EXPECT_EQ(acd.ReadTrack(track, wav), ACD::NoDisc); // no drive selected
    ASSERT_EQ(acd.SelectDrive(1), 0);                  // an image that is not there
    EXPECT_EQ(acd.ReadTrack(track, wav), ACD::NoDisc);
    ASSERT_EQ(acd.SelectDrive(2), 0);
    track = 3;
    EXPECT_EQ(acd.ReadTrack(track, wav), ACD::DataTrack);
    for (int16_t t : {0, 4, -1}) {
        track = t;
        EXPECT_EQ(acd.ReadTrack(track, wav), ACD::NoSuchTrack) << t;
    }
    track = 1;
    EXPECT_EQ(acd.ReadTrack(track, homeDir() + "no folder/out.wav"), ACD::CannotWrite);
    EXPECT_FALSE(QFile::exists(wav));
    EXPECT_EQ(acd.SelectDrive(3), -1);
    EXPECT_EQ(acd.ReadTrack(track, wav), ACD::NoDisc);
    QCoreApplication::processEvents();
    EXPECT_EQ(completes, 0);
    EXPECT_TRUE(positions.empty());
}

TEST_F(CdReader, ADriveTrackStartingInHeavyClippingRipsInItsOwnByteOrder)
{
    // A full-scale square wave reads smoother byte-swapped than as it is: a reader that
    // guessed the byte order from the audio would rip it as noise.
    std::vector<int16_t> clipped(size_t(150) * DiscImage::kSamplesPerFrame * 2);
    for (size_t i = 0; i < clipped.size(); ++i)
        clipped[i] = (i / 2 / 100) % 2 ? int16_t(-32768) : int16_t(32767);
    const QString drive = DiscImage::writeToc(homeDir() + "drive", {clipped, DiscImage::tonePcm(75, 4)});
    ASSERT_FALSE(drive.isEmpty());
    CdDrives::setInjectedImages({});
    CdDrives::setInjectedDrives({{drive, {}, {}, {}, false}});
    ASSERT_EQ(acd.SelectDrive(1), 0);
    const QString wav = homeDir() + "Clipped.wav";
    int16_t track = 1;
    ASSERT_EQ(acd.ReadTrack(track, wav), ACD::Started);
    ASSERT_TRUE(pumpUntil([&] { return completes == 1; }));
    EXPECT_FALSE(acd.ReadFailed());
    EXPECT_TRUE(samplesOf(wav) == clipped);
}
