// The song library window with a real-size library: N songs in the catalogue file and their N
// files in the music folder. For each size (50,000 and 200,000 songs unless sizes are given)
// a fresh process loads the catalogue as the program does and prints the time to open and
// show the window, the slowest column sort (each column clicked twice), a search through
// every row, and its peak memory; then how the largest size's figures compare with the
// smallest's (linear growth gives the ratio of the sizes).
//
// Arguments: [sizes...]; "--run FOLDER N" is the child run of one size. QUILLORY_BENCH_HOLD_MS=ms
// holds the main window, then the song window, that long on screen (for a look in an X session).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

#include "windowbench.h"
#include "core/driveinfo.h"
#include "core/globals.h"
#include "library/catalogues.h"
#include "platform/appcontext.h"
#include "platform/forms.h"
#include "shell/frmmain.h"
#include "songs/frmsongs.h"

namespace {

// A span of time on the clock and in the process's own CPU time (which a busy machine leaves as it is).
struct Span {
    double ms = 0;
    double cpuMs = 0;
};

struct Figures {
    Span catalogue;
    Span open;
    Span sort; // the slowest
    Span search;
    double peakMb = 0;
    double catalogueMb = 0; // memory in use once the catalogue is loaded
    double shownMb = 0;     // and once the window shows its songs
};

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart()
    {
        m_wall.start();
        m_cpu = cpuMs();
    }
    Span span() const { return {double(m_wall.nsecsElapsed()) / 1e6, cpuMs() - m_cpu}; }

private:
    QElapsedTimer m_wall;
    double m_cpu = 0;
};


QString titleOf(int i) { return QStringLiteral("Song %1 of a long evening").arg(i, 6, 10, QLatin1Char('0')); }

void useFolders(const QString& root)
{
    const QString program = root + QStringLiteral("/Quillory/");
    const QString home = root + QStringLiteral("/home/");
    AppContext::setCurrent(AppContext(program, home));
    ResetGlobals();
    AppDriveRoot = home;
    DefaultMusicFolder = home + QStringLiteral("My Music/");
    MusicFolder = home + QStringLiteral("Music/");
}

// The catalogue file and the music folder of n songs. The catalogue holds the songs in
// another order than the folder lists them.
void makeLibrary(const QString& root, int n)
{
    WindowBench::useNoSkin(root + QStringLiteral("/Quillory/"));
    QDir().mkpath(root + QStringLiteral("/home/Music"));
    QDir().mkpath(root + QStringLiteral("/home/My Music"));
    useFolders(root);
    colMp3 songs;
    songs.setFileName(QStringLiteral("MP3.mpd"));
    for (int i = n - 1; i >= 0; --i)
        songs.Add(titleOf(i), QStringLiteral("Artist %1").arg((i * 7919) % 997),
                  QStringLiteral("%1:%2").arg(i % 9 + 1).arg(i % 60, 2, 10, QLatin1Char('0')),
                  QStringLiteral("Album %1").arg((i * 31) % 5003), QStringLiteral("Genre %1").arg(i % 40), QString(),
                  QString());
    songs.SaveFile();
    for (int i = 0; i < n; ++i) {
        QFile f(MusicFolder + titleOf(i) + QStringLiteral(".mp3"));
        if (!f.open(QIODevice::WriteOnly))
            std::fprintf(stderr, "could not write the music folder\n");
    }
    ResetGlobals();
}

