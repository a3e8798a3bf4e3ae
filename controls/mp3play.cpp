#include "controls/mp3play.h"

#include "controls/audiosink.h"
#include "platform/errors.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <condition_variable>
#include <mpg123.h>
#include <mutex>
#include <sndfile.h>
#include <vector>

#include <taglib/apefooter.h>
#include <taglib/apetag.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegproperties.h>
#include <taglib/xingheader.h>

namespace {

constexpr int kOutRate = 44100;
constexpr int kOutChannels = 2;
constexpr int kDecodeFrameStep = 20; // ActFrame every so many frames while decoding
constexpr int kPlayEventMs = 200;    // ActFrame at most so often while playing (the window shows seconds)
constexpr size_t kPlayBlockBytes = 4 * 4608; // about 100 ms of audio per write to the output

void initMpg123()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

// A decoder handle reading its file through a buffered stream: libmpg123's own reader
// makes two system calls per frame, which costs more than a whole scan's parsing.
struct Mpg123 {
    mpg123_handle* h = nullptr;
    FILE* file = nullptr;
    const std::atomic<bool>* cancel = nullptr; // once set, reading fails
    Mpg123() : h(newHandle()), m_owned(true) {}
    // On a handle that outlives this (closed again at the end).
    explicit Mpg123(mpg123_handle* shared) : h(shared), m_owned(false) {}
    ~Mpg123()
    {
        if (h) {
            mpg123_close(h);
            if (m_owned)
                mpg123_delete(h);
        }
        if (file)
            std::fclose(file);
    }
    static mpg123_handle* newHandle()
    {
        initMpg123();
        mpg123_handle* h = mpg123_new(nullptr, nullptr);
        if (h) {
            mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
            mpg123_replace_reader_handle(h, &readCb, &seekCb, nullptr);
        }
        return h;
    }
    Mpg123(const Mpg123&) = delete;
    Mpg123& operator=(const Mpg123&) = delete;

