#include "controls/mp3play.h"

#include "controls/audiosink.h"
#include "core/errors.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
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

namespace {

constexpr int kOutRate = 44100;
constexpr int kOutChannels = 2;
constexpr int kDecodeFrameStep = 20; // ActFrame every so many frames while decoding

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
    Mpg123()
    {
        initMpg123();
        h = mpg123_new(nullptr, nullptr);
        if (h) {
            mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
            mpg123_replace_reader_handle(h, &readCb, &seekCb, nullptr);
        }
    }
    ~Mpg123()
    {
        if (h) {
            mpg123_close(h);
            mpg123_delete(h);
        }
        if (file)
            std::fclose(file);
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
        return mpg123_open_handle(h, file) == MPG123_OK;
    }

private:
    static mpg123_ssize_t readCb(void* f, void* buf, size_t n)
    {
        const size_t got = std::fread(buf, 1, n, static_cast<FILE*>(f));
        return got == 0 && std::ferror(static_cast<FILE*>(f)) ? -1 : static_cast<mpg123_ssize_t>(got);
    }
    static off_t seekCb(void* f, off_t offset, int whence)
    {
        if (fseeko(static_cast<FILE*>(f), offset, whence) != 0)
            return -1;
        return ftello(static_cast<FILE*>(f));
    }
};

// Writes a WAV file on a thread of its own, so that the disk write overlaps decoding.
// Blocks go round between a pool of free buffers and a queue of full ones.
class WavWriter {
public:
    ~WavWriter() { close(); }
    bool open(const QString& path, size_t blockItems)
    {
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
            const bool ok = m_failed || sf_write_short(m_file, f.block.data(), sf_count_t(f.items)) == sf_count_t(f.items);
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
    double usPerFrame = 0;
    AudioSink* sink = nullptr;
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable cv;
    bool paused = false; // decoding only; playing pauses the output
};

Mp3Play::Mp3Play(QObject* parent) : QObject(parent) {}

Mp3Play::~Mp3Play() { halt(); }

void Mp3Play::resetInfo()
{
    m_open = false;
    m_path.clear();
    m_output.clear();
    m_nativeRate = 0;
    m_msPerFrame = 0;
    m_frames = 0;
    m_bitRate = 0;
    m_lengthMs = 0;
    m_hasTag = false;
    m_tagArtist.clear();
    m_tagAlbum.clear();
    m_tagComment.clear();
    m_tagGenre = 255;
    m_audioBytes = 0;
}

int16_t Mp3Play::Open(const QString& file, const QString& output)
{
    Close();
    m_setTitle.reset();
    m_setArtist.reset();
    m_setAlbum.reset();
    m_setComment.reset();
    m_setGenre.reset();

    const QFileInfo fi(file);
    if (!fi.isFile() || !fi.isReadable())
        return 1;

    Mpg123 m;
    if (!m.open(file))
        return 1;
    long rate = 0;
    int channels = 0, enc = 0;
    if (mpg123_scan(m.h) != MPG123_OK || mpg123_getformat(m.h, &rate, &channels, &enc) != MPG123_OK)
        return 2;
    const off_t frames = mpg123_framelength(m.h);
    const off_t samples = mpg123_length(m.h);
    mpg123_frameinfo info{};
    const int spf = mpg123_spf(m.h);
    if (frames <= 0 || samples <= 0 || rate <= 0 || spf <= 0 || mpg123_info(m.h, &info) != MPG123_OK)
        return 2;

    // The tag, and the size of the audio without it.
    bool hasTag = false;
    QString artist, album, comment;
    int16_t genre = 255;
    qint64 tagBytes = 0;
    {
        TagLib::MPEG::File f(QFile::encodeName(file).constData(), false);
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
        }
    }

