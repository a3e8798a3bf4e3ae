#include "app/startup.h"

#include "platform/errors.h"
#include "app/frmsplash.h"
#include "app/windows.h"
#include "core/globals.h"
#include "core/instance.h"
#include "platform/appcontext.h"
#include "platform/prompt.h"
#include "platform/services.h"
#include "shell/frmmain.h"

#include <QDir>
#include <algorithm>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

double ScreenTwipsPerPixelX()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

namespace {
template <class Col> std::unique_ptr<Col> openCatalogue(Trap& trap, const QString& file)
{
    auto col = std::make_unique<Col>();
    trap([&] { col->setFileName(Ctx().programFile(file)); });
    trap([&] { col->OpenFile(); });
    return col;
}

// Runs window events until the splash has been up for the minimum time. The clock is
// monotonic, so a start just before midnight waits the same 3 seconds.
void waitForSplashTime(qint64 t0)
{
    Clock& clock = Clocks();
    const qint64 end = t0 + kSplashMinimumMs + 1;
    clock.waitUntil([&] { return clock.monotonicMs() >= end; }, std::max<qint64>(0, end - clock.monotonicMs()));
}
} // namespace

void Main()
{
    Trap trap(QStringLiteral("modMP3"), QStringLiteral("Main"));
    RegisterWindows();

    trap([] { PixelScale = 15.0 / ScreenTwipsPerPixelX(); });
    // Every run rips to MP3 only, with no encoder preset, until the settings dialog says
    // otherwise: neither is stored, and no window may depend on the dialog having loaded.
    EncodeOutputMode = 1;
    trap([] { Forms::get<frmSplash>().Show(); });
    const qint64 t0 = Clocks().monotonicMs();

    bool another = false;
    trap([&] { another = PrevInstance(); });
    if (another) {
        trap([&] { waitForSplashTime(t0); });
        trap([] { MsgBox(QStringLiteral("Quillory is already running. Check Windows taskbar for it."),
                         Mb::OKOnly | Mb::NoIcon, QStringLiteral("Quillory")); });
        trap([] { Forms::unload<frmSplash>(); });
        EndProgram(0);
    }

    SongLibrary = openCatalogue<colMp3>(trap, QStringLiteral("MP3.mpd"));
    Playlists = openCatalogue<colPlaylist>(trap, QStringLiteral("playlist.mpd"));
    RecentList = openCatalogue<colPlaylist>(trap, QStringLiteral("recent.mpd"));
    CDLibrary = openCatalogue<colCD>(trap, QStringLiteral("cd.mpd"));
    Categories = openCatalogue<colCategory>(trap, QStringLiteral("category.mpd"));

    trap([&] { waitForSplashTime(t0); });
    trap([] { Forms::unload<frmSplash>(); });

    trap([] { AppDriveRoot = Ctx().appDriveRoot(); });
    trap([] { DefaultMusicFolder = Ctx().defaultMusicFolder(); });
    trap([] {
        if (QFileInfo(DefaultMusicFolder).isDir())
            return;
        // One level only, as the folder's parent (the home folder) is expected to exist.
        if (QDir().mkdir(DefaultMusicFolder))
            return;
        if (QFileInfo::exists(DefaultMusicFolder))
            throw AppError(Err::PathFileAccess, QStringLiteral("Path/File access error"));
        throw AppError(Err::PathNotFound, QStringLiteral("Path not found"));
    });

    trap([] { Forms::get<frmMain>(); });
}