    bool open(const QString& path)
    {
        if (!h)
            return false;
        file = std::fopen(QFile::encodeName(path).constData(), "rb");
        if (!file)
            return false;
        std::setvbuf(file, nullptr, _IOFBF, 64 * 1024);
        return mpg123_open_handle(h, this) == MPG123_OK;
    }

private:
    bool m_owned;
    static mpg123_ssize_t readCb(void* self, void* buf, size_t n)
    {
        auto* m = static_cast<Mpg123*>(self);
        if (m->cancel && *m->cancel)
            return -1;
        const size_t got = std::fread(buf, 1, n, m->file);
        return got == 0 && std::ferror(m->file) ? -1 : static_cast<mpg123_ssize_t>(got);
    }
    static off_t seekCb(void* self, off_t offset, int whence)
    {
        auto* m = static_cast<Mpg123*>(self);
        if (fseeko(m->file, offset, whence) != 0)
            return -1;
        return ftello(m->file);
    }
};

// Frames and samples of a stream, from what its start tells: a Xing, Info or VBRI header
// frame, or else the frame size of a constant bit rate. Reading the whole file is left to
// a play or decode run, which needs it only when the count was reckoned from the size.
struct StreamLength {
    qint64 frames = 0;
    qint64 samples = 0;
    bool estimated = false;
};

StreamLength streamLength(Mpg123& m, const mpg123_frameinfo& info, int spf, long rate, int32_t headerFrames,
                          qint64 audioBytes)
{
    StreamLength len;
    if (headerFrames > 0) {
        // libmpg123 read the same header (unless it is a kind it does not know); its sample
        // count then also leaves out the encoder's delay and padding.
        const off_t frames = mpg123_framelength(m.h);
        const off_t samples = mpg123_length(m.h);
        len.frames = headerFrames;
        len.samples = frames == headerFrames && samples > 0 ? qint64(samples) : qint64(headerFrames) * spf;
        return len;
    }
    if (info.bitrate > 0) {
        // Constant bit rate: the padding slots even the frames out to this many bytes each.
        const double frameBytes = double(spf) / 8.0 * info.bitrate * 1000.0 / double(rate);
        len.frames = std::llround(double(audioBytes) / frameBytes);
        len.samples = len.frames * spf;
        len.estimated = true;
        return len;
    }
    // Free format: only reading every frame tells.
    if (mpg123_scan(m.h) == MPG123_OK) {
        len.frames = mpg123_framelength(m.h);
        len.samples = mpg123_length(m.h);
    }
    return len;
}

// The exact frame count of a stream: a full scan, stopped when cancel is set. -1 when it
// could not be read or was stopped.
qint64 scannedFrames(const QString& path, const std::atomic<bool>& cancel)
{
    Mpg123 m;
    m.cancel = &cancel;
    if (!m.open(path) || mpg123_scan(m.h) != MPG123_OK)
        return -1;
    return mpg123_framelength(m.h);
}

// Writes a WAV file on a thread of its own, so that the disk write overlaps decoding.
// Blocks go round between a pool of free buffers and a queue of full ones.
class WavWriter {
public:
    ~WavWriter() { close(); }
    // room: the bytes of audio the disk takes before a write fails (-1: no limit).
    bool open(const QString& path, size_t blockItems, qint64 room = -1)
    {
        m_room = room;
        SF_INFO si{};
        si.samplerate = kOutRate;
        si.channels = kOutChannels;
        si.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        m_file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &si);
        if (!m_file)
            return false;
        for (int i = 0; i < 3; ++i)
            m_free.emplace_back(blockItems);
        m_thread = std::thread([this] { loop(); });
        return true;
    }
    // A free block to decode into; empty when writing failed.
    std::vector<short> take()
    {
        std::unique_lock lk(m_mutex);
        m_cv.wait(lk, [&] { return !m_free.empty() || m_failed; });
        if (m_failed)
            return {};
        std::vector<short> b = std::move(m_free.back());
        m_free.pop_back();
        return b;
    }
    void submit(std::vector<short>&& block, size_t items)
    {
        {
            std::lock_guard lk(m_mutex);
            m_full.push_back({std::move(block), items});
        }
        m_cv.notify_all();
    }
    // Writes what is queued and closes the file; false when a write failed.
    bool close()
    {
        if (!m_file)
            return !m_failed;
        {
            std::lock_guard lk(m_mutex);
            m_closing = true;
        }
        m_cv.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        sf_close(m_file);
        m_file = nullptr;
        return !m_failed;
    }
    bool failed()
    {
        std::lock_guard lk(m_mutex);
        return m_failed;
    }

private:
    struct Full {
        std::vector<short> block;
        size_t items;
    };
    void loop()
    {
        std::unique_lock lk(m_mutex);
        for (;;) {
            m_cv.wait(lk, [&] { return !m_full.empty() || m_closing; });
            if (m_full.empty())
                return;
            Full f = std::move(m_full.front());
            m_full.pop_front();
            lk.unlock();
            sf_count_t items = sf_count_t(f.items);
            if (m_room >= 0)
                items = std::min<sf_count_t>(items, std::max<qint64>(0, m_room - m_written) / sizeof(short));
            bool ok = !m_failed && sf_write_short(m_file, f.block.data(), items) == items;
            m_written += items * qint64(sizeof(short));
            if (items < sf_count_t(f.items))
                ok = false; // the disk took only part of the block

            lk.lock();
            if (!ok)
                m_failed = true;
            m_free.push_back(std::move(f.block));
            m_cv.notify_all();
        }
    }
    SNDFILE* m_file = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<std::vector<short>> m_free;
    std::deque<Full> m_full;
    bool m_closing = false;
    bool m_failed = false;
    qint64 m_room = -1;
    qint64 m_written = 0;
};

TagLib::String toTag(const QString& s) { return TagLib::String(s.toStdString(), TagLib::String::UTF8); }
QString fromTag(const TagLib::String& s) { return QString::fromStdString(s.to8Bit(true)); }

} // namespace

// One play or decode: what the worker needs, shared with the window thread.
struct Mp3Play::Run {
    quint64 id = 0;
    QString path;
    QString output;  // "" = play
    int nativeRate = 0;
    int32_t frames = 0;
    bool framesEstimated = false; // counted exactly before the run starts
    double usPerFrame = 0;
    AudioSink* sink = nullptr;
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable cv;
    bool paused = false; // decoding only; playing pauses the output
    qint64 roomBytes = -1;
    std::atomic<bool> writeFailed{false}; // the WAV could not be made or written whole
};

Mp3Play::Mp3Play(QObject* parent) : QObject(parent)
{
    m_positionTimer.setInterval(kPlayEventMs);
    connect(&m_positionTimer, &QTimer::timeout, this, &Mp3Play::onPositionTick);
}

Mp3Play::~Mp3Play() { halt(); }

