#pragma once
// What an audio output and a sound server are. Shared by the output seam (audiosink.h) and the
// machine's sound server (pulseoutput.h); see audiosink.h for the outputs the program makes.
#include <QtGlobal>
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
    // True once the output is lost for good: the server or the device in use went away,
    // or the stream reported an error. A lost output takes nothing more (a blocked write
    // returns with what it took) and stays lost until the next start().
    virtual bool lost() const { return false; }
    // True while a started output is still on its way to its server: it plays nothing yet
    // and is not lost either (a write waits for it).
    virtual bool connecting() const { return false; }
};

// The sound server: where device outputs come from. The program's is the machine's
// PulseAudio (or PipeWire) server; tests install one of their own.
class SoundServer {
public:
    virtual ~SoundServer() = default;
    // A new output on the server's default device, not started; nullptr when the server is
    // known to be away or to offer no device (an output that cannot reach it is lost soon
    // after its start). Asked anew for every output.
    virtual std::unique_ptr<AudioSink> openOutput() = 0;
};
