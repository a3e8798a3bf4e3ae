#pragma once
// Audio output for everything that sounds: songs, CD audio, window sounds.
// Writes block the (worker) caller until the device, or the clock for the null
// output, has room, so playback is paced by whatever plays it.
//
// Threads: one worker thread writes (and may call drain()); any thread may call
// pause(), stop(), setVolume() and playedUs() at the same time. start() is called
// before the first write and not while a write is in progress.
//
// Two outputs:
// - Device output: a stream to the sound server's default device (PulseAudio, or PipeWire
//   through its PulseAudio service), on a connection of its own made for each output, so
//   a server that went away and came back is found again by the next output. The server
//   holds up to about 2 s and a ring of about 1 s lies before it, so a loaded machine plays
//   without gaps; write() blocks while both are full. Pause and stop act on the stream at
//   once; the position is what the server reports as played. It sits behind a guard that
//   moves the rest of a song to the null output as soon as the output is lost (the server
//   or the device in use went away, or the stream failed), so a song still ends and its
//   time runs on.
// - Null output: no sound, paced by the clock seam (Clocks()). write() returns once
//   the clock has reached the end of the audio written so far (nothing is buffered,
//   so playedUs() follows the clock exactly); while paused the clock does not count.
//   Under a ManualClock, playback moves only when the test advances the clock.
//   The timeline starts at start(): a writer that falls behind the clock catches up
//   at once (its writes return without waiting), so the position never lags the clock
//   by more than what is still unwritten.
#include <memory>

#include "controls/audiosinkbase.h"

// The server device outputs come from: the machine's (pulseoutput.h), or the one a test installed.
SoundServer& SoundServers();
// Installs a server (a test's); nullptr restores the machine's.
void setSoundServer(SoundServer* server);

// Makes the program's audio output: the sound device when one exists, else the
// null output paced by the clock seam. Tests install a factory of their own.
std::unique_ptr<AudioSink> makeAudioSink();
using AudioSinkFactory = std::unique_ptr<AudioSink> (*)();
// nullptr restores the default (device when present, else null).
void setAudioSinkFactory(AudioSinkFactory f);

// The two outputs, for factories and fall-backs.
std::unique_ptr<AudioSink> makeNullAudioSink();
// An output of SoundServers() behind the guard; nullptr when the server has none to give.
std::unique_ptr<AudioSink> makeDeviceAudioSink();
// Watches `inner` (a few times a second on the clock seam, and at every write and drain):
// once it is lost, or when it cannot start, it is stopped and the rest goes to the null
// output (playedUs() goes on from what the lost output had played). A device that only
// stalls is waited for: it is given up only when it says it is lost.
std::unique_ptr<AudioSink> makeGuardedAudioSink(std::unique_ptr<AudioSink> inner);
