#pragma once
// The MP3 control: opens an MP3 file, reports its frames, bit rate, length and tag,
// plays it through the audio output, decodes it into a WAV file, and writes its tag.
//
// Use it from the window thread only. Playing and decoding run on a worker thread;
// their events reach the window thread through its event queue, never inside a call:
// - ActFrame(frame): while playing, the MPEG frame just heard (elapsed seconds =
//   MsPerFrame() * frame / 1000), a few times a second (the window shows seconds);
//   while decoding, the frame just decoded (about every 20 frames). Frames of one run arrive in increasing order; at the natural end the
//   last one is FrameCount(). Events of a run that was stopped, closed or replaced
//   are dropped.
// - ThreadEnded: once per Play and once per Stop of an open file: at the end of the
//   file (or when the run failed), or after Stop (exactly one for a Stop during
//   play). Never when nothing is open. Open and Close end a running play or decode
//   silently; a ThreadEnded already queued by Stop is still delivered. When it is
//   delivered the worker has finished, so Close, Open and Play may be called from it.
//
// Open(file, "") opens for playing and reading; Open(file, wav) makes the next Play
// decode into wav as PCM 44,100 Hz, 16-bit, stereo (resampled and upmixed as needed).
// Open returns 0 when the file holds decodable MPEG audio, non-zero otherwise. It reads the
// tag and the start of the stream only (a listing opens thousands of files): the frame
// count and length come from a Xing, Info or VBRI header, or else from the size at the
// constant bit rate. A run then counts the frames of a header-less stream exactly before
// its first ActFrame, and FrameCount and LengthMs follow that count.
// Tags: ID3v2 read first, then ID3v1; WriteTag writes ID3v1.1 and ID3v2.3 in step.
#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

class AudioSink;

// What Open reads of a file, read without a control: safe on any thread, so that a listing
// can read many files at once. result is what Open returns for the file.
struct Mp3FileFacts {
    int16_t result = 1;
    int nativeRate = 0;
    int spf = 0; // samples a frame
    int32_t frames = 0;
    bool framesEstimated = false;
    int32_t bitRate = 0; // bits a second
    int32_t lengthMs = 0;
    qint64 audioBytes = 0;
    bool hasTag = false;
    QString artist, album, comment;
    int16_t genre = 255;
};
Mp3FileFacts ReadMp3FileFacts(const QString& file);
// The name of an ID3v1 genre number; "" for a number without a name.
QString Mp3GenreName(int16_t genre);

class Mp3Play : public QObject {
    Q_OBJECT
public:
    explicit Mp3Play(QObject* parent = nullptr);
    ~Mp3Play() override;

    // 0 = opened; 1 = the file cannot be read; 2 = no MPEG audio in it.
    int16_t Open(const QString& file, const QString& output);
    // Starts playing (or decoding) from the start and returns at once. Nothing when no file is open.
    void Play();
    // Toggles pause and resume of a running play or decode.
    void Pause();
    void Stop();
    // Releases the file. Safe to call at any time, also twice.
    void Close();
    // 0 (silent) to 1000 (full) per channel; kept across Open.
    void SetVolume(int16_t left, int16_t right);

    float MsPerFrame() const { return m_msPerFrame; }
    int32_t FrameCount() const { return m_frames; }
    int32_t BitRate() const { return m_bitRate; } // bits a second
    int32_t LengthMs() const { return m_lengthMs; }
    bool HasTag() const { return m_hasTag; }
    QString TagArtist() const { return m_tagArtist; }
    QString TagAlbum() const { return m_tagAlbum; }
    QString TagComment() const { return m_tagComment; }
    int16_t TagGenre() const { return m_tagGenre; } // ID3v1 genre number, 255 = none
    QString GenreName(int16_t genre) const;         // "" for a number without a name

    // Fields for the next WriteTag; Open forgets them.
    void SetTagTitle(const QString& v) { m_setTitle = v; }
    void SetTagArtist(const QString& v) { m_setArtist = v; }
    void SetTagAlbum(const QString& v) { m_setAlbum = v; }
    void SetTagComment(const QString& v) { m_setComment = v; }
    void SetTagGenre(uint8_t v) { m_setGenre = v; }
    // Writes the fields set since the last Open into the file that Open last opened
    // successfully, also after Close. Throws AppError when there is none or it cannot
    // be written.
    void WriteTag();

    // Besides the original members: the bytes of MPEG audio in the file (its size less
    // ID3v2, ID3v1 and APE tags), whether a file is open, whether a run is going on.
    qint64 AudioBytes() const { return m_audioBytes; }
    bool IsOpen() const { return m_open; }
    bool IsRunning() const { return m_runActive; }
    // Whether the last decode ended because its WAV file could not be made or written whole (a
    // full disk, a folder that takes no file): the file is then cut short, whatever its header
    // says. Known from its ThreadEnded on; Open and Play clear it.
    bool WriteFailed() const { return m_writeFailed; }
    // Tests: the disk takes `bytes` bytes of each decode's WAV audio, then the write fails as on
    // a full disk (-1: no limit).
    void setRoomForBytes(qint64 bytes) { m_roomBytes = bytes; }

signals:
    void ActFrame(int32_t frame);
    void ThreadEnded();

private:
    struct Run;
    void halt();
    void resetInfo();
    void onFrame(quint64 runId, int32_t frame);
    void onPositionTick();
    void onFinished(quint64 runId);
    void onFrameCount(quint64 runId, int32_t frames);
    static void countFrames(Mp3Play* self, Run& run);
    static void work(Mp3Play* self, std::shared_ptr<Run> run);

    bool m_open = false;
    QString m_path;
    QString m_output;
    QString m_lastOpened;
    int m_nativeRate = 0;
    float m_msPerFrame = 0;
    int m_spf = 0;                 // samples a frame
    int32_t m_frames = 0;
    bool m_framesEstimated = false; // reckoned from the size; a run counts them exactly
    int32_t m_bitRate = 0;
    int32_t m_lengthMs = 0;
    bool m_hasTag = false;
    QString m_tagArtist, m_tagAlbum, m_tagComment;
    int16_t m_tagGenre = 255;
    qint64 m_audioBytes = 0;
    bool m_writeFailed = false;
    std::atomic<qint64> m_roomBytes{-1};

    std::optional<QString> m_setTitle, m_setArtist, m_setAlbum, m_setComment;
    std::optional<uint8_t> m_setGenre;

    std::atomic<double> m_gainLeft{1.0};
    std::atomic<double> m_gainRight{1.0};

    quint64 m_runId = 0;
    bool m_runActive = false;
    bool m_paused = false;
    std::shared_ptr<Run> m_run;
    std::unique_ptr<AudioSink> m_sink;
    std::thread m_worker;
    // While playing, the window thread reads the output's position on this timer.
    QTimer m_positionTimer;
    int32_t m_lastFrame = 0;
};
