#include "controls/wavcheck.h"

#include <QFile>
#include <sndfile.h>

bool CheckWAVFormat(const QString& path)
{
    SF_INFO si{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &si);
    if (!f)
        return false;
    sf_close(f);
    const int major = si.format & SF_FORMAT_TYPEMASK;
    const int sub = si.format & SF_FORMAT_SUBMASK;
    // A file without one whole frame of sound (a bare header) cannot be used either.
    return (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) && sub == SF_FORMAT_PCM_16 &&
           si.samplerate == 44100 && si.channels == 2 && si.frames > 0;
}
