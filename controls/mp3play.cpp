#include "controls/mp3play.h"

#include "controls/audiosink.h"
#include "core/errors.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
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

struct Mpg123 {
    mpg123_handle* h = nullptr;
    Mpg123()
    {
        initMpg123();
        h = mpg123_new(nullptr, nullptr);
        if (h)
            mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    }
    ~Mpg123()
    {
        if (h) {
            mpg123_close(h);
            mpg123_delete(h);
        }
    }
    Mpg123(const Mpg123&) = delete;
    Mpg123& operator=(const Mpg123&) = delete;
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
    if (!m.h || mpg123_open(m.h, QFile::encodeName(file).constData()) != MPG123_OK)
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
    if (info.vbr == MPG123_CBR || m_lengthMs == 0)
        m_bitRate = info.bitrate * 1000;
    else // average over the file, to the nearest kbit/s
        m_bitRate = static_cast<int32_t>((m_audioBytes * 8 + m_lengthMs / 2) / m_lengthMs) * 1000;
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
        v2->setGenre(TagLib::String("(" + std::to_string(genre) + ")"));
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
    if (mpg123_open(m.h, QFile::encodeName(run->path).constData()) != MPG123_OK ||
        mpg123_getformat(m.h, &rate, &channels, &enc) != MPG123_OK || rate != kOutRate ||
        channels != kOutChannels || enc != MPG123_ENC_SIGNED_16) {
        finish();
        return;
    }

    const bool decoding = !run->output.isEmpty();
    SNDFILE* wav = nullptr;
    if (decoding) {
        SF_INFO si{};
        si.samplerate = kOutRate;
        si.channels = kOutChannels;
        si.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        wav = sf_open(QFile::encodeName(run->output).constData(), SFM_WRITE, &si);
        if (!wav) {
            finish();
            return;
        }
    }

    // Playing writes a frame at a time, so pauses and stops take effect at once;
    // decoding uses large blocks.
    const size_t bufBytes = decoding ? 64 * 4608 : 4608;
    std::vector<short> buf(bufBytes / sizeof(short));
    int32_t lastFrame = 0;
    bool natural = false;
    while (!run->cancel) {
        if (decoding) {
            std::unique_lock lk(run->mutex);
            run->cv.wait(lk, [&] { return !run->paused || run->cancel; });
            if (run->cancel)
                break;
        }
        size_t done = 0;
        const int r = mpg123_read(m.h, reinterpret_cast<unsigned char*>(buf.data()), bufBytes, &done);
        if (done > 0) {
            const qint64 items = static_cast<qint64>(done / sizeof(short));
            if (decoding) {
                if (sf_write_short(wav, buf.data(), items) != items)
                    break;
                const auto frame = static_cast<int32_t>(mpg123_tellframe(m.h));
                if (frame - lastFrame >= kDecodeFrameStep) {
                    lastFrame = frame;
                    postFrame(frame);
                }
            } else {
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
        }
        if (r == MPG123_DONE) {
            natural = true;
            break;
        }
        if (r != MPG123_OK && r != MPG123_NEW_FORMAT)
            break; // a damaged stream ends the run as its end would
    }
    if (!decoding && natural && !run->cancel)
        run->sink->drain();
    if (wav)
        sf_close(wav);
    if (natural && !run->cancel && run->frames > lastFrame)
        postFrame(run->frames);
    finish();
}
