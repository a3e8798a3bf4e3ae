// Listing a music folder of MP3 files the song catalogue does not know, in each window that
// lists them (player browser, song window, MP3-to-WAV window, burner), against TagLib alone
// reading the same files' tags and lengths, in the same run. A rate ratio of 1.00 means the
// window lists as fast as TagLib reads; the goal is at least 0.33.
// Then the MP3-to-WAV window opened on a folder holding one 288 MB MP3 (the goal: under 0.5 s).
//
// Arguments: [files in the listing folder (default 600)] [rounds (default 3)].
// Needs the lame program to make the fixture.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

#include <taglib/fileref.h>
#include <taglib/tag.h>

#include "../tests/support/audiofiles.h"
#include "collectionbench.h"
#include "windowbench.h"
#include "burner/frmburner.h"
#include "convert/frmmp3towav.h"
#include "core/globals.h"
#include "core/mp3listing.h"
#include "library/catalogues.h"
#include "platform/appcontext.h"
#include "platform/cddrives.h"
#include "platform/forms.h"
#include "platform/services.h"
#include "player/frmplay.h"
#include "songs/frmsongs.h"

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Three kinds of file as a collection holds them, each about a minute long with a tag:
// constant bit rate with the encoder's info frame, constant bit rate without one, and
// variable bit rate with its header.
QList<QByteArray> templates(const QString& dir)
{
    const QStringList tags{QStringLiteral("--ta"), QStringLiteral("Some Artist"), QStringLiteral("--tl"),
                           QStringLiteral("Some Album"), QStringLiteral("--tg"), QStringLiteral("Rock"),
                           QStringLiteral("--add-id3v2")};
    const QList<QStringList> kinds{{QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("--cbr")},
                                   {QStringLiteral("-b"), QStringLiteral("160"), QStringLiteral("--cbr"), QStringLiteral("-t")},
                                   {QStringLiteral("-V"), QStringLiteral("4")}};
    QList<QByteArray> out;
    for (const QString& mp3 : bench::makeMp3s(dir, 64.0, kinds, tags))
        out << readAll(mp3);
    return out;
}

// One long constant-bit-rate stream without an info frame, repeated to 288 MB.
void bigMp3(const QString& dir, const QString& path)
{
    const QString wav = dir + QStringLiteral("/big.wav");
    const QString part = dir + QStringLiteral("/part.mp3");
    testaudio::writeWav(wav, 44100, 2, 60.0);
    bench::runLame({QStringLiteral("-b"), QStringLiteral("128"), QStringLiteral("--cbr"), QStringLiteral("-t"), wav, part});
    const QByteArray bytes = readAll(part);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    const qint64 target = 288LL * 1024 * 1024;
    for (qint64 written = 0; !bytes.isEmpty() && written < target; written += bytes.size())
        f.write(bytes);
    f.close();
    QFile::remove(wav);
    QFile::remove(part);
}

double seconds(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e9;
}

void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

