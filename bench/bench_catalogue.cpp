// Loading and saving a large song catalogue ("MP3.mpd"). Both should grow linearly with the
// number of records: run with the default sizes (10k, 50k, 100k songs) and compare.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "library/catalogues.h"
#include "platform/appcontext.h"

namespace {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString fileFor(int64_t n) { return workDir().path() + QStringLiteral("/MP3-%1.mpd").arg(n); }

void fill(colMp3& songs, int64_t n)
{
    for (int64_t i = 0; i < n; ++i)
        songs.Add(QStringLiteral("Song number %1 – a fairly usual title").arg(i), QStringLiteral("Artist %1").arg(i % 997),
                  QStringLiteral("%1:%2").arg(i % 9 + 1).arg(i % 60, 2, 10, QLatin1Char('0')),
                  QStringLiteral("Album %1").arg(i % 5003), QStringLiteral("Rock"), QString(), QString());
}

// Writes the catalogue file a load benchmark reads.
void prepare(int64_t n)
{
    colMp3 songs;
    songs.setFileName(fileFor(n));
    fill(songs, n);
    songs.SaveFile();
}

void BM_LoadSongCatalogue(benchmark::State& state)
{
    const int64_t n = state.range(0);
    prepare(n);
    for (auto _ : state) {
        colMp3 songs;
        songs.setFileName(fileFor(n));
        songs.OpenFile();
        if (songs.Count() != n)
            state.SkipWithError("wrong record count");
        benchmark::DoNotOptimize(songs.Count());
    }
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_SaveSongCatalogue(benchmark::State& state)
{
    const int64_t n = state.range(0);
    colMp3 songs;
    songs.setFileName(fileFor(n) + QStringLiteral(".saved"));
    fill(songs, n);
    for (auto _ : state)
        songs.SaveFile();
    state.SetComplexityN(n);
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_LoadSongCatalogue)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_SaveSongCatalogue)->Arg(10000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace

int main(int argc, char** argv)
{
    // The loader lets the event loop run between records, as it does in the program.
    QCoreApplication app(argc, argv);
    AppContext::setCurrent(AppContext(workDir().path(), workDir().path()));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
