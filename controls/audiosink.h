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
// - Device output (Qt Multimedia QAudioSink, PulseAudio or PipeWire). A thread of its
//   own that runs an event loop tops the sound server up from a ring buffer of about 2 s
//   five times a second; the server holds about 1 s, so a loaded machine plays without
//   gaps. write() blocks while the ring is full. Pause and stop act on the stream at
//   once. The position is what the server has played (what it was given less what it
//   still holds, at each top-up, moved on by the clock between); drain() waits until the
//   server holds nothing more. When the device fails or goes away mid-play (it takes nothing for about a
//   second while not paused and the list of devices has changed) the output carries on
//   as the null output, so a song still ends.
// - Null output: no sound, paced by the clock seam (Clocks()). write() returns once
//   the clock has reached the end of the audio written so far (nothing is buffered,
//   so playedUs() follows the clock exactly); while paused the clock does not count.
//   Under a ManualClock, playback moves only when the test advances the clock.
//   The timeline starts at start(): a writer that falls behind the clock catches up
//   at once (its writes return without waiting), so the position never lags the clock
//   by more than what is still unwritten.
#include <QtGlobal>
#include <functional>
#include <memory>

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // 16-bit signed little-endian interleaved PCM. Starts (or restarts) the output
    // with nothing played, not paused, not stopped. false when the format cannot be
    // played; the caller may then fall back to makeNullAudioSink().
    virtual bool start(int sampleRate, int channels) = 0;
    // Blocks until all bytes are accepted or stop() is called; returns bytes taken from
    // the caller (all of them unless stopped, also when the output failed on the way and
    // the rest went to the null output). While paused, a write blocks.
    virtual qint64 write(const char* data, qint64 bytes) = 0;
    // Pauses (true) or resumes (false) the output; the position stands still meanwhile.
    virtual void pause(bool paused) = 0;
    // Discards what is queued and returns at once; unblocks a writer. Later writes
    // return 0 at once until the next start().
    virtual void stop() = 0;
    // 0.0 .. 1.0
    virtual void setVolume(double v) = 0;
    // Microseconds of audio played since start(); stands still while paused and after stop().
    virtual qint64 playedUs() const = 0;
    // Blocks until everything written has been played, or stop() is called.
    virtual void drain() {}
};

// Makes the program's audio output: the sound device when one exists, else the
// null output paced by the clock seam. Tests install a factory of their own.
std::unique_ptr<AudioSink> makeAudioSink();
using AudioSinkFactory = std::unique_ptr<AudioSink> (*)();
// nullptr restores the default (device when present, else null).
void setAudioSinkFactory(AudioSinkFactory f);

// The two outputs, for factories and fall-backs.
std::unique_ptr<AudioSink> makeNullAudioSink();
// nullptr when the machine has no audio output device.
std::unique_ptr<AudioSink> makeDeviceAudioSink();
// Watches `inner`: when it has audio to play, is neither paused nor stopped, plays
// nothing for about a second (by its playedUs(), on the clock seam) and devicesChanged()
// says the list of devices changed, it is stopped and the rest goes to the null output
// (playedUs() goes on from what the lost output had taken).
std::unique_ptr<AudioSink> makeGuardedAudioSink(std::unique_ptr<AudioSink> inner,
                                                std::function<bool()> devicesChanged);
