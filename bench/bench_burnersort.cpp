// The burner's column-heading click over a long file list (its rows ordered by the column's
// text, letter case ignored) against a stable sort of the same texts by QString's own
// case-insensitive compare, in the same run. The closing line gives the median ratio.
//
// Environment: BENCH_ROWS (default 20000) rows, BENCH_ROUNDS (default 7) rounds.
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/windows.h"
#include "benchprogram.h"
#include "burner/frmburner.h"
#include "controls/acdwrite_image.h"
#include "core/globals.h"
#include "platform/cddrives.h"
#include "platform/controls.h"
#include "platform/forms.h"

namespace {

// Artist texts with many letter-case twins and repeats, in no order.
QString artistOf(int i)
{
    const int n = (i * 7919) % 5003;
    return (n % 3 == 0 ? QStringLiteral("The Artist %1") : QStringLiteral("the artist %1")).arg(n);
}

// The texts alone, sorted as the click orders them.
double sortAlone(const QStringList& texts)
{
    std::vector<QString> rows(texts.begin(), texts.end());
    QElapsedTimer t;
    t.start();
    std::stable_sort(rows.begin(), rows.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) > 0; });
    return t.nsecsElapsed() / 1e9;
}

// The window's click on the Artist heading.
double click(frmBurner& b)
{
    QElapsedTimer t;
    t.start();
    b.ListView1_ColumnClick(2);
    return t.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterWindows(); // as the program does: windows find each other by kind
    const int rows = benchSetting("BENCH_ROWS", 20000);
    const int rounds = benchSetting("BENCH_ROUNDS", 7);

    BenchProgram program;
    // One image writer and no real drive: libburn never scans the machine.
    CdDrives::setHideRealDrives(true);
    ImageWriterSetup writer;
    writer.cuePath = program.home + QStringLiteral("burned.cue");
    writer.name = QStringLiteral("Image Writer");
    CdDrives::setInjectedImages({writer.cuePath});
    ImageWriters::setInjected({writer});
    SongLibrary = std::make_unique<colMp3>();
    CDLibrary = std::make_unique<colCD>();
    program.useMusicFolder();

    frmBurner& b = Forms::get<frmBurner>();
    b.Show();
    QStringList artists;
    for (int i = 0; i < rows; ++i) {
        artists << artistOf(i);
        new ListItem(b.ListView1, {QStringLiteral("song %1.mp3").arg(i), artists.back(), QStringLiteral("3:05"),
                                   QString(), QStringLiteral("4.2 MB")});
    }
    QCoreApplication::processEvents();

    std::vector<double> ratios;
    std::printf("burner column click over %d rows\n", rows);
    for (int round = 0; round < rounds; ++round) {
        const double alone = sortAlone(artists);
        const double run = click(b); // each click turns the direction: both directions are timed
        ratios.push_back(alone > 0 ? run / alone : 0.0);
        std::printf("  sort alone %.4f s, click %.4f s: ratio %.2f\n", alone, run, ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("  median ratio: %.2f\n", ratios[ratios.size() / 2]);
    Forms::reset();
    ImageWriters::setInjected({});
    return 0;
}
