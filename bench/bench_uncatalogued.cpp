// A music folder of MP3 files that the song catalogue does not know (the usual collection),
// listed by the song window and by the player's "MP3 Files" list, first and second time,
// against TagLib alone reading the same files' tags and lengths one by one on one thread, in
// the same run. Each file is a copy of one of three short real MP3s (constant bit rate with
// and without the encoder's info frame, variable bit rate) with a tag of its own.
//
// For each size (50,000 and 200,000 unless sizes are given) a fresh process reads the folder
// with the disk cache warm and prints the times and its peak memory; with --cold the disk
// cache is dropped (when permitted) before a further TagLib pass and a further first listing.
//
// Arguments: [--dir FOLDER] [--cold] [sizes...]. The folder (a temporary one unless given)
// keeps the files of each size for later runs. "--run FOLDER N [--cold]" is the child run.
// QUILLORY_BENCH_SHOW=1 shows the main window and opens the song window from it, as a user
// does (for screenshots in an X session), then the player's list; nothing is measured.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

#include <taglib/fileref.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

#include "../tests/support/audiofiles.h"
#include "collectionbench.h"
#include "windowbench.h"
#include "core/driveinfo.h"
#include "core/globals.h"
#include "core/mp3listing.h"
#include "library/catalogues.h"
#include "platform/appcontext.h"
#include "platform/cddrives.h"
#include "platform/forms.h"
#include "player/frmplay.h"
#include "shell/frmmain.h"
#include "songs/frmsongs.h"

namespace {

constexpr char kDigits[] = "@@@@@@@"; // where a file's number goes in its tag texts


double peakMb()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_maxrss) / 1024.0;
}

double seconds(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e9;
}

QString fileName(int i) { return QStringLiteral("Track %1 of the evening.mp3").arg(i, 6, 10, QLatin1Char('0')); }

// Three short MP3s with a tag whose texts hold the place of a number.
QList<QByteArray> templates(const QString& dir)
{
    const QList<QStringList> kinds{{QStringLiteral("-b"), QStringLiteral("64"), QStringLiteral("--cbr")},
                                   {QStringLiteral("-b"), QStringLiteral("80"), QStringLiteral("--cbr"), QStringLiteral("-t")},
                                   {QStringLiteral("-V"), QStringLiteral("6")}};
    const QStringList mp3s = bench::makeMp3s(dir, 1.2, kinds);
    QList<QByteArray> out;
    for (int k = 0; k < mp3s.size(); ++k) {
        const QString& mp3 = mp3s[k];
        {
            TagLib::MPEG::File f(QFile::encodeName(mp3).constData());
            const TagLib::String n(kDigits);
            f.tag()->setArtist("Artist " + n);
            f.tag()->setAlbum("Album " + n);
            f.tag()->setTitle("Title " + n);
            f.tag()->setGenre(k == 0 ? "Rock" : k == 1 ? "Jazz" : "Blues");
            f.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
        }
        QFile f(mp3);
        f.open(QIODevice::ReadOnly);
        out << f.readAll();
    }
    return out;
}

