// A song catalogue ("MP3.mpd") against a plain read, write and fsync of the same bytes, in the
// same run, for 10,000 and 100,000 songs: loading plus saving (goal: at most 3 times the plain
// figure; 100,000 songs at most 12 times 10,000), and the path a user takes, which loads,
// reads every song's texts (as the song window, the play lists and the burner do) and saves
// (goal: at most 5 times the plain figure).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "library/catalogues.h"
#include "platform/appcontext.h"

namespace {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString fileFor(int n) { return workDir().path() + QStringLiteral("/MP3-%1.mpd").arg(n); }

void fill(colMp3& songs, int n)
{
    for (int i = 0; i < n; ++i)
        songs.Add(QStringLiteral("Song number %1 – a fairly usual title").arg(i), QStringLiteral("Artist %1").arg(i % 997),
                  QStringLiteral("%1:%2").arg(i % 9 + 1).arg(i % 60, 2, 10, QLatin1Char('0')),
                  QStringLiteral("Album %1 – Björk’s best").arg(i % 5003), QStringLiteral("Rock"),
                  i % 10 == 0 ? QStringLiteral("cover %1.jpg").arg(i % 50) : QString(),
                  i % 25 == 0 ? QStringLiteral("Notes\r\nover two lines") : QString());
}

double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

// The same bytes read, then written to another file and flushed to disk.
double plainReadWrite(const QString& path)
{
    QElapsedTimer t;
    t.start();
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray bytes = in.readAll();
    in.close();
    QFile out(path + QStringLiteral(".plain"));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    out.write(bytes);
    out.flush();
    ::fsync(out.handle());
    out.close();
    return msSince(t);
}

// The catalogue: OpenFile, then SaveFile (which writes and flushes its own file). With
// useAll, every song's texts are read in between.
double loadAndSave(const QString& path, int expected, bool useAll = false)
{
    rusage r0{};
    getrusage(RUSAGE_SELF, &r0);
    QElapsedTimer t;
    t.start();
    colMp3 songs;
    songs.setFileName(path);
    songs.OpenFile();
    const double loadMs = msSince(t);
    if (useAll) {
        qsizetype chars = 0;
        for (const auto& song : songs)
            chars += song->MP3Title().size() + song->artist().size() + song->Length().size() +
                     song->CDTitle().size() + song->Category().size() + song->Cover().size() + song->Notes().size();
        if (chars == 0)
            std::fprintf(stderr, "no texts read\n");
    }
    rusage r1{};
    getrusage(RUSAGE_SELF, &r1);
    songs.SaveFile();
    if (qEnvironmentVariableIsSet("BENCH_ROUNDS"))
        std::printf("  load %.1f ms (%ld faults), save %.1f ms\n", loadMs, r1.ru_minflt - r0.ru_minflt, msSince(t) - loadMs);
    const double ms = msSince(t);
    if (songs.Count() != expected)
        std::fprintf(stderr, "loaded %d of %d songs\n", songs.Count(), expected);
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Figures {
    double plainMs;
    double catalogueMs;
    double usedMs; // every song's texts read between the load and the save
};

Figures measure(int n)
{
    {
        colMp3 songs;
        songs.setFileName(fileFor(n));
        fill(songs, n);
        songs.SaveFile();
    }
    std::vector<double> plain, catalogue, used;
    for (int round = 0; round < 7; ++round) {
        plain.push_back(plainReadWrite(fileFor(n)));
        catalogue.push_back(loadAndSave(fileFor(n), n));
        used.push_back(loadAndSave(fileFor(n), n, true));
        if (qEnvironmentVariableIsSet("BENCH_ROUNDS")) std::printf("round %d: %.1f %.1f\n", round, plain.back(), catalogue.back());
    }
    return {median(plain), median(catalogue), median(used)};
}

} // namespace

int main(int argc, char** argv)
{
    // The loader lets the event loop run between records, as it does in the program.
    QCoreApplication app(argc, argv);
    AppContext::setCurrent(AppContext(workDir().path() + QLatin1Char('/'), workDir().path() + QLatin1Char('/')));
    const Figures small = measure(10000);
    const Figures large = measure(100000);
    for (const auto& [n, f] : {std::pair{10000, small}, std::pair{100000, large}})
        std::printf("%7d songs (%6.1f MB): plain read+write+fsync %7.1f ms   load+save %7.1f ms   ratio %.2f\n", n,
                    double(QFile(fileFor(n)).size()) / 1e6, f.plainMs, f.catalogueMs, f.catalogueMs / f.plainMs);
    // The user's path: every song's texts read between the load and the save.
    std::printf("100000 songs, load + read every song + save: %7.1f ms   ratio %.2f (goal: at most 5)\n", large.usedMs,
                large.usedMs / large.plainMs);
    std::printf("100,000 / 10,000 songs: load+save costs %.1fx (goal: at most 12); ratio goal: at most 3\n",
                large.catalogueMs / small.catalogueMs);
    return 0;
}
