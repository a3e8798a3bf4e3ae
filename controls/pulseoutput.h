#pragma once
// The machine's sound server: PulseAudio, or PipeWire through its PulseAudio service.
#include "controls/audiosinkbase.h"

// Each output it opens has a connection of its own to the server, made when it is opened
// and made again by a start() that finds it broken: nothing of a server that went away is
// kept, so the first output after the server came back plays.
SoundServer& machineSoundServer();
