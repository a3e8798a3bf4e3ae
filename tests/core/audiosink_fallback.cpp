// Stand-ins for the audio output's factory functions, for builds in which the audio
// output library is not linked in yet. Weak: the real definitions win wherever they exist.
#include "controls/audiosink.h"

namespace {
AudioSinkFactory g_fallbackFactory = nullptr;
}

__attribute__((weak)) std::unique_ptr<AudioSink> makeAudioSink()
{
    return g_fallbackFactory ? g_fallbackFactory() : nullptr;
}

__attribute__((weak)) void setAudioSinkFactory(AudioSinkFactory f) { g_fallbackFactory = f; }