void Mp3Play::resetInfo()
{
    m_open = false;
    m_path.clear();
    m_output.clear();
    m_nativeRate = 0;
    m_msPerFrame = 0;
    m_spf = 0;
    m_frames = 0;
    m_framesEstimated = false;
    m_bitRate = 0;
    m_lengthMs = 0;
    m_hasTag = false;
    m_tagArtist.clear();
    m_tagAlbum.clear();
    m_tagComment.clear();
    m_tagGenre = 255;
    m_audioBytes = 0;
}

Mp3FileFacts ReadMp3FileFacts(const QString& file)
{
    Mp3FileFacts out;
    const QFileInfo fi(file);
    if (!fi.isFile() || !fi.isReadable())
        return out;

    // One decoder handle for each thread that reads files: a new handle sets up its decoding
    // tables, which costs more than reading the start of a file.
    thread_local const std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> handle(Mpg123::newHandle(),
                                                                                      [](mpg123_handle* h) {
                                                                                          if (h)
                                                                                              mpg123_delete(h);
                                                                                      });
    Mpg123 m(handle.get());
    if (!m.open(file))
        return out;
    out.result = 2;
    long rate = 0;
    int channels = 0, enc = 0;
    mpg123_frameinfo info{};
    if (mpg123_getformat(m.h, &rate, &channels, &enc) != MPG123_OK || mpg123_info(m.h, &info) != MPG123_OK)
        return out;
    const int spf = mpg123_spf(m.h);
    if (rate <= 0 || spf <= 0)
        return out;

    // The tag, the size of the audio without it, and the stream's header frame (one read).
    bool hasTag = false;
    QString artist, album, comment;
    int16_t genre = 255;
    qint64 tagBytes = 0;
    int32_t headerFrames = 0; // total frames told by a Xing, Info or VBRI header; 0 = none
    {
        TagLib::MPEG::File f(QFile::encodeName(file).constData(), true, TagLib::AudioProperties::Average);
        if (f.isValid()) {
            hasTag = f.hasID3v1Tag() || f.hasID3v2Tag() || f.hasAPETag();
            if (hasTag) {
                const TagLib::Tag* t = f.tag();
                artist = fromTag(t->artist());
                album = fromTag(t->album());
                comment = fromTag(t->comment());
                if (f.hasID3v1Tag())
                    genre = static_cast<int16_t>(f.ID3v1Tag()->genreNumber());
                if (genre == 255 && !t->genre().isEmpty())
                    genre = static_cast<int16_t>(TagLib::ID3v1::genreIndex(t->genre()));
            }
            if (f.hasID3v2Tag())
                tagBytes += f.ID3v2Tag()->header()->completeTagSize();
            if (f.hasID3v1Tag())
                tagBytes += 128;
            if (f.hasAPETag())
                tagBytes += f.APETag()->footer()->completeTagSize();
            if (const auto* p = f.audioProperties(); p && p->xingHeader())
                headerFrames = static_cast<int32_t>(std::min<unsigned>(p->xingHeader()->totalFrames(), INT32_MAX));
        }
    }
    const qint64 audioBytes = std::max<qint64>(0, fi.size() - tagBytes);
    // A header's frame count is only a claim: more frames than the file's bytes hold at the
    // lowest bit rate of the stream's kind (32 kbit/s for MPEG-1, 8 for MPEG-2 and 2.5) is
    // not believed, and the length is reckoned as for a stream without such a header.
    const int lowestKbps = info.version == MPG123_1_0 ? 32 : 8;
    const qint64 fewestFrameBytes = std::max<qint64>(1, qint64(spf) * lowestKbps * 1000 / 8 / rate);
    if (headerFrames > audioBytes / fewestFrameBytes)
        headerFrames = 0;
    const StreamLength len = streamLength(m, info, spf, rate, headerFrames, audioBytes);
    if (len.frames <= 0 || len.samples <= 0)
        return out;

    out.result = 0;
    out.nativeRate = static_cast<int>(rate);
    out.spf = spf;
    out.framesEstimated = len.estimated;
    out.frames = static_cast<int32_t>(std::min<qint64>(len.frames, INT32_MAX));
    out.lengthMs = static_cast<int32_t>(std::min<qint64>(len.samples * 1000 / rate, INT32_MAX));
    out.audioBytes = audioBytes;
    if (info.vbr == MPG123_CBR || out.lengthMs == 0) {
        out.bitRate = info.bitrate * 1000;
    } else {
        // Average over the file, to the nearest kbit/s. Bytes that are no audio (trailing
        // zeros or junk after a short song) can push it past the highest rate of the stream's
        // format; the frame's own rate is then the better figure.
        const qint64 kbps = (out.audioBytes * 8 + out.lengthMs / 2) / out.lengthMs;
        const int top = info.version == MPG123_1_0 ? (info.layer == 1 ? 448 : info.layer == 2 ? 384 : 320)
                                                   : (info.layer == 1 ? 256 : 160);
        out.bitRate = static_cast<int32_t>((kbps <= top ? kbps : std::min(info.bitrate, top)) * 1000);
    }
    out.hasTag = hasTag;
    out.artist = artist;
    out.album = album;
    out.comment = comment;
    out.genre = genre;
    return out;
}

