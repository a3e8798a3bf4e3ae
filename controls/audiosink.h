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
//   through its PulseAudio service), on a connection of its own made for each output. start()
//   only begins connecting (no caller waits on a server that is away or hangs); writes wait
//   until the stream is ready and then whenever the server has no room. The server holds a
//   few hundred ms and starts again by itself after running dry. Pause and stop act on the
//   stream at once; the position is the server's clock for the stream (what was heard), and
//   drain() returns when the last sound has left the device. It sits behind a guard that
//   moves the rest of a song to the null output as soon as the output is lost (the server or
//   the device in use went away, or the stream failed), so a song still ends and its time runs
//   on; meanwhile the guard tries the server again every second and, once it answers, the
//   rest of the song plays there.
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

// Makes the program's audio output: the guarded device output, which plays as the null one
// (paced by the clock seam) while no server answers. Tests install a factory of their own.
std::unique_ptr<AudioSink> makeAudioSink();
using AudioSinkFactory = std::unique_ptr<AudioSink> (*)();
// nullptr restores the default (the guarded device output).
void setAudioSinkFactory(AudioSinkFactory f);

// The two outputs, for factories and fall-backs.
std::unique_ptr<AudioSink> makeNullAudioSink();
// An output of SoundServers() behind the guard; nullptr when the server has none to give.
std::unique_ptr<AudioSink> makeDeviceAudioSink();
// Watches `inner` (a few times a second on the clock seam, and at every write and drain):
// once it is lost, or when it cannot start (or there is none), it is stopped and the rest
// goes to the null output (playedUs() goes on from what the lost output had played). A device
// that only stalls is waited for: it is given up only when it says it is lost. While on the
// null output, a new output of SoundServers() is tried every second; the first that connects
// takes the rest of the song, the time running on from the null output's.
std::unique_ptr<AudioSink> makeGuardedAudioSink(std::unique_ptr<AudioSink> inner);