// Lets the event loop run for ms milliseconds.
void hold(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

Figures run(const QString& root, int n)
{
    useFolders(root);
    ScopedMountTable mounts({{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/vda"), false}});
    Figures fig;
    Stopwatch t;
    SongLibrary = std::make_unique<colMp3>();
    SongLibrary->setFileName(QStringLiteral("MP3.mpd"));
    SongLibrary->OpenFile();
    Playlists = std::make_unique<colPlaylist>();
    Playlists->setFileName(QStringLiteral("playlist.mpd"));
    fig.catalogue = t.span();
    fig.catalogueMb = WindowBench::residentMb();

    // In a real X session the window may be held on screen to be looked at (QUILLORY_BENCH_HOLD_MS):
    // the main window first, then the song window opened from it, as a user opens it.
    const int holdMs = qEnvironmentVariableIntValue("QUILLORY_BENCH_HOLD_MS");
    if (holdMs > 0) {
        const QString drive = AppDriveRoot, defaultFolder = DefaultMusicFolder, folder = MusicFolder;
        Forms::get<frmMain>().Show();
        // The main window's start may have read other folders from the settings.
        AppDriveRoot = drive;
        DefaultMusicFolder = defaultFolder;
        MusicFolder = folder;
        hold(holdMs);
    }
    t.restart();
    frmSongs& w = Forms::get<frmSongs>();
    w.Show();
    QCoreApplication::processEvents();
    fig.open = t.span();
    fig.shownMb = WindowBench::residentMb();
    if (holdMs > 0)
        hold(holdMs);
    if (w.ListView2->topLevelItemCount() != n)
        std::fprintf(stderr, "listed %d rows of %d\n", w.ListView2->topLevelItemCount(), n);

    for (int column = 1; column <= 5; ++column)
        for (int click = 0; click < 2; ++click) {
            t.restart();
            w.ListView2_ColumnClick(column);
            QCoreApplication::processEvents();
            const Span s = t.span();
            if (s.ms > fig.sort.ms)
                fig.sort = s;
        }

    // A text no row holds: every row is tested, then the not-found message.
    w.text1->setText(QStringLiteral("no such words"));
    t.restart();
    w.SSSearch_Click();
    QCoreApplication::processEvents();
    fig.search = t.span();

    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    fig.peakMb = double(use.ru_maxrss) / 1024.0;
    Forms::reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ResetGlobals();
    return fig;
}

// One size in a process of its own, so that its peak memory is its own.
bool runChild(const QString& self, int n, Figures& fig)
{
    QTemporaryDir tmp;
    makeLibrary(tmp.path(), n);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, {QStringLiteral("--run"), tmp.path(), QString::number(n)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return false;
    const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
    if (f.size() != 11)
        return false;
    const auto v = [&](int i) { return f[i].toDouble(); };
    fig = {{v(0), v(1)}, {v(2), v(3)}, {v(4), v(5)}, {v(6), v(7)}, v(8), v(9), v(10)};
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const WindowBench bench;

    const QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("--run")) {
        const Figures f = run(args[1], args[2].toInt());
        for (const Span& s : {f.catalogue, f.open, f.sort, f.search})
            std::printf("%.1f %.1f ", s.ms, s.cpuMs);
        std::printf("%.1f %.1f %.1f\n", f.peakMb, f.catalogueMb, f.shownMb);
        return 0;
    }
    QList<int> sizes;
    for (const QString& a : args)
        sizes << a.toInt();
    if (sizes.isEmpty())
        sizes = {50000, 200000};
    std::vector<std::pair<int, Figures>> all;
    for (int n : sizes) {
        Figures f;
        if (!runChild(app.applicationFilePath(), n, f)) {
            std::fprintf(stderr, "the run of %d songs failed\n", n);
            return 1;
        }
        std::printf("%7d songs (ms on the clock, CPU ms in brackets): catalogue %.1f (%.1f)   open and show %.1f (%.1f)"
                    "   slowest sort %.1f (%.1f)   search %.1f (%.1f)\n        peak %.1f MB; in use %.1f MB with the"
                    " catalogue, %.1f MB with the window shown\n",
                    n, f.catalogue.ms, f.catalogue.cpuMs, f.open.ms, f.open.cpuMs, f.sort.ms, f.sort.cpuMs, f.search.ms,
                    f.search.cpuMs, f.peakMb, f.catalogueMb, f.shownMb);
        std::fflush(stdout);
        all.emplace_back(n, f);
    }
    if (all.size() >= 2) {
        const auto& [n0, a] = all.front();
        const auto& [n1, b] = all.back();
        std::printf("%d / %d: open %.2fx (CPU %.2fx)   sort %.2fx (CPU %.2fx)   search %.2fx (CPU %.2fx)   peak memory "
                    "%.2fx   (sizes %.1fx)\n",
                    n1, n0, b.open.ms / a.open.ms, b.open.cpuMs / a.open.cpuMs, b.sort.ms / a.sort.ms,
                    b.sort.cpuMs / a.sort.cpuMs, b.search.ms / a.search.ms, b.search.cpuMs / a.search.cpuMs,
                    b.peakMb / a.peakMb, double(n1) / n0);
    }
    std::printf("goals at 200,000: open and show under 1000 ms, sort under 300 ms, search under 100 ms, peak under "
                "300 MB; growth from 50,000 at most 4.5x in time, 4x in memory\n");
    return 0;
}