QString Mp3GenreName(int16_t genre)
{
    if (genre < 0 || genre > 254)
        return {};
    return fromTag(TagLib::ID3v1::genre(genre));
}

int16_t Mp3Play::Open(const QString& file, const QString& output)
{
    Close();
    m_writeFailed = false;
    m_setTitle.reset();
    m_setArtist.reset();
    m_setAlbum.reset();
    m_setComment.reset();
    m_setGenre.reset();

    const Mp3FileFacts f = ReadMp3FileFacts(file);
    if (f.result != 0)
        return f.result;
    m_open = true;
    m_path = file;
    m_output = output;
    m_lastOpened = file;
    m_nativeRate = f.nativeRate;
    m_msPerFrame = static_cast<float>(f.spf * 1000.0 / f.nativeRate);
    m_spf = f.spf;
    m_framesEstimated = f.framesEstimated;
    m_frames = f.frames;
    m_lengthMs = f.lengthMs;
    m_audioBytes = f.audioBytes;
    m_bitRate = f.bitRate;
    m_hasTag = f.hasTag;
    m_tagArtist = f.artist;
    m_tagAlbum = f.album;
    m_tagComment = f.comment;
    m_tagGenre = f.genre;
    return 0;
}

void Mp3Play::Play()
{
    if (!m_open)
        return;
    halt();
    m_paused = false;
    m_writeFailed = false;
    auto run = std::make_shared<Run>();
    run->id = ++m_runId;
    run->roomBytes = m_roomBytes;
    run->path = m_path;
    run->output = m_output;
    run->nativeRate = m_nativeRate;
    run->frames = m_frames;
    run->framesEstimated = m_framesEstimated;
    run->usPerFrame = m_msPerFrame * 1000.0;
    if (m_output.isEmpty()) {
        m_sink = makeAudioSink();
        if (!m_sink || !m_sink->start(kOutRate, kOutChannels)) {
            m_sink = makeNullAudioSink();
            m_sink->start(kOutRate, kOutChannels);
        }
        run->sink = m_sink.get();
    }
    m_run = run;
    m_runActive = true;
    m_lastFrame = 0;
    if (m_sink)
        m_positionTimer.start();
    m_worker = std::thread(&Mp3Play::work, this, run);
}

void Mp3Play::Pause()
{
    if (!m_runActive || !m_run)
        return;
    m_paused = !m_paused;
    {
        std::lock_guard lk(m_run->mutex);
        m_run->paused = m_paused;
    }
    m_run->cv.notify_all();
    if (m_sink)
        m_sink->pause(m_paused);
}

// Ends the current run, if any, without an event.
void Mp3Play::halt()
{
    if (m_run) {
        m_run->cancel = true;
        {
            std::lock_guard lk(m_run->mutex);
        }
        m_run->cv.notify_all();
    }
    m_positionTimer.stop();
    if (m_sink)
        m_sink->stop();
    if (m_worker.joinable())
        m_worker.join();
    m_sink.reset();
    m_run.reset();
    if (m_runActive)
        ++m_runId; // drops the stopped run's queued events
    m_runActive = false;
    m_paused = false;
}

void Mp3Play::Stop()
{
    if (!m_open)
        return;
    halt();
    QMetaObject::invokeMethod(this, [this] { emit ThreadEnded(); }, Qt::QueuedConnection);
}

void Mp3Play::Close()
{
    halt();
    resetInfo();
}

