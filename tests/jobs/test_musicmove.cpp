// The walk that gathers MP3 files into My Music, driven without any window: what it moves and
// leaves, its signals, a cancel mid-walk, failing moves, and handlers that wait or delete it.
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

#include "jobs/musicmovejob.h"
#include "pump.h"

namespace {
struct Failure {
    QString procedure;
    int number;
    QString description;
};

class MusicMove : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + QStringLiteral("/home/");
        target = root + QStringLiteral("My Music/");
        QDir().mkpath(root);
    }
    void touch(const QString& rel, const QByteArray& bytes = "x") const
    {
        const QString path = root + rel;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    bool has(const QString& rel) const { return QFileInfo::exists(root + rel); }
    QByteArray read(const QString& rel) const
    {
        QFile f(root + rel);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList inTarget() const { return QDir(target).entryList(QDir::Files, QDir::Name); }

    // A job over the tree that records what it says.
    std::unique_ptr<MusicMoveJob> makeJob(QStringList playlists = {})
    {
        auto job = std::make_unique<MusicMoveJob>(MusicMovePlan{root, target, std::move(playlists)});
        QObject::connect(job.get(), &Job::newTask, [this](const QString& t) { tasks << t; });
        QObject::connect(job.get(), &MusicMoveJob::stepFailed, [this](const QString& procedure, const AppError& e) {
            failures.push_back({procedure, e.number, e.description});
        });
        QObject::connect(job.get(), &Job::finished, [this](const JobOutcome& o) { outcomes.push_back(o); });
        return job;
    }
    void runToEnd(MusicMoveJob& job)
    {
        job.start();
        ASSERT_TRUE(pumpUntil([&] { return !outcomes.empty(); }));
        EXPECT_FALSE(job.running());
    }

    QTemporaryDir tmp;
    QString root, target;
    QStringList tasks;
    std::vector<Failure> failures;
    std::vector<JobOutcome> outcomes;
};
} // namespace

TEST_F(MusicMove, GathersTheTreeAndLeavesWhatMustStay)
{
    touch(QStringLiteral("a/Song.MP3"), "song");
    touch(QStringLiteral("My Music/same.mp3"), "12345");
    touch(QStringLiteral("b/same.mp3"), "abcde");        // same size: the same song, stays
    touch(QStringLiteral("My Music/other.mp3"), "1");
    touch(QStringLiteral("My Music/other(1).mp3"), "22");
    touch(QStringLiteral("c/d/other.mp3"), "333");       // other size: the next free number
    touch(QStringLiteral("My Music/top.mp3"), "top");    // already there: untouched
    touch(QStringLiteral("My Music/sub/deep.mp3"), "deep");
    touch(QStringLiteral(".hidden/h.mp3"));
    touch(QStringLiteral("notes.txt"));
    touch(QStringLiteral("lists/rock.lst"));             // a stored playlist's marker
    touch(QStringLiteral("lists/Pop.lst"));              // no such playlist
    QDir().mkpath(tmp.path() + QStringLiteral("/outside"));
    QFile(tmp.path() + QStringLiteral("/outside/o.mp3")).open(QIODevice::WriteOnly);
    QFile::link(tmp.path() + QStringLiteral("/outside"), root + QStringLiteral("link"));
    QFile::link(root + QStringLiteral("a/Song.MP3"), root + QStringLiteral("songlink.mp3"));

    auto job = makeJob({QStringLiteral("Rock")});
    runToEnd(*job);

    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].kind, JobOutcome::Done);
    EXPECT_EQ(tasks, QStringList{QStringLiteral("Moving MP3 Files to ") + root +
                                 QStringLiteral("My Music Folder. Please Wait...")});
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(inTarget(), (QStringList{"Song.mp3", "deep.mp3", "other(1).mp3", "other(2).mp3", "other.mp3",
                                       "rock.lst", "same.mp3", "top.mp3"}));
    EXPECT_EQ(read(QStringLiteral("My Music/other(2).mp3")), QByteArray("333"));
    EXPECT_EQ(read(QStringLiteral("My Music/same.mp3")), QByteArray("12345"));
    for (const char* stays : {"b/same.mp3", ".hidden/h.mp3", "notes.txt", "lists/Pop.lst", "songlink.mp3"})
        EXPECT_TRUE(QFileInfo(root + QString::fromLatin1(stays)).exists() ||
                    QFileInfo(root + QString::fromLatin1(stays)).isSymLink())
            << stays;
    EXPECT_TRUE(QFile::exists(tmp.path() + QStringLiteral("/outside/o.mp3")));

    // Started again, it finds nothing more to do.
    outcomes.clear();
    runToEnd(*job);
    EXPECT_EQ(outcomes.at(0).kind, JobOutcome::Done);
    EXPECT_EQ(inTarget().size(), 8);
}

