// The CD window's rip-and-encode run of 10 tracks from a disc image (read, encode with
// lame, tag, catalogue) against the lame program alone encoding the same audio from WAV
// files one after the other, in the same run. The closing line gives the ratio.
//
// Needs the `lame` program. Environment: BENCH_TRACK_SECONDS (default 30) seconds of
// each track, BENCH_ROUNDS (default 7) rounds; the figure is the median round's ratio.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/windows.h"
#include "benchprogram.h"
#include "../tests/support/audiofiles.h"
#include "../tests/support/discimage.h"
#include "core/cdaudio.h"
#include "cd/frmcd.h"
#include "core/globals.h"
#include "library/catalogues.h"
#include "platform/cddrives.h"
#include "platform/forms.h"

namespace {

constexpr int kTracks = 10;

// The CD window's run over every track of the disc in the injected drive.
double windowRun(int* songs)
{
    frmCD& cd = Forms::get<frmCD>();
    cd.Show();
    cd.Timer1->stop();
    for (int r = 0; r < cd.ListView1->topLevelItemCount(); ++r)
        cd.ListView1->topLevelItem(r)->setSelected(true);
    QElapsedTimer t;
    t.start();
    cd.sscmdEncode_Click();
    const double secs = t.elapsed() / 1000.0;
    *songs = SongLibrary->Count();
    Forms::reset();
    CDAudio().UnloadAll();
    return secs;
}

} // namespace

int main(int argc, char** argv)
{
    if (!lameInstalled("bench_ripencode"))
        return 0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterWindows(); // as the program does: windows find each other by kind
    const int trackSeconds = benchSetting("BENCH_TRACK_SECONDS", 30);

    BenchProgram program;
    CdDrives::setHideRealDrives(true);

    // The disc, and the same audio as WAV files for lame alone.
    DiscImage::Layout layout;
    QStringList wavs;
    const QString wavDir = program.path() + QStringLiteral("/wav/");
    QDir().mkpath(wavDir);
    for (int i = 0; i < kTracks; ++i) {
        std::vector<int16_t> pcm = DiscImage::tonePcm(trackSeconds * 75, i + 1);
        const QString wav = wavDir + QStringLiteral("track%1.wav").arg(i + 1);
        if (!testaudio::writeCdWav(wav, pcm))
            return 1;
        wavs << wav;
        layout.tracks.push_back({std::move(pcm), 0, false});
    }
    CdDrives::setInjectedImages({DiscImage::write(program.path(), QStringLiteral("disc"), layout)});

    SongLibrary = std::make_unique<colMp3>();
    Playlists = std::make_unique<colPlaylist>();
    RecentList = std::make_unique<colPlaylist>();
    CDLibrary = std::make_unique<colCD>();
    Categories = std::make_unique<colCategory>();
    SongLibrary->setFileName(QStringLiteral("MP3.mpd"));
    Playlists->setFileName(QStringLiteral("playlist.mpd"));
    CDLibrary->setFileName(QStringLiteral("cd.mpd"));
    program.useMusicFolder();
    EncodeOutputMode = 1;
    EncoderMode = QStringLiteral("CBR2");

    // Rounds alternate the two, so a busy spell of the machine weighs on both alike.
    const int rounds = benchSetting("BENCH_ROUNDS", 7);
    std::vector<double> ratios;
    std::printf("rip and encode of %d tracks of %d s from a disc image\n", kTracks, trackSeconds);
    for (int round = 0; round < rounds; ++round) {
        const double alone = lameAloneSeconds(wavs, QStringLiteral("-b128 "));
        int songs = 0;
        QDir(MusicFolder).removeRecursively();
        QDir().mkpath(MusicFolder);
        SongLibrary = std::make_unique<colMp3>();
        const double run = windowRun(&songs);
        ratios.push_back(alone > 0 ? run / alone : 0.0);
        std::printf("  lame alone %.2f s, CD window's run %.2f s (%d songs made): ratio %.2f\n", alone, run, songs,
                    ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("  median ratio: %.2f\n", ratios[ratios.size() / 2]);
    return 0;
}
