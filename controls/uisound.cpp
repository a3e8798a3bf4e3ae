#include "controls/uisound.h"

// The real player, RealUiSound::play, lives with the window sounds in shell/uisound.cpp.
namespace {
UiSound* g_sound = nullptr;
}

UiSound& UiSounds()
{
    static RealUiSound real;
    return g_sound ? *g_sound : real;
}
void setUiSound(UiSound* s) { g_sound = s; }

bool sndPlaySoundA(const QString& path, int flags) { return UiSounds().play(path, flags); }
