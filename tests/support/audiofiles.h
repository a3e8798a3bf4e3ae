#pragma once
// Test audio made on the spot: a synthesized WAV, encoded with the lame program.
#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cmath>
#include <functional>
#include <sndfile.h>
#include <vector>

#include "pump.h"

namespace testaudio {

// A WAV of a sine tone (a different pitch per channel). bits 8 or 16.
inline bool writeWav(const QString& path, int rate, int channels, double seconds, int bits = 16)
{
    SF_INFO si{};
    si.samplerate = rate;
    si.channels = channels;
    si.format = SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &si);
    if (!f)
        return false;
    const auto frames = static_cast<sf_count_t>(rate * seconds);
    std::vector<short> buf(static_cast<size_t>(frames * channels));
    for (sf_count_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            buf[size_t(i * channels + c)] =
                static_cast<short>(8000 * std::sin(2 * M_PI * (440.0 + 110.0 * c) * double(i) / rate));
    const bool ok = sf_writef_short(f, buf.data(), frames) == frames;
    sf_close(f);
    return ok;
}

// A 44,100 Hz 16-bit stereo WAV (as a CD carries its sound) of the given samples, left then right.
inline bool writeCdWav(const QString& path, const std::vector<short>& samples)
{
    SF_INFO si{};
    si.samplerate = 44100;
    si.channels = 2;
    si.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &si);
    if (!f)
        return false;
    const auto frames = static_cast<sf_count_t>(samples.size() / 2);
    const bool ok = sf_writef_short(f, samples.data(), frames) == frames;
    sf_close(f);
    return ok;
}

// Encodes wav to mp3 with lame at a constant bit rate (kbit/s); extra arguments may
// set the output rate. true when lame succeeded.
inline bool encodeMp3(const QString& wav, const QString& mp3, int kbps, const QStringList& extra = {})
{
    QProcess p;
    QStringList args{QStringLiteral("--quiet"), QStringLiteral("--nohist"), QStringLiteral("-b"),
                     QString::number(kbps), QStringLiteral("--cbr")};
    args << extra << wav << mp3;
    p.start(QStringLiteral("lame"), args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A tone MP3 made from a fresh WAV beside it.
inline bool makeMp3(const QString& mp3, int rate, int channels, double seconds, int kbps,
                    const QStringList& extra = {})
{
    const QString wav = mp3 + QStringLiteral(".src.wav");
    const bool ok = writeWav(wav, rate, channels, seconds) && encodeMp3(wav, mp3, kbps, extra);
    QFile::remove(wav);
    return ok;
}

struct WavInfo {
    int rate = 0, channels = 0, format = 0;
    sf_count_t frames = 0;
};
inline WavInfo wavInfo(const QString& path)
{
    SF_INFO si{};
    WavInfo w;
    if (SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &si)) {
        w = {si.samplerate, si.channels, si.format, si.frames};
        sf_close(f);
    }
    return w;
}
inline std::vector<short> wavSamples(const QString& path)
{
    SF_INFO si{};
    std::vector<short> out;
    if (SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &si)) {
        out.resize(size_t(si.frames * si.channels));
        sf_readf_short(f, out.data(), si.frames);
        sf_close(f);
    }
    return out;
}

} // namespace testaudio
