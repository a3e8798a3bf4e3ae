// The WAV-to-MP3 converter window's run over two WAV files (lame for each, the progress
// window watching) against the lame program alone encoding the same files one after the
// other, in the same run; rounds alternate the two. The closing line gives the median ratio.
//
// Needs the `lame` program. Environment: BENCH_WAV_SECONDS (default 180) seconds of each
// WAV, BENCH_ROUNDS (default 7) rounds.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/windows.h"
#include "benchprogram.h"
#include "../tests/support/audiofiles.h"
#include "convert/frmwavtomp3.h"
#include "core/globals.h"
#include "platform/forms.h"

namespace {

const QStringList kWavs{QStringLiteral("first.wav"), QStringLiteral("second.wav")};

void removeMp3s()
{
    for (const QString& mp3 : QDir(MusicFolder).entryList({QStringLiteral("*.mp3")}, QDir::Files))
        QFile::remove(MusicFolder + mp3);
}

// lame alone over the same WAVs.
double lameAlone()
{
    removeMp3s();
    QStringList paths;
    for (const QString& wav : kWavs)
        paths << MusicFolder + wav;
    return lameAloneSeconds(paths, QStringLiteral("-b128 "));
}

// The converter window's run over both WAVs, from the Convert click to the run's end.
double converterRun(int* made)
{
    removeMp3s();
    frmWAVToMP3& w = Forms::get<frmWAVToMP3>();
    w.Show();
    w.Opt128->setChecked(true);
    for (int r = 0; r < w.ListView2->topLevelItemCount(); ++r)
        w.ListView2->topLevelItem(r)->setSelected(true);
    QEventLoop loop;
    QObject::connect(w.job, &Job::finished, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    w.SSConvert_Click();
    if (w.isRunning())
        loop.exec();
    const double secs = t.elapsed() / 1000.0;
    *made = int(QDir(MusicFolder).entryList({QStringLiteral("*.mp3")}, QDir::Files).size());
    Forms::reset();
    return secs;
}

} // namespace

int main(int argc, char** argv)
{
    if (!lameInstalled("bench_wavtomp3"))
        return 0;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterWindows(); // as the program does: windows find each other by kind
    const double seconds = benchSetting("BENCH_WAV_SECONDS", 180);

    BenchProgram program;
    program.useMusicFolder();
    for (const QString& wav : kWavs)
        if (!testaudio::writeWav(MusicFolder + wav, 44100, 2, seconds))
            return 1;
    EncoderMode = QStringLiteral("CBR1");

    // Rounds alternate the two, so a busy spell of the machine weighs on both alike.
    const int rounds = benchSetting("BENCH_ROUNDS", 7);
    std::vector<double> ratios;
    std::printf("WAV to MP3 of %lld WAVs of %.0f s at 128 kbit/s\n", qlonglong(kWavs.size()), seconds);
    for (int round = 0; round < rounds; ++round) {
        const double alone = lameAlone();
        int made = 0;
        const double run = converterRun(&made);
        ratios.push_back(alone > 0 ? run / alone : 0.0);
        std::printf("  lame alone %.2f s, converter's run %.2f s (%d MP3s made): ratio %.3f\n", alone, run, made,
                    ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("  median ratio: %.3f\n", ratios[ratios.size() / 2]);
    return 0;
}
