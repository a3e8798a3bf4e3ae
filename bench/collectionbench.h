#pragma once
// What the listing benches share: the few real MP3s they copy into a collection (one tone
// encoded by lame once for each set of encoder options), and empty catalogues.
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <cstdio>

#include "../tests/support/audiofiles.h"
#include "library/catalogues.h"
#include "core/globals.h"

namespace bench {

// Runs lame with the given arguments; true when it ended well.
inline bool runLame(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral("lame"), QStringList{QStringLiteral("--quiet"), QStringLiteral("--nohist")} + args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Encodes a stereo tone of the given length once for each entry of kinds (lame's options,
// followed by extra) into dir/t<i>.mp3 and returns those paths.
inline QStringList makeMp3s(const QString& dir, double seconds, const QList<QStringList>& kinds,
                            const QStringList& extra = {})
{
    const QString wav = dir + QStringLiteral("/src.wav");
    testaudio::writeWav(wav, 44100, 2, seconds);
    QStringList paths;
    for (int i = 0; i < kinds.size(); ++i) {
        const QString mp3 = dir + QStringLiteral("/t%1.mp3").arg(i);
        if (!runLame(kinds[i] + extra + QStringList{wav, mp3}))
            std::fprintf(stderr, "could not make the test MP3 (is lame installed?)\n");
        paths << mp3;
    }
    QFile::remove(wav);
    return paths;
}

// Empty song, playlist and recent catalogues whose files lie in the program folder.
inline void useEmptyCatalogues(const QString& program)
{
    SongLibrary = std::make_unique<colMp3>();
    SongLibrary->setFileName(program + QStringLiteral("MP3.mpd"));
    Playlists = std::make_unique<colPlaylist>();
    Playlists->setFileName(program + QStringLiteral("playlist.mpd"));
    RecentList = std::make_unique<colPlaylist>();
    RecentList->setFileName(program + QStringLiteral("recent.mpd"));
}

} // namespace bench
