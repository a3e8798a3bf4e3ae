#pragma once
// A CD window test: a disc image in the one injected drive, empty catalogues, a music
// folder in the test's home.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <vector>

#include "core/cdaudio.h"
#include "cd/frmcd.h"
#include "core/globals.h"
#include "discimage.h"
#include "fixture.h"
#include "platform/cddrives.h"
#include "platform/forms.h"

class CdWindowTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        SongLibrary = std::make_unique<colMp3>();
        Playlists = std::make_unique<colPlaylist>();
        RecentList = std::make_unique<colPlaylist>();
        CDLibrary = std::make_unique<colCD>();
        SongLibrary->setFileName(QStringLiteral("MP3.mpd"));
        Playlists->setFileName(QStringLiteral("playlist.mpd"));
        CDLibrary->setFileName(QStringLiteral("cd.mpd"));
        Categories = std::make_unique<colCategory>();
        Categories->Add(QStringLiteral("0"), QStringLiteral("Blues"));
        Categories->Add(QStringLiteral("17"), QStringLiteral("Rock"));
        Categories->Add(QStringLiteral("0"), QStringLiteral("Zero"));
        MusicFolder = homeDir() + QStringLiteral("My Music/");
        QDir().mkpath(MusicFolder);
        // The settings dialog (loaded by the CDDB settings reader) finds the same folder.
        writeAll(programFile(QStringLiteral("MWFolders.ini")), "MusicFolder=" + MusicFolder.toUtf8() + "\r\n");
    }
    void TearDown() override
    {
        Forms::reset();
        CDAudio().UnloadAll();
        AppFixture::TearDown();
    }
    // A disc of tracks with the given lengths in frames, in the drive.
    QString insertDisc(const std::vector<int>& frames)
    {
        DiscImage::Layout layout;
        int seed = 1;
        for (int f : frames)
            layout.tracks.push_back({DiscImage::tonePcm(f, seed++), 0, false});
        const QString cue = DiscImage::write(programDir(), QStringLiteral("disc"), layout);
        CdDrives::setInjectedImages({cue});
        return cue;
    }
    frmCD& loadCd()
    {
        frmCD& cd = Forms::get<frmCD>();
        cd.Show();
        return cd;
    }
    static QStringList row(const frmCD& cd, int r)
    {
        const ListItem* it = cd.ListView1->topLevelItem(r - 1);
        return {it->text(0), it->text(1), it->text(2)};
    }
    static void settle()
    {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }
};
