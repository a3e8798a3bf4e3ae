#pragma once
// The machine's sound server: PulseAudio, or PipeWire through its PulseAudio service.
#include "controls/audiosinkbase.h"

// Each output it opens has a connection of its own to the server, begun by start() without
// waiting for the server: nothing of a server that went away is kept, so the first output
// after the server came back plays, and a server that hangs holds up no caller of start().
SoundServer& machineSoundServer();
