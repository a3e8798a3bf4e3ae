// The CD-writing control, burning to disc images that are read back through libcdio.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <cdio/cdio.h>
#include <cstring>
#include <functional>
#include <sndfile.h>

#include "core/cdaudio.h"
#include "core/discid.h"
#include "controls/acd.h"
#include "controls/acdwrite.h"
#include "controls/acdwrite_image.h"
#include "core/globals.h"
#include "discimage.h"
#include "fixture.h"
#include "platform/cddrives.h"
#include "pump.h"

namespace {

// Writes a WAV file of pseudo-random samples; returns the samples (interleaved).
std::vector<short> makeWav(const QString& path, qint64 frames, unsigned seed, int rate = 44100, int channels = 2,
                           int sub = SF_FORMAT_PCM_16)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | sub;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<short> samples(static_cast<size_t>(frames * channels));
    unsigned x = seed * 2654435761u + 1;
    for (auto& s : samples) {
        x = x * 1103515245u + 12345u;
        s = static_cast<short>(x >> 16);
    }
    if (f) {
        sf_writef_short(f, samples.data(), frames);
        sf_close(f);
    }
    return samples;
}

std::vector<short> readWav(const QString& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<short> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_short(f, samples.data(), info.frames);
    sf_close(f);
    return samples;
}