// Cancelled at once or between two batches: it ends Aborted, every file is in exactly one
// place, and a later walk gathers the rest.
TEST_F(MusicMove, ACancelEndsTheWalkWithNothingLost)
{
    const int files = 5 * MusicMoveJob::kBatch;
    for (int i = 0; i < files; ++i)
        touch(QStringLiteral("many/%1.mp3").arg(i, 4, 10, QLatin1Char('0')));

    for (const bool atOnce : {true, false}) {
        SCOPED_TRACE(atOnce ? "cancelled at once" : "cancelled mid-walk");
        outcomes.clear();
        auto job = makeJob();
        job->start();
        if (!atOnce) {
            ASSERT_TRUE(pumpUntil([&] { return !inTarget().isEmpty(); }));
        }
        job->cancel();
        job->cancel(); // twice is the same as once
        ASSERT_TRUE(pumpUntil([&] { return !outcomes.empty(); }));
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].kind, JobOutcome::Aborted);
        const int moved = static_cast<int>(inTarget().size());
        const int left = static_cast<int>(QDir(root + QStringLiteral("many")).entryList(QDir::Files).size());
        EXPECT_EQ(moved + left, files);
        EXPECT_LT(moved, atOnce ? 1 : files);
        job->cancel(); // after the end: nothing happens
        QCoreApplication::processEvents();
        EXPECT_EQ(outcomes.size(), 1u);
    }
    outcomes.clear();
    runToEnd(*makeJob());
    EXPECT_EQ(inTarget().size(), files);
}

// A name as long as a file name may be (255 bytes): taken in My Music by a file of another
// size, its numbered name "(1)" is too long, and that move fails.
QString longName() { return QString(251, QLatin1Char('n')) + QStringLiteral(".mp3"); }

// A move that fails is reported for the error log, the file stays, and the walk goes on.
TEST_F(MusicMove, AFailingMoveIsReportedAndTheWalkGoesOn)
{
    const struct {
        const char* what;
        bool targetBlocked;   // a file stands where the My Music folder should be made
        std::vector<std::pair<QString, int>> expected; // procedure and error number
    } cases[] = {
        {"numbered name too long", false, {{QStringLiteral("checkduplicatemp3"), Err::PathFileAccess}}},
        {"My Music cannot be made", true,
         {{QStringLiteral("MoveAllMP3Files"), Err::PathNotFound},
          {QStringLiteral("checkduplicatemp3"), Err::PathFileAccess}}},
    };
    const QString song = QStringLiteral("x/") + longName();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(root).removeRecursively();
        QDir().mkpath(root);
        failures.clear();
        outcomes.clear();
        if (c.targetBlocked) {
            QFile blocker(root + QStringLiteral("My Music"));
            ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        } else {
            touch(QStringLiteral("My Music/") + longName(), "1");
            touch(QStringLiteral("z/fine.mp3"));
        }
        touch(song, "22");
        runToEnd(*makeJob());
        EXPECT_EQ(outcomes.at(0).kind, JobOutcome::Done);
        ASSERT_EQ(failures.size(), c.expected.size());
        for (size_t i = 0; i < failures.size(); ++i) {
            EXPECT_EQ(failures[i].procedure, c.expected[i].first);
            EXPECT_EQ(failures[i].number, c.expected[i].second);
        }
        EXPECT_EQ(failures.back().description, QStringLiteral("Path/File access error: ") + root + song);
        EXPECT_EQ(read(song), QByteArray("22"));
        if (!c.targetBlocked) {
            EXPECT_EQ(inTarget(), (QStringList{QStringLiteral("fine.mp3"), longName()}));
        }
    }
}

// A failure's handler may wait in a nested loop (the error box) or delete the job: the walk
// never moves on under a waiting handler, and a deleted job stops without touching itself.
TEST_F(MusicMove, AHandlerThatWaitsOrDeletesTheJobIsSafe)
{
    touch(QStringLiteral("My Music/") + longName(), "1");
    touch(QStringLiteral("a/") + longName(), "22");
    for (int i = 0; i < 3 * MusicMoveJob::kBatch; ++i)
        touch(QStringLiteral("b/%1.mp3").arg(i));

    {
        auto job = makeJob();
        int movedDuringWait = -1;
        QObject::connect(job.get(), &MusicMoveJob::stepFailed, [&] {
            const qsizetype before = inTarget().size();
            QEventLoop wait;
            int turns = 0;
            QTimer tick;
            QObject::connect(&tick, &QTimer::timeout, [&] {
                if (++turns == 20)
                    wait.quit();
            });
            tick.start(0);
            wait.exec();
            movedDuringWait = static_cast<int>(inTarget().size() - before);
        });
        runToEnd(*job);
        EXPECT_EQ(movedDuringWait, 0);
        EXPECT_EQ(outcomes.at(0).kind, JobOutcome::Done);
        EXPECT_EQ(inTarget().size(), 3 * MusicMoveJob::kBatch + 1);
    }

    // Put the files back and let the handler delete the job at its failure.
    for (const QString& f : inTarget())
        if (f != longName())
            QFile::rename(target + f, root + QStringLiteral("b/") + f);
    outcomes.clear();
    auto* job = makeJob().release();
    QPointer<MusicMoveJob> watch(job);
    QObject::connect(job, &MusicMoveJob::stepFailed, [job] { delete job; });
    job->start();
    ASSERT_TRUE(pumpUntil([&] { return watch.isNull(); }));
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(outcomes.empty());
    EXPECT_TRUE(has(QStringLiteral("a/") + longName()));
}
