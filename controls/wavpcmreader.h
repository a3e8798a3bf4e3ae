#pragma once
// Reading the sound of a WAV file that is burnt to an audio CD, through libsndfile.
#include <QString>
#include <QtGlobal>

// Reads the PCM of a 44,100 Hz 16-bit stereo WAV file as CD audio bytes
// (little-endian, left then right).
class WavPcmReader {
public:
    WavPcmReader() = default;
    ~WavPcmReader();
    WavPcmReader(const WavPcmReader&) = delete;
    WavPcmReader& operator=(const WavPcmReader&) = delete;

    // false (with a message) when the file is missing or not such a WAV.
    bool open(const QString& path, QString* why = nullptr);
    qint64 frames() const { return m_frames; }
    // Reads up to maxFrames frames into out (4 bytes a frame); returns frames read, -1 on error.
    qint64 read(char* out, qint64 maxFrames);
    void close();

private:
    void* m_file = nullptr; // SNDFILE*
    qint64 m_frames = 0;
};