    m_open = true;
    m_path = file;
    m_output = output;
    m_lastOpened = file;
    m_nativeRate = static_cast<int>(rate);
    m_msPerFrame = static_cast<float>(spf * 1000.0 / rate);
    m_frames = static_cast<int32_t>(std::min<off_t>(frames, INT32_MAX));
    m_lengthMs = static_cast<int32_t>(std::min<qint64>(qint64(samples) * 1000 / rate, INT32_MAX));
    m_audioBytes = std::max<qint64>(0, fi.size() - tagBytes);
    if (info.vbr == MPG123_CBR || m_lengthMs == 0) {
        m_bitRate = info.bitrate * 1000;
    } else {
        // Average over the file, to the nearest kbit/s. Bytes that are no audio (trailing
        // zeros or junk after a short song) can push it past the highest rate of the stream's
        // format; the frame's own rate is then the better figure.
        const qint64 kbps = (m_audioBytes * 8 + m_lengthMs / 2) / m_lengthMs;
        const int top = info.version == MPG123_1_0 ? (info.layer == 1 ? 448 : info.layer == 2 ? 384 : 320)
                                                   : (info.layer == 1 ? 256 : 160);
        m_bitRate = static_cast<int32_t>((kbps <= top ? kbps : std::min(info.bitrate, top)) * 1000);
    }
    m_hasTag = hasTag;
    m_tagArtist = artist;
    m_tagAlbum = album;
    m_tagComment = comment;
    m_tagGenre = genre;
    return 0;
}

void Mp3Play::Play()
{
    if (!m_open)
        return;
    halt();
    m_paused = false;
    auto run = std::make_shared<Run>();
    run->id = ++m_runId;
    run->path = m_path;
    run->output = m_output;
    run->nativeRate = m_nativeRate;
    run->frames = m_frames;
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

QString Mp3Play::GenreName(int16_t genre) const
{
    if (genre < 0 || genre > 254)
        return {};
    return fromTag(TagLib::ID3v1::genre(genre));
}

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
    if (runId == m_runId && m_runActive)
        emit ActFrame(frame);
}

void Mp3Play::onFinished(quint64 runId)
{
    if (runId != m_runId || !m_runActive)
        return;
    if (m_worker.joinable())
        m_worker.join();
    m_sink.reset();
    m_run.reset();
    m_runActive = false;
    m_paused = false;
    emit ThreadEnded();
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

    const bool decoding = !run->output.isEmpty();
    int32_t lastFrame = 0;
    bool natural = false;
    if (decoding) {
        // Large blocks; the file is written on the writer's thread meanwhile.
        const size_t blockBytes = 64 * 4608;
        WavWriter wav;
        if (!wav.open(run->output, blockBytes / sizeof(short))) {
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
        if (!wav.close())
            natural = false;
    } else {
        // A frame at a time, so that pauses and stops take effect at once.
        const size_t bufBytes = 4608;
        std::vector<short> buf(bufBytes / sizeof(short));
        while (!run->cancel) {
            size_t done = 0;
            const int r = mpg123_read(m.h, reinterpret_cast<unsigned char*>(buf.data()), bufBytes, &done);
            if (done > 0) {
                const qint64 items = static_cast<qint64>(done / sizeof(short));
                const double gl = self->m_gainLeft, gr = self->m_gainRight;
                if (gl < 1.0 || gr < 1.0)
                    for (qint64 i = 0; i + 1 < items; i += 2) {
                        buf[i] = static_cast<short>(buf[i] * gl);
                        buf[i + 1] = static_cast<short>(buf[i + 1] * gr);
                    }
                run->sink->write(reinterpret_cast<const char*>(buf.data()), static_cast<qint64>(done));
                const auto frame = static_cast<int32_t>(run->sink->playedUs() / run->usPerFrame);
                if (frame > lastFrame && !run->cancel) {
                    lastFrame = frame;
                    postFrame(frame);
                }
            }
            if (r == MPG123_DONE) {
                natural = true;
                break;
            }
            if (r != MPG123_OK && r != MPG123_NEW_FORMAT)
                break;
        }
    }
    if (!decoding && natural && !run->cancel)
        run->sink->drain();
    if (natural && !run->cancel && run->frames > lastFrame)
        postFrame(run->frames);
    finish();
}
