#include "controls/acdwrite_types.h"

#include "controls/wavpcmreader.h"

bool inspectBurnTrack(BurnTrack& track, QString* why)
{
    WavPcmReader r;
    if (!r.open(track.path, why))
        return false;
    track.frames = r.frames();
    return true;
}