void Mp3Play::SetVolume(int16_t left, int16_t right)
{
    m_gainLeft = std::clamp(left, int16_t(0), int16_t(1000)) / 1000.0;
    m_gainRight = std::clamp(right, int16_t(0), int16_t(1000)) / 1000.0;
}

QString Mp3Play::GenreName(int16_t genre) const { return Mp3GenreName(genre); }

void Mp3Play::WriteTag()
{
    if (m_lastOpened.isEmpty())
        throw AppError(Err::BadFileName, QStringLiteral("No MP3 file was opened for the tag"), QStringLiteral("Mp3Play"));
    TagLib::MPEG::File f(QFile::encodeName(m_lastOpened).constData(), false);
    if (!f.isValid() || f.readOnly())
        throw AppError(Err::PathFileAccess, QStringLiteral("Cannot write the tag of ") + m_lastOpened,
                       QStringLiteral("Mp3Play"));
    TagLib::ID3v2::Tag* v2 = f.ID3v2Tag(true);
    TagLib::ID3v1::Tag* v1 = f.ID3v1Tag(true);
    // Fields not set keep what the file had; both tags start from the merged view so they agree.
    const TagLib::String title = m_setTitle ? toTag(*m_setTitle) : f.tag()->title();
    const TagLib::String artist = m_setArtist ? toTag(*m_setArtist) : f.tag()->artist();
    const TagLib::String album = m_setAlbum ? toTag(*m_setAlbum) : f.tag()->album();
    const TagLib::String comment = m_setComment ? toTag(*m_setComment) : f.tag()->comment();
    unsigned genre = v1->genreNumber();
    if (genre == 255 && !f.tag()->genre().isEmpty())
        genre = static_cast<unsigned>(TagLib::ID3v1::genreIndex(f.tag()->genre()));
    if (m_setGenre)
        genre = *m_setGenre;
    for (TagLib::Tag* t : {static_cast<TagLib::Tag*>(v2), static_cast<TagLib::Tag*>(v1)}) {
        t->setTitle(title);
        t->setArtist(artist);
        t->setAlbum(album);
        t->setComment(comment);
    }
    v1->setGenreNumber(genre);
    const TagLib::String name = TagLib::ID3v1::genre(static_cast<int>(genre));
    if (!name.isEmpty())
        v2->setGenre(name);
    else if (genre == 255)
        v2->setGenre(TagLib::String());
    else // a number without a name: the ID3v2.3 numeric form
        v2->setGenre(toTag(QStringLiteral("(%1)").arg(genre)));
    if (!f.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3,
                TagLib::File::DoNotDuplicate))
        throw AppError(Err::PathFileAccess, QStringLiteral("Cannot write the tag of ") + m_lastOpened,
                       QStringLiteral("Mp3Play"));
}

void Mp3Play::onFrame(quint64 runId, int32_t frame)
{
    if (runId == m_runId && m_runActive && frame > m_lastFrame) {
        m_lastFrame = frame;
        emit ActFrame(frame);
    }
}

void Mp3Play::onPositionTick()
{
    if (!m_runActive || !m_sink || m_msPerFrame <= 0)
        return;
    onFrame(m_runId, static_cast<int32_t>(m_sink->playedUs() / (m_msPerFrame * 1000.0)));
}

void Mp3Play::onFrameCount(quint64 runId, int32_t frames)
{
    if (runId != m_runId || !m_runActive || !m_open || m_nativeRate <= 0)
        return;
    m_frames = frames;
    m_framesEstimated = false;
    m_lengthMs = static_cast<int32_t>(std::min<qint64>(qint64(frames) * m_spf * 1000 / m_nativeRate, INT32_MAX));
}

void Mp3Play::onFinished(quint64 runId)
{
    if (runId != m_runId || !m_runActive)
        return;
    m_positionTimer.stop();
    if (m_worker.joinable())
        m_worker.join();
    m_writeFailed = m_run && m_run->writeFailed;
    m_sink.reset();
    m_run.reset();
    m_runActive = false;
    m_paused = false;
    emit ThreadEnded();
}

// On the worker: the exact frame count of a stream whose count was reckoned from its size,
// for the run and (queued, ahead of any frame event) for the control.
void Mp3Play::countFrames(Mp3Play* self, Run& run)
{
    const qint64 n = scannedFrames(run.path, run.cancel);
    if (n <= 0 || n > INT32_MAX || n == run.frames)
        return;
    const auto frames = static_cast<int32_t>(n);
    run.frames = frames;
    QMetaObject::invokeMethod(self, [self, id = run.id, frames] { self->onFrameCount(id, frames); }, Qt::QueuedConnection);
}

