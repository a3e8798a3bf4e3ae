// The song library window with a real-size library: N songs in the catalogue and their N
// files in the music folder. Prints, for 10,000 and 50,000 songs, the time to open and show
// the window, the slowest column sort (each column clicked twice) and a search through every
// row, then how the 50,000 figures compare with the 10,000 ones (linear growth gives about 5).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "controls/audiosink.h"
#include "controls/uisound.h"
#include "core/driveinfo.h"
#include "core/globals.h"
#include "library/catalogues.h"
#include "platform/appcontext.h"
#include "platform/forms.h"
#include "platform/prompt.h"
#include "songs/frmsongs.h"

namespace {

struct Figures {
    double openMs = 0;
    double sortMs = 0;
    double searchMs = 0;
};

double msSince(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

QString titleOf(int i) { return QStringLiteral("Song %1 of a long evening").arg(i, 6, 10, QLatin1Char('0')); }

Figures run(int n)
{
    QTemporaryDir tmp;
    const QString program = tmp.path() + QStringLiteral("/Quillory/");
    const QString home = tmp.path() + QStringLiteral("/home/");
    QDir().mkpath(program + QStringLiteral("Skins"));
    QDir().mkpath(home + QStringLiteral("Music"));
    QDir().mkpath(home + QStringLiteral("My Music"));
    {
        QFile ini(program + QStringLiteral("Skins/skinmain.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("(No Skin)\r\n 0 \r\n");
    }
    AppContext::setCurrent(AppContext(program, home));
    ResetGlobals();
    AppDriveRoot = home;
    DefaultMusicFolder = home + QStringLiteral("My Music/");
    MusicFolder = home + QStringLiteral("Music/");
    ScopedMountTable mounts({{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/vda"), false}});

    // The catalogue holds the songs in another order than the folder lists them.
    SongLibrary = std::make_unique<colMp3>();
    SongLibrary->setFileName(QStringLiteral("MP3.mpd"));
    for (int i = n - 1; i >= 0; --i)
        SongLibrary->Add(titleOf(i), QStringLiteral("Artist %1").arg((i * 7919) % 997),
                         QStringLiteral("%1:%2").arg(i % 9 + 1).arg(i % 60, 2, 10, QLatin1Char('0')),
                         QStringLiteral("Album %1").arg((i * 31) % 5003), QStringLiteral("Genre %1").arg(i % 40),
                         QString(), QString());
    Playlists = std::make_unique<colPlaylist>();
    Playlists->setFileName(QStringLiteral("playlist.mpd"));
    for (int i = 0; i < n; ++i) {
        QFile f(MusicFolder + titleOf(i) + QStringLiteral(".mp3"));
        if (!f.open(QIODevice::WriteOnly))
            std::fprintf(stderr, "could not write the music folder\n");
    }

    Figures fig;
    QElapsedTimer t;
    t.start();
    frmSongs& w = Forms::get<frmSongs>();
    w.Show();
    QCoreApplication::processEvents();
    fig.openMs = msSince(t);
    if (w.ListView2->topLevelItemCount() != n)
        std::fprintf(stderr, "listed %d rows of %d\n", w.ListView2->topLevelItemCount(), n);

    for (int column = 1; column <= 5; ++column)
        for (int click = 0; click < 2; ++click) {
            t.restart();
            w.ListView2_ColumnClick(column);
            QCoreApplication::processEvents();
            fig.sortMs = std::max(fig.sortMs, msSince(t));
        }

    // A text no row holds: every row is tested, then the not-found message.
    w.text1->setText(QStringLiteral("no such words"));
    t.restart();
    w.SSSearch_Click();
    QCoreApplication::processEvents();
    fig.searchMs = msSince(t);

    Forms::reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ResetGlobals();
    return fig;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ScriptedPrompt prompt;
    RecordingUiSound sounds;
    setPrompts(&prompt);
    setUiSound(&sounds);
    setAudioSinkFactory(&makeNullAudioSink);

    const Figures small = run(10000);
    const Figures large = run(50000);
    for (const auto& [n, f] : {std::pair{10000, small}, std::pair{50000, large}})
        std::printf("%6d songs: open and show %8.1f ms   slowest sort %7.1f ms   search %6.1f ms\n", n, f.openMs,
                    f.sortMs, f.searchMs);
    std::printf("50,000 / 10,000: open %.1fx   sort %.1fx   search %.1fx   (linear: about 5x)\n",
                large.openMs / small.openMs, large.sortMs / small.sortMs, large.searchMs / small.searchMs);
    std::printf("goals at 50,000: open under 1000 ms, sort under 300 ms, search under 100 ms\n");
    setPrompts(nullptr);
    setUiSound(nullptr);
    setAudioSinkFactory(nullptr);
    return 0;
}