// The CDDB disc id of a table of contents given as absolute start sectors (with the
// 150-sector lead-in) and the lead-out.
QString discId(const std::vector<qint64>& starts, qint64 leadout)
{
    int sum = 0;
    for (qint64 s : starts) {
        for (qint64 secs = s / 75; secs > 0; secs /= 10)
            sum += static_cast<int>(secs % 10);
    }
    const qint64 total = leadout / 75 - starts.front() / 75;
    return QStringLiteral("%1%2%3")
        .arg(sum % 255, 2, 16, QLatin1Char('0'))
        .arg(total, 4, 16, QLatin1Char('0'))
        .arg(starts.size(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

struct Event {
    QString what;
    int value = 0;
    QString text;
    bool onWindowThread = false;
};

class AcdWriteTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        cue = homeDir() + QStringLiteral("Burned.cue");
        bin = homeDir() + QStringLiteral("Burned.bin");
    }
    void TearDown() override
    {
        writer.reset();
        ImageWriters::setInjected({});
        AppFixture::TearDown();
    }

    // Injects one image writer (and its drive) and makes a control ready to burn on it.
    void useImageWriter(ImageWriterSetup layout = {})
    {
        if (layout.cuePath.isEmpty())
            layout.cuePath = cue;
        CdDrives::setInjectedImages({layout.cuePath});
        ImageWriters::setInjected({layout});
        writer = std::make_unique<ACDWRITE>();
        auto* w = writer.get();
        QObject::connect(w, &ACDWRITE::ActTrack, [this](int t) { record("ActTrack", t); });
        QObject::connect(w, &ACDWRITE::TrackPercent, [this](int p) { record("TrackPercent", p); });
        QObject::connect(w, &ACDWRITE::InfoMessage, [this](int, const QString& s) { record("InfoMessage", 0, s); });
        QObject::connect(w, &ACDWRITE::Fixating, [this] { record("Fixating"); });
        QObject::connect(w, &ACDWRITE::UserStop, [this] { record("UserStop"); });
        QObject::connect(w, &ACDWRITE::BurningProcessComplete, [this](const BurnOutcome& o) {
            outcome = o;
            record("BurningProcessComplete", o.kind, o.message);
        });
        ASSERT_EQ(w->InitWriter(), 0);
        w->SelectWriter(0);
        w->SetDriver(w->WriterDriver());
    }
    void record(const char* what, int value = 0, const QString& text = {})
    {
        events.push_back({QString::fromLatin1(what), value, text, QThread::currentThread() == qApp->thread()});
    }
    bool has(const QString& what) const
    {
        return std::any_of(events.begin(), events.end(), [&](const Event& e) { return e.what == what; });
    }
    bool waitForEnd() { return pumpUntil([&] { return has(QStringLiteral("BurningProcessComplete")); }); }

    QStringList names() const
    {
        QStringList out;
        for (const auto& e : events)
            out << e.what;
        return out;
    }

    QString cue, bin;
    std::unique_ptr<ACDWRITE> writer;
    std::vector<Event> events;
    BurnOutcome outcome;
};

TEST_F(AcdWriteTest, ThreeWavsBurnToAnImageThatReadsBackSampleExact)
{
    useImageWriter();
    const std::vector<qint64> frames = {2 * 44100 + 123, 2 * 44100, 588 * 10};
    std::vector<std::vector<short>> pcm;
    for (size_t i = 0; i < frames.size(); ++i) {
        const QString p = homeDir() + QStringLiteral("Song %1.wav").arg(i + 1);
        pcm.push_back(makeWav(p, frames[i], static_cast<unsigned>(i + 7)));
        writer->AddTrack(p, 0);
    }
    EXPECT_EQ(writer->WriterDevice(0), cue);
    EXPECT_EQ(writer->WriterName(0), QStringLiteral("Burned"));
    EXPECT_EQ(writer->CheckDisc(), 0);
    writer->Speed(10);
    writer->TestMode(false);
    writer->RealWrite(true);
    writer->BurnOption(true);
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(outcome.kind, BurnOutcome::Written);

    // Events: per track ActTrack then its rising percents up to 100, then Fixating, and
    // BurningProcessComplete last; all on the window thread.
    int track = 0, percent = -1;
    bool fixated = false;
    for (size_t i = 0; i < events.size(); ++i) {
        const Event& e = events[i];
        EXPECT_TRUE(e.onWindowThread) << e.what.toStdString();
        if (e.what == QLatin1String("ActTrack")) {
            EXPECT_FALSE(fixated);
            EXPECT_EQ(e.value, track + 1);
            if (track > 0) {
                EXPECT_EQ(percent, 100);
            }
            track = e.value;
            percent = -1;
        } else if (e.what == QLatin1String("TrackPercent")) {
            EXPECT_GT(track, 0);
            EXPECT_GT(e.value, percent);
            percent = e.value;
        } else if (e.what == QLatin1String("Fixating")) {
            EXPECT_EQ(track, 3);
            EXPECT_EQ(percent, 100);
            fixated = true;
        } else if (e.what == QLatin1String("BurningProcessComplete")) {
            EXPECT_EQ(i, events.size() - 1);
        }
    }
    EXPECT_TRUE(fixated);
    EXPECT_FALSE(has(QStringLiteral("UserStop")));

    // The cue sheet has exactly the form of the CD layer's test discs.
    DiscImage::Layout layout;
    for (const auto& samples : pcm)
        layout.tracks.push_back({std::vector<int16_t>(samples.begin(), samples.end()), 0, false});
    EXPECT_EQ(QString::fromUtf8(readAll(cue)), DiscImage::cueText(QStringLiteral("Burned"), layout));
    EXPECT_EQ(QString::fromUtf8(readAll(cue)), QStringLiteral("FILE \"Burned.bin\" BINARY\r\n"
                                                                "  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                                                                "  TRACK 02 AUDIO\r\n    INDEX 01 00:02:01\r\n"
                                                                "  TRACK 03 AUDIO\r\n    INDEX 01 00:04:01\r\n"));

    // Read back through libcdio as the CD layer does.
    CdIo_t* cd = cdio_open(QFile::encodeName(cue).constData(), DRIVER_BINCUE);
    ASSERT_NE(cd, nullptr);
    ASSERT_EQ(cdio_get_num_tracks(cd), 3);
    std::vector<qint64> starts, expectedStarts;
    qint64 at = 150;
    for (int t = 1; t <= 3; ++t) {
        EXPECT_EQ(cdio_get_track_format(cd, t), TRACK_FORMAT_AUDIO);
        const lsn_t first = cdio_get_track_lsn(cd, t);
        const lsn_t next = cdio_get_track_lsn(cd, t == 3 ? CDIO_CDROM_LEADOUT_TRACK : t + 1);
        const qint64 sectors = (frames[t - 1] + 587) / 588;
        EXPECT_EQ(next - first, sectors) << "track " << t;
        std::vector<char> data(static_cast<size_t>(sectors * CDIO_CD_FRAMESIZE_RAW));
        ASSERT_EQ(cdio_read_audio_sectors(cd, data.data(), first, static_cast<uint32_t>(sectors)), DRIVER_OP_SUCCESS);
        const auto& want = pcm[static_cast<size_t>(t - 1)];
        const size_t wantBytes = want.size() * 2;
        // x86 memory order is the disc's little-endian order.
        EXPECT_EQ(std::memcmp(data.data(), want.data(), wantBytes), 0) << "track " << t;
        EXPECT_TRUE(std::all_of(data.begin() + static_cast<long>(wantBytes), data.end(), [](char c) { return c == 0; }))
            << "padding of track " << t;
        starts.push_back(cdio_get_track_lba(cd, t));
        expectedStarts.push_back(at);
        at += sectors;
    }
    const qint64 leadout = cdio_get_track_lba(cd, CDIO_CDROM_LEADOUT_TRACK);
    cdio_destroy(cd);
    EXPECT_EQ(starts, expectedStarts);
    EXPECT_EQ(discId(starts, leadout), discId(expectedStarts, at));
    EXPECT_EQ(discId(starts, leadout), QStringLiteral("0C000403"));

    // The CD layer opens the image as a disc and gives it the same id.
    CDDriveLetter = cue;
    CDAudio device;
    ASSERT_EQ(device.ReadyDevice(), 0);
    EXPECT_EQ(device.CheckCD(), 0);
    CdDiscId disc(device);
    EXPECT_EQ(disc.GetCDID(), QStringLiteral("0C000403"));
    EXPECT_EQ(disc.TrackCount, 3);
    device.UnloadAll();

    // The CD reading control rips each track back to the samples of its WAV (the last
    // sector filled up with silence).
    ACD reader;
    int completes = 0;
    QObject::connect(&reader, &ACD::ReadComplete, [&] { ++completes; });
    ASSERT_EQ(reader.SelectDrive(1), 0);
    for (int16_t t = 1; t <= 3; ++t) {
        const QString ripped = homeDir() + QStringLiteral("Ripped %1.wav").arg(t);
        int16_t track = t;
        ASSERT_EQ(reader.ReadTrack(track, ripped), ACD::Started);
        ASSERT_TRUE(pumpUntil([&] { return completes == t; }));
        EXPECT_FALSE(reader.ReadFailed());
        std::vector<short> want = pcm[static_cast<size_t>(t - 1)];
        want.resize(static_cast<size_t>(DiscImage::framesOf(layout.tracks[static_cast<size_t>(t - 1)].pcm) * 588 * 2), 0);
        EXPECT_TRUE(readWav(ripped) == want) << "track " << t;
    }
}

TEST_F(AcdWriteTest, TestModeRunsTheEventsAndWritesNothing)
{
    useImageWriter();
    for (int i = 0; i < 2; ++i) {
        const QString p = homeDir() + QStringLiteral("t%1.wav").arg(i);
        makeWav(p, 44100, static_cast<unsigned>(i));
        writer->AddTrack(p, 0);
    }
    writer->TestMode(true);
    writer->RealWrite(false);
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(outcome.kind, BurnOutcome::TestRunDone);
    EXPECT_TRUE(outcome.succeeded());
    const QStringList n = names();
    EXPECT_EQ(n.count(QStringLiteral("ActTrack")), 2);
    EXPECT_EQ(n.count(QStringLiteral("Fixating")), 1);
    EXPECT_EQ(n.last(), QStringLiteral("BurningProcessComplete"));
    EXPECT_FALSE(QFileInfo::exists(cue));
    EXPECT_FALSE(QFileInfo::exists(bin));

    // Only a write both settings ask for is real: TestMode off but RealWrite off still simulates.
    events.clear();
    writer->AddTrack(homeDir() + QStringLiteral("t0.wav"));
    writer->TestMode(false);
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(outcome.kind, BurnOutcome::TestRunDone);
    EXPECT_FALSE(QFileInfo::exists(bin));
}

TEST_F(AcdWriteTest, AbortMidTrackStopsTheUserAndLeavesNoPartialImage)
{
    ImageWriterSetup layout;
    layout.realTime = true; // paced by the manual clock: the write waits until the test moves it
    useImageWriter(layout);
    const QString p = homeDir() + QStringLiteral("long.wav");
    makeWav(p, 44100 * 5, 3);
    writer->AddTrack(p, 0);
    writer->Speed(1);
    ASSERT_EQ(writer->WriteCD(), 0);
    // The first third of a second is on the disc; the write now waits for the clock.
    ASSERT_TRUE(pumpUntil([&] {
        return std::any_of(events.begin(), events.end(),
                           [](const Event& e) { return e.what == QLatin1String("TrackPercent") && e.value > 0; });
    }));
    EXPECT_TRUE(QFileInfo::exists(bin));
    EXPECT_TRUE(writer->Writing());

    writer->Abort();
    // The abort button's handler renews the writer choice at once; the write is not disturbed.
    writer->Reset();
    EXPECT_EQ(writer->InitWriter(), 0);
    writer->SelectWriter(0);
    clock.advance(1000);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(outcome.kind, BurnOutcome::Aborted);
    const QStringList n = names();
    ASSERT_GE(n.size(), 2);
    EXPECT_EQ(n[n.size() - 2], QStringLiteral("UserStop"));
    EXPECT_EQ(n.last(), QStringLiteral("BurningProcessComplete"));
    EXPECT_FALSE(n.contains(QStringLiteral("Fixating")));
    EXPECT_FALSE(QFileInfo::exists(bin));
    EXPECT_FALSE(QFileInfo::exists(cue));
    EXPECT_FALSE(writer->Writing());
    EXPECT_EQ(writer->WriterCount(), 1);
}

TEST_F(AcdWriteTest, InjectedFailuresGiveTheirOutcomeAndMessage)
{
    struct Case {
        ImageWriterSetup::Fault fault;
        qint64 errorSector;
        int disc;
        BurnOutcome::Reason reason;
        QString message;
        bool tracksStarted;
    };
    const std::vector<Case> cases = {
        {ImageWriterSetup::NoDisc, -1, DiscNone, BurnOutcome::NoDisc, QStringLiteral("No Disc In The CD Writer"), false},
        {ImageWriterSetup::DiscNotBlank, -1, DiscNotBlank, BurnOutcome::DiscNotBlank,
         QStringLiteral("The Disc In The CD Writer Is Not A Blank CD-R"), false},
        {ImageWriterSetup::WriteErrorAt, 100, DiscBlank, BurnOutcome::WriteError, QStringLiteral("Write Error At Sector 100"),
         true},
    };
    const QString p = homeDir() + QStringLiteral("a.wav");
    makeWav(p, 44100 * 2, 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        events.clear();
        ImageWriterSetup layout;
        layout.fault = c.fault;
        layout.errorSector = c.errorSector;
        useImageWriter(layout);
        EXPECT_EQ(writer->CheckDisc(), c.disc);
        writer->AddTrack(p, 0);
        ASSERT_EQ(writer->WriteCD(), 0);
        ASSERT_TRUE(waitForEnd());
        EXPECT_EQ(outcome.kind, BurnOutcome::Failed);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(outcome.message, c.message);
        EXPECT_EQ(writer->LastOutcome().reason, c.reason);
        const QStringList n = names();
        EXPECT_EQ(n.last(), QStringLiteral("BurningProcessComplete"));
        EXPECT_EQ(n.contains(QStringLiteral("ActTrack")), c.tracksStarted);
        EXPECT_FALSE(n.contains(QStringLiteral("Fixating")));
        EXPECT_FALSE(n.contains(QStringLiteral("UserStop")));
        EXPECT_TRUE(std::any_of(events.begin(), events.end(), [&](const Event& e) {
            return e.what == QLatin1String("InfoMessage") && e.text == c.message;
        }));
        EXPECT_FALSE(QFileInfo::exists(bin));
        EXPECT_FALSE(QFileInfo::exists(cue));
    }
}

TEST_F(AcdWriteTest, AnExistingImageIsAUsedDiscAndIsLeftAlone)
{
    writeAll(cue, "FILE \"Burned.bin\" BINARY\n");
    writeAll(bin, QByteArray(2352, 'x'));
    useImageWriter();
    EXPECT_EQ(writer->CheckDisc(), DiscNotBlank);
    const QString p = homeDir() + QStringLiteral("a.wav");
    makeWav(p, 1000, 1);
    writer->AddTrack(p);
    ASSERT_EQ(writer->WriteCD(), 0);
    ASSERT_TRUE(waitForEnd());
    EXPECT_EQ(outcome.reason, BurnOutcome::DiscNotBlank);
    EXPECT_EQ(readAll(bin), QByteArray(2352, 'x'));
    EXPECT_EQ(readAll(cue), QByteArray("FILE \"Burned.bin\" BINARY\n"));
}

TEST_F(AcdWriteTest, TracksAreCheckedBeforeTheWriteAndARefusalWritesNothing)
{
    const QString good = homeDir() + QStringLiteral("good.wav");
    makeWav(good, 44100, 1);
    const QString mono = homeDir() + QStringLiteral("mono.wav");
    makeWav(mono, 44100, 1, 44100, 1);
    const QString low = homeDir() + QStringLiteral("low.wav");
    makeWav(low, 22050, 1, 22050, 2);
    const QString high = homeDir() + QStringLiteral("high.wav");
    makeWav(high, 48000, 1, 48000, 2);
    const QString eight = homeDir() + QStringLiteral("eight.wav");
    makeWav(eight, 44100, 1, 44100, 2, SF_FORMAT_PCM_U8);
    const QString text = homeDir() + QStringLiteral("text.wav");
    writeAll(text, "not a sound file");
    const QString missing = homeDir() + QStringLiteral("missing.wav");

    ImageWriterSetup small;
    small.capacitySectors = 100; // 44,100 frames take 75 sectors: two of them do not fit
    useImageWriter(small);
    struct Case {
        QStringList tracks;
        int result;
        BurnOutcome::Reason reason;
    };
    const std::vector<Case> cases = {
        {{good, mono}, ACDWRITE::RefusedBadTrack, BurnOutcome::BadTrack},
        {{low}, ACDWRITE::RefusedBadTrack, BurnOutcome::BadTrack},
        {{high}, ACDWRITE::RefusedBadTrack, BurnOutcome::BadTrack},
        {{eight}, ACDWRITE::RefusedBadTrack, BurnOutcome::BadTrack},
        {{text}, ACDWRITE::RefusedBadTrack, BurnOutcome::BadTrack},
        {{missing}, ACDWRITE::RefusedBadTrack, BurnOutcome::BadTrack},
        {{good, good}, ACDWRITE::RefusedTooLong, BurnOutcome::TooLong},
        {{}, ACDWRITE::RefusedNoTracks, BurnOutcome::NoTracks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tracks.join(QLatin1Char(' ')).toStdString());
        for (const QString& t : c.tracks)
            writer->AddTrack(t);
        EXPECT_EQ(writer->WriteCD(), c.result);
        EXPECT_EQ(writer->LastOutcome().kind, BurnOutcome::Failed);
        EXPECT_EQ(writer->LastOutcome().reason, c.reason);
        EXPECT_FALSE(writer->LastOutcome().message.isEmpty());
        if (c.reason == BurnOutcome::BadTrack) {
            EXPECT_TRUE(writer->LastOutcome().message.endsWith(c.tracks.last()));
        }
        // The refused list is used up: the next burn starts from an empty list.
        EXPECT_TRUE(writer->Tracks().isEmpty());
        EXPECT_FALSE(writer->Writing());
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(QFileInfo::exists(bin));

    // Without a current writer nothing starts either.
    writer->SelectWriter(-1);
    writer->AddTrack(good);
    EXPECT_EQ(writer->WriteCD(), ACDWRITE::RefusedNoWriter);
    EXPECT_EQ(writer->CheckDisc(), DiscNoWriter);
}

TEST_F(AcdWriteTest, WritersFollowTheDriveEnumeratorAndAreAddressedByDevice)
{
    // No writer at all.
    ACDWRITE none;
    EXPECT_EQ(none.InitWriter(), 1);
    EXPECT_EQ(none.WriterCount(), 0);
    EXPECT_EQ(none.WriterName(0), QString());
    none.SelectWriter(-1);
    EXPECT_EQ(none.WriterDriver(), 0);

    // A read-only image drive listed before the image writer: the writer is index 0 of
    // the writer list though it is the second drive.
    const QString reader = homeDir() + QStringLiteral("Reader.cue");
    const QString w1 = homeDir() + QStringLiteral("First.cue");
    const QString w2 = homeDir() + QStringLiteral("Second.cue");
    CdDrives::setInjectedImages({reader, w2, w1});
    ImageWriterSetup a;
    a.cuePath = w1;
    a.driver = 7;
    ImageWriterSetup b;
    b.cuePath = w2;
    b.name = QStringLiteral("Custom Name");
    ImageWriters::setInjected({a, b});
    ACDWRITE w;
    ASSERT_EQ(w.InitWriter(), 0);
    ASSERT_EQ(w.WriterCount(), 2);
    EXPECT_EQ(w.WriterDevice(0), w2);
    EXPECT_EQ(w.WriterName(0), QStringLiteral("Custom Name"));
    EXPECT_EQ(w.WriterDevice(1), w1);
    EXPECT_EQ(w.WriterName(1), QStringLiteral("First"));
    w.SelectWriter(1);
    EXPECT_EQ(w.WriterDriver(), 7);
    w.SelectWriter(5);
    EXPECT_EQ(w.SelectedWriter(), -1);
    EXPECT_EQ(w.WriterDriver(), 0);
}

} // namespace
