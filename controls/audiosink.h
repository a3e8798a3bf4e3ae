#pragma once
// Audio output for everything that sounds: songs, CD audio, window sounds.
// Writes block the (worker) caller until the device, or the clock for the null
// output, has room, so playback is paced by whatever plays it.
#include <QtGlobal>
#include <memory>

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // 16-bit signed little-endian interleaved PCM.
    virtual bool start(int sampleRate, int channels) = 0;
    // Blocks until all bytes are accepted or stop() is called; returns bytes accepted.
    virtual qint64 write(const char* data, qint64 bytes) = 0;
    virtual void pause(bool paused) = 0;
    // Discards what is queued and returns at once; unblocks a writer.
    virtual void stop() = 0;
    // 0.0 .. 1.0
    virtual void setVolume(double v) = 0;
    // Microseconds of audio played since start().
    virtual qint64 playedUs() const = 0;
};

// Makes the program's audio output: the sound device when one exists, else the
// null output paced by the clock seam. Tests install a factory of their own.
std::unique_ptr<AudioSink> makeAudioSink();
using AudioSinkFactory = std::unique_ptr<AudioSink> (*)();
void setAudioSinkFactory(AudioSinkFactory f);