// The folder of n files (kept: made once per folder and size).
QString makeFolder(const QString& root, int n)
{
    const QString folder = root + QStringLiteral("/music-%1/").arg(n);
    const QString done = folder + QStringLiteral(".made");
    if (QFileInfo::exists(done))
        return folder;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QTemporaryDir work;
    const QList<QByteArray> kinds = templates(work.path());
    std::vector<std::vector<qsizetype>> places(size_t(kinds.size()));
    for (qsizetype k = 0; k < kinds.size(); ++k)
        for (qsizetype at = kinds[k].indexOf(kDigits); at >= 0; at = kinds[k].indexOf(kDigits, at + 1))
            places[size_t(k)].push_back(at);
    for (int i = 0; i < n; ++i) {
        const int k = i % int(kinds.size());
        QByteArray bytes = kinds[k];
        const QByteArray number = QByteArray::number(i).rightJustified(7, '0');
        for (qsizetype at : places[size_t(k)])
            bytes.replace(at, 7, number);
        const int fd = ::open(QFile::encodeName(folder + fileName(i)).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
            std::fprintf(stderr, "could not write the music folder\n");
        if (fd >= 0)
            ::close(fd);
    }
    QFile(done).open(QIODevice::WriteOnly);
    return folder;
}

bool dropDiskCache()
{
    ::sync();
    QFile f(QStringLiteral("/proc/sys/vm/drop_caches"));
    return f.open(QIODevice::WriteOnly) && f.write("3\n") == 2;
}

// TagLib alone: every file's tag texts and length, one by one on this thread.
double taglibAlone(const QStringList& paths, long& checksum)
{
    return seconds([&] {
        for (const QString& p : paths) {
            TagLib::FileRef f(QFile::encodeName(p).constData(), true, TagLib::AudioProperties::Average);
            if (f.isNull())
                continue;
            checksum += long(f.tag()->artist().size() + f.tag()->album().size() + f.tag()->genre().size());
            if (f.audioProperties())
                checksum += f.audioProperties()->lengthInMilliseconds() / 1000;
        }
    });
}

void hold(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void useFolders(const QString& root, const QString& folder)
{
    const QString program = root + QStringLiteral("/Quillory/");
    const QString home = root + QStringLiteral("/home/");
    WindowBench::useNoSkin(program);
    QDir().mkpath(home + QStringLiteral("My Music"));
    AppContext::setCurrent(AppContext(program, home));
    ResetGlobals();
    CdDrives::setHideRealDrives(true);
    AppDriveRoot = home;
    DefaultMusicFolder = home + QStringLiteral("My Music/");
    MusicFolder = folder;
    bench::useEmptyCatalogues(program);
}

// As a user does: the main window, its PlayLists button, then the player's list.
void show(const QString& folder)
{
    frmMain& main = Forms::get<frmMain>();
    main.Show();
    MusicFolder = folder; // the main window's start read the settings
    hold(1500);
    main.picPlayLists_Click();
    hold(1500);
    SwitchingWindow = 1;
    Forms::unload<frmSongs>();
    frmPlay& player = Forms::get<frmPlay>();
    player.Show();
    MusicFolder = folder;
    hold(1000);
    Mp3ListCache::instance().clear();
    player.sscmdMP3_Click();
    hold(1500);
}

int runChild(const QString& root, const QString& folder, int n, bool cold)
{
    useFolders(root, folder);
    ScopedMountTable mounts({{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/vda"), false}});
    if (qEnvironmentVariableIntValue("QUILLORY_BENCH_SHOW") > 0) {
        show(folder);
        return 0;
    }

    QStringList paths;
    for (int i = 0; i < n; ++i)
        paths << folder + fileName(i);
    long checksum = 0;
    taglibAlone(paths, checksum); // the files into the disk cache, as for the listings after it
    const double taglib = taglibAlone(paths, checksum);

    int rows = 0;
    const auto songWindow = [&] {
        return seconds([&] {
            MusicFolder = folder; // as the main window's start may have read it from the settings
            frmSongs& w = Forms::get<frmSongs>();
            w.Show();
            QCoreApplication::processEvents();
            rows = w.ListView2->topLevelItemCount();
        });
    };
    const auto closeSongWindow = [] {
        SwitchingWindow = 1; // to the next window, not back to the main window
        Forms::unload<frmSongs>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    const double songFirst = songWindow();
    const int songRows = rows;
    const double keptMb = WindowBench::residentMb();
    closeSongWindow();
    const double songSecond = songWindow();
    closeSongWindow();

    frmPlay& player = Forms::get<frmPlay>();
    player.Show();
    QCoreApplication::processEvents();
    MusicFolder = folder;
    const auto playerList = [&] {
        return seconds([&] {
            player.sscmdMP3_Click();
            QCoreApplication::processEvents();
            rows = player.ListView2->topLevelItemCount();
        });
    };
    Mp3ListCache::instance().clear(); // its first listing reads every file again
    const double playerFirst = playerList();
    const int playerRows = rows;
    const double playerSecond = playerList();
    const double taglibAfter = taglibAlone(paths, checksum);
    // What the listings read of each file (the decoder's and TagLib's look at it), on one thread.
    const double factsOneThread = seconds([&] {
        for (const QString& p : paths)
            checksum += ReadMp3FileFacts(p).lengthMs;
    });
    const double peak = peakMb();

    std::printf("%7d MP3 files outside the catalogue, disk cache warm; TagLib alone on one thread %.3f s (%.3f s after"
                " the listings)\n",
                n, taglib, taglibAfter);
    const auto line = [&](const char* what, double first, double second, int listed) {
        std::printf("  %-22s first %7.3f s (%.2fx TagLib alone)   second %6.3f s   %d rows\n", what, first,
                    first / taglib, second, listed);
    };
    std::printf("  the listings' reading of every file on one thread %.3f s (%.2fx TagLib alone); the listings read"
                " on %u threads\n",
                factsOneThread, factsOneThread / taglib, std::max(1u, std::thread::hardware_concurrency()));
    line("song window", songFirst, songSecond, songRows);
    line("player \"MP3 Files\"", playerFirst, playerSecond, playerRows);
    std::printf("  memory: peak %.1f MB; %.1f MB in use with the song window shown and the files' facts kept\n", peak,
                keptMb);
    if (cold) {
        if (!dropDiskCache()) {
            std::printf("  cold disk cache: not measured (dropping the disk cache is not permitted here)\n");
        } else {
            const double taglibCold = taglibAlone(paths, checksum);
            dropDiskCache();
            Mp3ListCache::instance().clear();
            const double songCold = songWindow();
            closeSongWindow();
            std::printf("  cold disk cache: TagLib alone %.3f s (+%.3f s)   song window first %.3f s (+%.3f s, %.2fx"
                        " TagLib alone cold)\n",
                        taglibCold, taglibCold - taglib, songCold, songCold - songFirst, songCold / taglibCold);
        }
    }
    std::fflush(stdout);
    Forms::reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ResetGlobals();
    return checksum == 42 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The offscreen platform's notes on what it cannot do would drown the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        if (!text.startsWith(QLatin1String("This plugin does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const WindowBench bench;

    QStringList args = app.arguments().mid(1);
    const bool cold = args.removeAll(QStringLiteral("--cold")) > 0;
    int result = 0;
    if (args.size() == 3 && args[0] == QLatin1String("--run")) {
        QTemporaryDir home;
        result = runChild(home.path(), args[1], args[2].toInt(), cold);
    } else {
        QTemporaryDir tmp;
        QString root = tmp.path();
        if (const qsizetype d = args.indexOf(QStringLiteral("--dir")); d >= 0 && d + 1 < args.size()) {
            root = args[d + 1];
            args.remove(d, 2);
        }
        QList<int> sizes;
        for (const QString& a : args)
            sizes << a.toInt();
        if (sizes.isEmpty())
            sizes = {50000, 200000};
        for (int n : sizes) {
            const QString folder = makeFolder(root, n);
            QStringList childArgs{QStringLiteral("--run"), folder, QString::number(n)};
            if (cold)
                childArgs << QStringLiteral("--cold");
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(app.applicationFilePath(), childArgs);
            if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit) {
                std::fprintf(stderr, "the run of %d files failed\n", n);
                result = 1;
            }
        }
        std::printf("goals: first listing at most 1.0x TagLib alone; second under 1 s\n");
    }
    return result;
}
