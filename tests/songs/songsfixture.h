#pragma once
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <functional>
#include <memory>

#include "audiofiles.h"
#include "controls/mp3play.h"
#include "core/driveinfo.h"
#include "core/globals.h"
#include "fixture.h"
#include "platform/appcontext.h"
#include "platform/forms.h"
#include "songs/frmsongs.h"

// A home with a music folder and a My Music folder, empty catalogues, and a mount table in
// which everything lies on one fixed disk (or, on demand, the music folder on a CD-ROM).
class SongsFixture : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), "(No Skin)\r\n 0 \r\n");
        AppDriveRoot = homeDir();
        DefaultMusicFolder = homeDir() + QStringLiteral("My Music/");
        MusicFolder = homeDir() + QStringLiteral("Music/");
        QDir().mkpath(DefaultMusicFolder);
        QDir().mkpath(MusicFolder);
        mounts = std::make_unique<ScopedMountTable>(
            std::vector<MountEntry>{{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/vda"), false}});
        SongLibrary = std::make_unique<colMp3>();
        SongLibrary->setFileName(QStringLiteral("MP3.mpd"));
        Playlists = std::make_unique<colPlaylist>();
        Playlists->setFileName(QStringLiteral("playlist.mpd"));
        RecentList = std::make_unique<colPlaylist>();
        RecentList->setFileName(QStringLiteral("recent.mpd"));
    }
    void TearDown() override
    {
        mounts.reset();
        AppFixture::TearDown();
    }
    // The music folder on a CD-ROM from now on.
    void musicOnCdRom()
    {
        mounts.reset(); // the old table's end would undo the new one
        mounts = std::make_unique<ScopedMountTable>(std::vector<MountEntry>{
            {QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/vda"), false},
            {MusicFolder.chopped(1), QStringLiteral("iso9660"), QStringLiteral("/dev/sr0"), true}});
    }
    static void touch(const QString& path, const QByteArray& bytes = "x") { writeAll(path, bytes); }
    void song(const QString& title, const QString& artist = {}, const QString& length = {}, const QString& cd = {},
              const QString& cat = {}, const QString& cover = {})
    {
        SongLibrary->Add(title, artist, length, cd, cat, cover, QString());
    }
    void entry(const QString& list, const QString& title, const QString& artist = {}, const QString& length = {},
               const QString& cover = {})
    {
        int16_t n = 1;
        for (const auto& e : *Playlists)
            if (e->PlaylistName() == list)
                ++n;
        Playlists->Add(list, n, title, artist, length, cover, QString());
    }
    // A song file in the music folder.
    void file(const QString& title) { touch(MusicFolder + title + QStringLiteral(".mp3")); }
    void marker(const QString& name) { touch(MusicFolder + name + QStringLiteral(".lst"), "1\r\n"); }

    frmSongs& load() { return Forms::get<frmSongs>(); }
    static QStringList column(const ListView* lv, int c = 0)
    {
        QStringList out;
        for (int i = 0; i < lv->topLevelItemCount(); ++i)
            out << lv->topLevelItem(i)->text(c);
        return out;
    }
    static QStringList row(const ListView* lv, int i) { return frmSongs::RowTexts(lv->topLevelItem(i)); }
    static void select(ListView* lv, int i) { lv->setCurrentItem(lv->topLevelItem(i)); }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    // Runs fn inside the next modal wait.
    static void inModal(std::function<void()> fn) { QTimer::singleShot(0, std::move(fn)); }
    int errorBoxes() const
    {
        int n = 0;
        for (const auto& r : prompt.asked)
            n += r.title == QLatin1String("Quillory Error");
        return n;
    }
    QStringList titles() const
    {
        QStringList t;
        for (const auto& s : *SongLibrary)
            t << s->MP3Title() + QLatin1Char('/') + s->artist();
        return t;
    }
    QStringList entries() const
    {
        QStringList t;
        for (const auto& e : *Playlists)
            t << e->PlaylistName() + QLatin1Char(':') + QString::number(e->ItemNumber()) + QLatin1Char(':') +
                     e->MP3Title();
        return t;
    }

    // A real MP3 of one second, made once per test in its own folder; "" when lame failed.
    QString toneMp3()
    {
        if (m_tone.isEmpty()) {
            m_tone = tmp.path() + QStringLiteral("/tone-source.mp3");
            if (!testaudio::makeMp3(m_tone, 44100, 2, 1.0, 128))
                m_tone.clear();
        }
        return m_tone;
    }

    std::unique_ptr<ScopedMountTable> mounts;

private:
    QString m_tone;
};
