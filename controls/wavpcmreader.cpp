#include "controls/wavpcmreader.h"

#include <QFile>
#include <QtEndian>
#include <sndfile.h>

#include "controls/acdwrite_types.h"

WavPcmReader::~WavPcmReader() { close(); }

void WavPcmReader::close()
{
    if (m_file)
        sf_close(static_cast<SNDFILE*>(m_file));
    m_file = nullptr;
    m_frames = 0;
}

bool WavPcmReader::open(const QString& path, QString* why)
{
    close();
    SF_INFO info{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    const auto fail = [&] {
        if (f)
            sf_close(f);
        if (why)
            *why = BurnText::badTrack(path);
        return false;
    };
    if (!f)
        return fail();
    const int major = info.format & SF_FORMAT_TYPEMASK;
    const int sub = info.format & SF_FORMAT_SUBMASK;
    if ((major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) || sub != SF_FORMAT_PCM_16 ||
        info.samplerate != 44100 || info.channels != 2 || info.frames <= 0) // no sound: nothing to burn
        return fail();
    m_file = f;
    m_frames = info.frames;
    return true;
}

qint64 WavPcmReader::read(char* out, qint64 maxFrames)
{
    if (!m_file)
        return -1;
    auto* samples = reinterpret_cast<short*>(out);
    const sf_count_t got = sf_readf_short(static_cast<SNDFILE*>(m_file), samples, maxFrames);
    if (got < 0)
        return -1;
    // CD audio is little-endian whatever the machine.
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
        for (sf_count_t i = 0; i < got * 2; ++i)
            samples[i] = qToLittleEndian(samples[i]);
    }
    return got;
}