// The worker: decodes the file and feeds the audio output or the WAV file.
void Mp3Play::work(Mp3Play* self, std::shared_ptr<Run> run)
{
    const quint64 id = run->id;
    auto postFrame = [self, id](int32_t frame) {
        QMetaObject::invokeMethod(self, [self, id, frame] { self->onFrame(id, frame); }, Qt::QueuedConnection);
    };
    auto finish = [self, id] {
        QMetaObject::invokeMethod(self, [self, id] { self->onFinished(id); }, Qt::QueuedConnection);
    };

    Mpg123 m;
    if (!m.h) {
        finish();
        return;
    }
    // Always 44,100 Hz 16-bit stereo: what the WAV must hold and what every device plays.
    if (run->nativeRate != kOutRate)
        mpg123_param(m.h, MPG123_FORCE_RATE, kOutRate, 0);
    mpg123_param(m.h, MPG123_ADD_FLAGS, MPG123_FORCE_STEREO, 0);
    mpg123_format_none(m.h);
    mpg123_format(m.h, kOutRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    long rate = 0;
    int channels = 0, enc = 0;
    if (!m.open(run->path) ||
        mpg123_getformat(m.h, &rate, &channels, &enc) != MPG123_OK || rate != kOutRate ||
        channels != kOutChannels || enc != MPG123_ENC_SIGNED_16) {
        finish();
        return;
    }

    if (run->framesEstimated)
        countFrames(self, *run);

    const bool decoding = !run->output.isEmpty();
    int32_t lastFrame = 0;
    bool natural = false;
    if (decoding) {
        // Large blocks; the file is written on the writer's thread meanwhile.
        const size_t blockBytes = 64 * 4608;
        WavWriter wav;
        if (!wav.open(run->output, blockBytes / sizeof(short), run->roomBytes)) {
            run->writeFailed = true;
            finish();
            return;
        }
        while (!run->cancel) {
            {
                std::unique_lock lk(run->mutex);
                run->cv.wait(lk, [&] { return !run->paused || run->cancel; });
                if (run->cancel)
                    break;
            }
            std::vector<short> block = wav.take();
            if (block.empty())
                break; // the disk refused the data
            size_t done = 0;
            const int r = mpg123_read(m.h, reinterpret_cast<unsigned char*>(block.data()), blockBytes, &done);
            wav.submit(std::move(block), done / sizeof(short));
            const auto frame = static_cast<int32_t>(mpg123_tellframe(m.h));
            if (frame - lastFrame >= kDecodeFrameStep) {
                lastFrame = frame;
                postFrame(frame);
            }
            if (r == MPG123_DONE) {
                natural = true;
                break;
            }
            if (r != MPG123_OK && r != MPG123_NEW_FORMAT)
                break; // a damaged stream ends the run as its end would
        }
        // A write the disk refused ends the run as a failure, never as the song's end.
        if (!wav.close()) {
            natural = false;
            run->writeFailed = !run->cancel;
        }
    } else {
        // Blocks of about 100 ms: the output takes them whole, and pause and stop act on
        // the output at once. The window thread reads the position meanwhile.
        std::vector<short> buf(kPlayBlockBytes / sizeof(short));
        while (!run->cancel) {
            size_t done = 0;
            const int r = mpg123_read(m.h, reinterpret_cast<unsigned char*>(buf.data()), kPlayBlockBytes, &done);
            if (done > 0) {
                const qint64 items = static_cast<qint64>(done / sizeof(short));
                const double gl = self->m_gainLeft, gr = self->m_gainRight;
                if (gl < 1.0 || gr < 1.0)
                    for (qint64 i = 0; i + 1 < items; i += 2) {
                        buf[i] = static_cast<short>(buf[i] * gl);
                        buf[i + 1] = static_cast<short>(buf[i + 1] * gr);
                    }
                run->sink->write(reinterpret_cast<const char*>(buf.data()), static_cast<qint64>(done));
            }
            if (r == MPG123_DONE) {
                natural = true;
                break;
            }
            if (r != MPG123_OK && r != MPG123_NEW_FORMAT)
                break;
        }
        if (natural && !run->cancel)
            run->sink->drain();
    }
    if (natural && !run->cancel && run->frames > lastFrame)
        postFrame(run->frames);
    finish();
}