template <class T> int openListing(std::function<int(T&)> rows)
{
    T& w = Forms::get<T>();
    const int n = rows(w);
    Forms::unload<T>();
    settle();
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const WindowBench windows;
    const int files = argc > 1 ? std::max(3, atoi(argv[1])) : 600;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    QTemporaryDir tmp;
    const QString program = tmp.path() + QStringLiteral("/Quillory/");
    const QString home = tmp.path() + QStringLiteral("/home/");
    WindowBench::useNoSkin(program);
    QDir().mkpath(home);
    qputenv("HOME", home.toUtf8());
    AppContext::setCurrent(AppContext(program, home));
    ResetGlobals();
    ManualClock clock;
    setClock(&clock);
    CdDrives::setHideRealDrives(true);
    AppDriveRoot = Ctx().appDriveRoot();
    DefaultMusicFolder = Ctx().defaultMusicFolder();
    QDir().mkpath(DefaultMusicFolder);
    bench::useEmptyCatalogues(program);

    // The listing folder: each file a hard link to one of the three kinds, so that a folder of
    // 20,000 songs takes the room of three.
    const QList<QByteArray> kinds = templates(tmp.path());
    QStringList kindFiles;
    for (int k = 0; k < kinds.size(); ++k) {
        kindFiles << tmp.path() + QStringLiteral("/kind%1.mp3").arg(k);
        QFile f(kindFiles.back());
        f.open(QIODevice::WriteOnly);
        f.write(kinds[k]);
    }
    QStringList paths;
    for (int i = 0; i < files; ++i) {
        const QString path = DefaultMusicFolder + QStringLiteral("Song %1.mp3").arg(i, 5, 10, QLatin1Char('0'));
        if (::link(QFile::encodeName(kindFiles[i % kindFiles.size()]).constData(), QFile::encodeName(path).constData()) != 0)
            std::fprintf(stderr, "could not link %s\n", qPrintable(path));
        paths << path;
    }
    MusicFolder = DefaultMusicFolder;

    long checksum = 0;
    auto taglibAlone = [&] {
        for (const QString& p : paths) {
            TagLib::FileRef f(QFile::encodeName(p).constData(), true, TagLib::AudioProperties::Average);
            if (f.isNull())
                continue;
            checksum += f.tag()->artist().size() + f.tag()->album().size() + f.tag()->genre().size();
            if (f.audioProperties())
                checksum += f.audioProperties()->lengthInMilliseconds() / 1000;
        }
    };
    frmPlay& player = Forms::get<frmPlay>();
    struct Listing {
        const char* name;
        std::function<int()> run;
        double best = 1e18;
        double bestTaglib = 1e18;
        int rows = 0;
    };
    std::vector<Listing> listings{
        {"player \"MP3 Files\" browser",
         [&] {
             player.sscmdMP3_Click();
             return player.ListView2->topLevelItemCount();
         }},
        {"song window", [] { return openListing<frmSongs>([](frmSongs& w) { return w.ListView2->topLevelItemCount(); }); }},
        {"MP3-to-WAV window",
         [] { return openListing<frmMP3ToWAV>([](frmMP3ToWAV& w) { return w.ListView2->topLevelItemCount(); }); }},
        {"burner list", [] { return openListing<frmBurner>([](frmBurner& w) { return w.ListView1->topLevelItemCount(); }); }},
    };
    // TagLib and each window in turns, so that a busy machine weighs on both alike; the
    // fastest round of each counts.
    for (int r = 0; r < rounds; ++r)
        for (Listing& l : listings) {
            l.bestTaglib = std::min(l.bestTaglib, seconds(taglibAlone));
            Mp3ListCache::instance().clear(); // each round reads the files, as a first listing does
            l.best = std::min(l.best, seconds([&] { l.rows = l.run(); }));
        }
    std::printf("%d MP3 files not in the catalogue, fastest of %d rounds:\n", files, rounds);
    for (const Listing& l : listings)
        std::printf("  %-28s %5d rows %8.3f s (%7.0f files/s); TagLib alone %7.3f s (%7.0f files/s); rate ratio %.3f\n",
                    l.name, l.rows, l.best, files / l.best, l.bestTaglib, files / l.bestTaglib, l.bestTaglib / l.best);
    Forms::reset();
    settle();

    // The MP3-to-WAV window on a folder with one 288 MB MP3 (the default music folder, which
    // the burner's settings reader fell back on).
    QDir(DefaultMusicFolder).removeRecursively();
    const QString bigFolder = DefaultMusicFolder;
    QDir().mkpath(bigFolder);
    bigMp3(tmp.path(), bigFolder + QStringLiteral("Long Mix.mp3"));
    MusicFolder = bigFolder;
    double bestBig = 1e18;
    QString length;
    int bigRows = 0;
    for (int r = 0; r < rounds; ++r) {
        Mp3ListCache::instance().clear();
        bestBig = std::min(bestBig, seconds([&] {
                               frmMP3ToWAV& w = Forms::get<frmMP3ToWAV>();
                               w.show();
                               QCoreApplication::processEvents();
                               bigRows = w.ListView2->topLevelItemCount();
                               if (bigRows > 0)
                                   length = w.ListView2->topLevelItem(0)->text(2);
                           }));
        Forms::unload<frmMP3ToWAV>();
        settle();
    }
    std::printf("MP3-to-WAV window with one %.0f MB MP3: opened and shown in %.3f s (%d row, length shown %s)\n",
                double(QFileInfo(bigFolder + QStringLiteral("Long Mix.mp3")).size()) / 1048576.0, bestBig,
                bigRows, qPrintable(length));
    Forms::reset();
    settle();
    setClock(nullptr);
    return checksum == 42 ? 1 : 0;
}
