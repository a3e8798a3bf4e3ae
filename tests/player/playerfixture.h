#pragma once
// A program folder with an empty song catalogue, playlist store and recent list, a music
// folder of its own, and helpers that put songs into it and play them on the manual clock.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

#include "audiofiles.h"
#include "controls/mp3play.h"
#include "core/driveinfo.h"
#include "core/globals.h"
#include "fixture.h"
#include "pump.h"
#include "library/catalogues.h"
#include "platform/appcontext.h"
#include "platform/forms.h"
#include "player/frmplay.h"
#include "player/playerinternal.h"

class PlayerFixture : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        AppDriveRoot = Ctx().appDriveRoot();
        DefaultMusicFolder = Ctx().defaultMusicFolder();
        QDir().mkpath(DefaultMusicFolder);
        MusicFolder = homeDir() + QStringLiteral("Music/");
        QDir().mkpath(MusicFolder);
        writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), "(No Skin)\r\n 0 \r\n");
        SongLibrary = std::make_unique<colMp3>();
        SongLibrary->setFileName(programFile(QStringLiteral("MP3.mpd")));
        Playlists = std::make_unique<colPlaylist>();
        Playlists->setFileName(programFile(QStringLiteral("playlist.mpd")));
        RecentList = std::make_unique<colPlaylist>();
        RecentList->setFileName(programFile(QStringLiteral("recent.mpd")));
    }

    // A short tone MP3 (two seconds), made once per test in its own folder and copied.
    QString toneMp3() const
    {
        if (m_tone.isEmpty()) {
            m_tone = tmp.path() + QStringLiteral("/tone-source.mp3");
            testaudio::makeMp3(m_tone, 44100, 2, 2.0, 128);
        }
        return m_tone;
    }
    // Puts song files into the music folder (name as given, ".mp3" added unless it has an extension).
    void addFiles(const QStringList& names) const
    {
        for (const QString& n : names) {
            const QString file = n.contains('.') ? n : n + QStringLiteral(".mp3");
            QFile::copy(toneMp3(), MusicFolder + file);
        }
    }
    frmPlay& player() { return Forms::get<frmPlay>(); }
    // Appends play-list rows (title, artist, length) as the browser clicks do.
    static void fill(frmPlay& w, const std::vector<QStringList>& rows)
    {
        for (const QStringList& r : rows) {
            w.ListView2->addTopLevelItem(new playerinternal::RowItem(r));
            frmPlay::selectRow(w.ListView2, w.ListView2->topLevelItemCount());
            w.ListView2_Click();
        }
    }
    static QStringList column(const ListView* lv, int c)
    {
        QStringList out;
        for (int i = 0; i < lv->topLevelItemCount(); ++i)
            out << lv->topLevelItem(i)->text(c);
        return out;
    }
    static void flush()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    int errorBoxes() const
    {
        int n = 0;
        for (const auto& r : prompt.asked)
            n += r.title == QLatin1String("Quillory Error");
        return n;
    }

private:
    mutable QString m_tone;
};
