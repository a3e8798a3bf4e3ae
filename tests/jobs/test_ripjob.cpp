// The rip-and-encode job on its own: a disc image read by the real reading control, scripted
// encoder processes, no window.
#include <QDir>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>

#include "controls/acd.h"
#include "platform/errors.h"
#include "core/globals.h"
#include "discimage.h"
#include "fakeencoder.h"
#include "fixture.h"
#include "core/writablefolder.h"
#include "jobs/ripencodejob.h"
#include "platform/cddrives.h"
#include "platform/folderaccess.h"
#include "platform/freespace.h"
#include "pump.h"

#define DO_NOT_WANT_PARANOIA_COMPATIBILITY
#include <cdio/paranoia/paranoia.h>

namespace {
struct ScriptedEncoders : ChildProcessFactory {
    FakeEncoder::Script script;
    std::unique_ptr<ChildProcess> create() override { return std::make_unique<FakeEncoder>(script); }
};

constexpr int kFrames = 150;
constexpr qint64 kWavBytes = 44 + kFrames * 2352;
} // namespace

class RipJob : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        SongLibrary = std::make_unique<colMp3>();
        Playlists = std::make_unique<colPlaylist>();
        Categories = std::make_unique<colCategory>();
        MusicFolder = homeDir() + QStringLiteral("My Music/");
        QDir().mkpath(MusicFolder);
        DiscImage::Layout layout;
        for (int i = 0; i < 3; ++i)
            layout.tracks.push_back({DiscImage::tonePcm(kFrames, i + 1), 0, false});
        CdDrives::setInjectedImages({DiscImage::write(programDir(), QStringLiteral("disc"), layout)});
        ASSERT_EQ(reader.SelectDrive(1), 0);
        setChildProcesses(&encoders);
        setFreeBytesProbe([this](const QString&) { return freeBytes; });
        EncoderMode = QStringLiteral("CBR1");
    }
    void TearDown() override
    {
        reader.StopRead();
        setFreeBytesProbe(nullptr);
        setChildProcesses(nullptr);
        CdDrives::setInjectedImages({});
        AppFixture::TearDown();
    }
    RipPlan plan(int mode, int tracks = 3) const
    {
        RipPlan p;
        p.folder = MusicFolder;
        p.outputMode = mode;
        p.artist = QStringLiteral("The Band");
        p.album = QStringLiteral("The Disc");
        p.category = QStringLiteral("Category");
        for (int t = 1; t <= tracks; ++t)
            p.tracks.push_back({static_cast<int16_t>(t), QString(), QStringLiteral("00:02")});
        return p;
    }
    // Runs the job to its end; the clock moves on while events run, so its pauses pass.
    JobOutcome run(RipEncodeJob& job)
    {
        JobOutcome outcome = JobOutcome::failed(QStringLiteral("did not end"));
        QObject::connect(&job, &Job::finished, [&](const JobOutcome& o) { outcome = o; });
        QObject::connect(&job, &Job::percent, [this](int v) { percents.push_back(v); });
        job.start();
        runningSeen = ConversionRunning;
        EXPECT_TRUE(pumpUntil([&] {
            clock.advance(50);
            return !job.running();
        }));
        return outcome;
    }
    QStringList files() const { return QDir(MusicFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    ACD reader;
    ScriptedEncoders encoders;
    qint64 freeBytes = qint64(1) << 40;
    std::vector<int> percents;
    int runningSeen = 0;
};

TEST_F(RipJob, RunsEveryTrackInOrderReadingTheNextWhileOneEncodes)
{
    RipPlan p = plan(1);
    p.tracks[0].name = QStringLiteral("Same");
    p.tracks[1].name = QStringLiteral("Same");
    p.tracks[2].name = QStringLiteral("  "); // blank: the track's number names it
    p.playlist = QStringLiteral("Mix");
    RipEncodeJob job(p, reader);
    QStringList seen;
    QObject::connect(&job, &Job::nextTrack,
                     [&](int n, int of) { seen << QStringLiteral("track %1 of %2").arg(n).arg(of); });
    QObject::connect(&job, &RipEncodeJob::readStarted,
            [&](int t, bool ahead) { seen << QStringLiteral("read %1%2").arg(t).arg(ahead ? " ahead" : ""); });
    QObject::connect(&job, &RipEncodeJob::trackDone,
                     [&](int n, const QString& title) { seen << QStringLiteral("done %1 %2").arg(n).arg(title); });
    // Each encoder but the last ends only once the next track is read in full.
    encoders.script.endsWhen = [&] {
        const QFileInfo ahead(MusicFolder + ".readahead.wav");
        return encoders.script.started.size() == 3 || !ahead.exists() || ahead.size() == kWavBytes;
    };
    QStringList wavSizes;
    encoders.script.onStart = [&](size_t) {
        const QStringList& args = encoders.script.started.back();
        wavSizes << QString::number(QFileInfo(args.at(args.size() - 2)).size());
    };

    const JobOutcome outcome = run(job);
    EXPECT_EQ(outcome.kind, JobOutcome::Done);
    EXPECT_EQ(runningSeen, 1);
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_EQ(job.tracksDone(), 3);
    EXPECT_EQ(seen, (QStringList{"track 1 of 3", "read 1", "read 2 ahead", "done 1 Same", "track 2 of 3",
                                 "read 3 ahead", "done 2 Same(1)", "track 3 of 3", "done 3 Track No. 3"}));
    EXPECT_EQ(wavSizes, QStringList(3, QString::number(kWavBytes)));
    EXPECT_EQ(percents.back(), 100);
    // lame's command: the preset's options, no bit rate when none is chosen, the two paths.
    ASSERT_EQ(encoders.script.started.size(), 3u);
    EXPECT_EQ(encoders.script.started[0].mid(1),
              (QStringList{"-f", "--nohist", MusicFolder + "Same.wav", MusicFolder + "Same.mp3"}));
    EXPECT_EQ(files(), (QStringList{"Mix.lst", "Same(1).mp3", "Same.mp3", "Track No. 3.mp3"}));
    ASSERT_EQ(SongLibrary->Count(), 3);
    EXPECT_EQ(SongLibrary->Item(2)->MP3Title(), QStringLiteral("Same(1)"));
    EXPECT_EQ(SongLibrary->Item(2)->Category(), QStringLiteral("N/A"));
    ASSERT_EQ(Playlists->Count(), 3);
    EXPECT_EQ(Playlists->Item(3)->ItemNumber(), 3);
    EXPECT_EQ(readAll(MusicFolder + "Mix.lst"), QByteArray("1\r\n"));
}

// Whatever step the run is in when it is cancelled, it removes what that step left half
// made, keeps every finished track, and ends as aborted with RipAbort at -1.
TEST_F(RipJob, AbortAtEveryStepLeavesOnlyFinishedTracks)
{
    enum How { Cancel, Flag };
    const struct Case {
        const char* step;
        int mode;
        How how;
        QStringList left;
        int done;
    } cases[] = {
        {"read", 1, Cancel, {}, 0},
        {"read", 3, Flag, {}, 0},
        {"read ahead", 1, Cancel, {}, 0},
        {"read ahead", 3, Cancel, {"Track No. 1.wav"}, 0},
        {"lame", 1, Flag, {}, 0},
        {"lame", 3, Cancel, {"Track No. 1.wav"}, 0},
        {"write", 1, Cancel, {"Track No. 1.mp3"}, 1},
        {"write", 3, Flag, {"Track No. 1.mp3", "Track No. 1.wav"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.step) + " mode " + std::to_string(c.mode));
        ScriptedEncoders f;
        setChildProcesses(&f);
        QDir(MusicFolder).removeRecursively();
        QDir().mkpath(MusicFolder);
        SongLibrary = std::make_unique<colMp3>();
        RipEncodeJob job(plan(c.mode), reader);
        auto stop = [&] {
            if (c.how == Cancel)
                job.cancel();
            else
                RipAbort = -1;
        };
        const QString step = QString::fromLatin1(c.step);
        if (step == QLatin1String("read")) {
            reader.holdAtFrame(50);
            QObject::connect(&job, &Job::percent, [&](int v) {
                if (v > 0)
                    stop();
            });
        } else if (step == QLatin1String("read ahead")) {
            f.script.hold = 1;
            // The next track's read starts right after the first track's encoder: a hold set
            // then is in place before that read's thread runs.
            QObject::connect(&job, &RipEncodeJob::encoding, [&] { reader.holdAtFrame(50); });
            QObject::connect(&reader, &ACD::ActPosition, [&] {
                if (QFileInfo(MusicFolder + ".readahead.wav").size() > 44)
                    stop();
            });
        } else if (step == QLatin1String("lame")) {
            f.script.hold = 1;
            f.script.onStart = [&](size_t) { stop(); };
        } else {
            QObject::connect(&job, &RipEncodeJob::trackDone, [&] { stop(); });
        }
        const JobOutcome outcome = run(job);
        reader.holdAtFrame(-1);
        EXPECT_EQ(outcome.kind, JobOutcome::Aborted);
        EXPECT_EQ(RipAbort, -1);
        EXPECT_EQ(ConversionRunning, 0);
        EXPECT_EQ(files(), c.left);
        EXPECT_EQ(job.tracksDone(), c.done);
        EXPECT_EQ(SongLibrary->Count(), c.done);
        EXPECT_EQ(f.script.killed, step == QLatin1String("lame") || step == QLatin1String("read ahead") ? 1 : 0);
        RipAbort = 0;
    }
}

TEST_F(RipJob, WhileHeldTheRunTakesNoNextStep)
{
    RipEncodeJob job(plan(1, 1), reader);
    job.hold();
    JobOutcome outcome = JobOutcome::failed(QString());
    QObject::connect(&job, &Job::finished, [&](const JobOutcome& o) { outcome = o; });
    job.start();
    // The read ends while held: no encoder starts until the run is let go.
    ASSERT_TRUE(pumpUntil([&] { return QFileInfo(MusicFolder + "Track No. 1.wav").size() == kWavBytes; }));
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(encoders.script.started.empty());
    job.release();
    ASSERT_TRUE(pumpUntil([&] { return !job.running(); }));
    EXPECT_EQ(outcome.kind, JobOutcome::Done);
    EXPECT_EQ(files(), QStringList{"Track No. 1.mp3"});
}

// A failed encoder: the rip stays (it is good), the MP3 and the read ahead go, the run ends
// with the reason, and the error log says how lame ended.
TEST_F(RipJob, AFailedEncoderKeepsTheWavAndSaysWhy)
{
    const struct {
        bool startFails;
        QString reason;
    } cases[] = {{false, RipEncodeJob::encoderFailedText(QStringLiteral("Track No. 1.wav"))},
                 {true, RipEncodeJob::encoderMissingText()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.startFails);
        QDir(MusicFolder).removeRecursively();
        QDir().mkpath(MusicFolder);
        encoders.script = {};
        encoders.script.exitCode = 255;
        encoders.script.startFails = c.startFails;
        RipEncodeJob job(plan(1), reader);
        const JobOutcome outcome = run(job);
        EXPECT_EQ(outcome.kind, JobOutcome::Failed);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(files(), QStringList{"Track No. 1.wav"});
        EXPECT_EQ(job.tracksDone(), 0);
        EXPECT_EQ(SongLibrary->Count(), 0);
    }
    const QString log = QString::fromUtf8(readAll(programFile(QStringLiteral("QuilloryError.log"))));
    EXPECT_TRUE(log.contains(QStringLiteral("The MP3 encoder ended with exit code 255")));
    EXPECT_TRUE(log.contains(QStringLiteral("The MP3 encoder could not be started")));
}

// The disk fills: the track being written is never counted as done, the user is told the disk
// is full (naming the folder), and no half-written file is left.
TEST_F(RipJob, AFullDiskEndsTheRunWithoutAHalfTrack)
{
    const struct {
        const char* when;
        int mode;
        QStringList left;
        int done;
        const char* file;
    } cases[] = {
        {"first read", 1, {}, 0, "Track No. 1.wav"},
        {"read ahead", 1, {"Track No. 1.mp3"}, 1, "Track No. 2.wav"},
        {"read ahead", 3, {"Track No. 1.mp3", "Track No. 1.wav"}, 1, "Track No. 2.wav"},
        {"wav only", 2, {"Track No. 1.wav"}, 1, "Track No. 2.wav"},
        {"lame", 1, {"Track No. 1.wav"}, 0, "Track No. 1.mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.when) + " mode " + std::to_string(c.mode));
        QDir(MusicFolder).removeRecursively();
        QDir().mkpath(MusicFolder);
        SongLibrary = std::make_unique<colMp3>();
        encoders.script = {};
        freeBytes = qint64(1) << 40;
        reader.setRoomForFrames(-1);
        const QString when = QString::fromLatin1(c.when);
        RipEncodeJob job(plan(c.mode), reader);
        if (when == QLatin1String("first read")) {
            reader.setRoomForFrames(10);
        } else if (when == QLatin1String("lame")) {
            encoders.script.exitCode = 1;
            encoders.script.onStart = [&](size_t) { freeBytes = 0; };
        } else {
            // The first track is written whole; the disk is full from the second on. The
            // second track's read starts right after the first track's encoder (read ahead),
            // or right after the first track is done when nothing is encoded: the room goes
            // then, before that read's thread runs.
            const auto fill = [&] { reader.setRoomForFrames(10); };
            QObject::connect(&job, &RipEncodeJob::encoding, fill);
            QObject::connect(&job, &RipEncodeJob::trackDone, fill);
        }
        const JobOutcome outcome = run(job);
        EXPECT_EQ(outcome.kind, JobOutcome::Failed);
        EXPECT_EQ(outcome.reason, DiskFullText(MusicFolder, QString::fromLatin1(c.file)));
        EXPECT_EQ(files(), c.left);
        EXPECT_EQ(job.tracksDone(), c.done);
        EXPECT_EQ(SongLibrary->Count(), c.mode == 2 ? 0 : c.done);
    }
    reader.setRoomForFrames(-1);
}

TEST_F(RipJob, TellsEachTrackReadWithSectorsThatWereNotReadExactly)
{
    // Every read (the ones read ahead too) has one sector skipped and one repaired.
    reader.setParanoiaReports({{5, PARANOIA_CB_SKIP}, {90, PARANOIA_CB_REPAIR}, {91, PARANOIA_CB_READ}});
    RipEncodeJob job(plan(1), reader);
    QStringList seen;
    QObject::connect(&job, &Job::nextTrack, [&](int n, int) { seen << QStringLiteral("track %1").arg(n); });
    QObject::connect(&job, &Job::infoMessage, [&](const QString& text, Job::InfoKind kind) {
        seen << text + (kind == Job::Warning ? QStringLiteral(" (warning)") : QString());
    });
    QObject::connect(&job, &RipEncodeJob::trackDone, [&](int n, const QString&) { seen << QStringLiteral("done %1").arg(n); });
    EXPECT_EQ(run(job).kind, JobOutcome::Done);
    QStringList expected;
    for (int n = 1; n <= 3; ++n)
        expected << QStringLiteral("track %1").arg(n) << QStringLiteral("2 sectors could not be read exactly (warning)")
                 << QStringLiteral("done %1").arg(n);
    EXPECT_EQ(seen, expected);
}

// The folder stops taking files after the first track: the track read ahead cannot take its
// name. The run says the file could not be written (naming the folder when it is read-only),
// never that the disc cannot be read, and leaves only the finished track.
TEST_F(RipJob, AFolderThatStopsTakingFilesIsToldAsAWriteFailure)
{
    const struct {
        bool readOnly;
        QString reason;
    } cases[] = {{true, FolderNotWritableText(MusicFolder, QStringLiteral("WAV"))},
                 {false, FileNotWrittenText(MusicFolder + QStringLiteral("Track No. 2.wav"))}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.readOnly);
        QDir(MusicFolder).removeRecursively();
        QDir().mkpath(MusicFolder);
        SongLibrary = std::make_unique<colMp3>();
        encoders.script = {};
        bool writable = true;
        setFolderWriteProbe([&](const QString&) { return writable; });
        RipEncodeJob job(plan(1), reader);
        // Once the second track's name is chosen, a folder takes it, so the rename cannot.
        QObject::connect(&job, &RipEncodeJob::reading, [&](int track, const QString& wavName) {
            if (track == 2) {
                QDir().mkpath(MusicFolder + wavName);
                writable = !c.readOnly;
            }
        });
        const JobOutcome outcome = run(job);
        setFolderWriteProbe(nullptr);
        EXPECT_EQ(outcome.kind, JobOutcome::Failed);
        EXPECT_EQ(outcome.reason, c.reason);
        EXPECT_EQ(files(), QStringList{"Track No. 1.mp3"});
        EXPECT_EQ(job.tracksDone(), 1);
        EXPECT_EQ(SongLibrary->Count(), 1);
    }
}

// Failures inside a track's last steps (the playlist marker, blocked by a folder of its name,
// and the tags of the fake encoder's MP3s, which hold no audio) are reported through the job,
// shown by no box of its own, and the run goes on.
TEST_F(RipJob, AFailureInsideTheRunIsReportedNotShown)
{
    RipPlan p = plan(1, 2);
    p.playlist = QStringLiteral("Mix");
    QDir().mkpath(MusicFolder + QStringLiteral("Mix.lst"));
    RipEncodeJob job(p, reader);
    QStringList logged;
    QString markerText;
    QObject::connect(&job, &Job::logError, [&](const QString& proc, int number, const QString& text) {
        logged << proc + ' ' + QString::number(number);
        if (proc == QLatin1String("sscmdEncode_Click"))
            markerText = text;
    });
    EXPECT_EQ(run(job).kind, JobOutcome::Done);
    EXPECT_EQ(logged, (QStringList{"MP3WriteTag 53", "sscmdEncode_Click 53", "MP3WriteTag 53"}));
    // The box the window shows with it names the file that was not written.
    EXPECT_TRUE(markerText.startsWith(FileNotWrittenText(MusicFolder + QStringLiteral("Mix.lst"))))
        << markerText.toStdString();
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_EQ(job.tracksDone(), 2);
    EXPECT_EQ(Playlists->Count(), 2);
}
