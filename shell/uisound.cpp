#include "shell/uisound.h"

#include <sndfile.h>

#include <QFile>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "controls/audiosink.h"
#include "platform/appcontext.h"
#include "platform/files.h"
#include "controls/uisound.h"

namespace {
// Plays one sound at a time through the program's audio output. The samples are
// read up front; a worker thread feeds the output, which blocks while it plays.
class SinkSoundPlayer {
public:
    ~SinkSoundPlayer() { stopCurrent(); }

    bool playAsync(const QString& path)
    {
        std::lock_guard lk(m_mutex);
        stopCurrent();
        const QString file = resolveIgnoringCase(path);
        if (file.isEmpty())
            return false;
        SF_INFO info{};
        SNDFILE* sf = sf_open(QFile::encodeName(file).constData(), SFM_READ, &info);
        if (!sf)
            return false;
        std::vector<short> samples;
        if (info.frames > 0 && info.channels > 0 && info.frames < 44100LL * 60) {
            samples.resize(static_cast<size_t>(info.frames * info.channels));
            const sf_count_t got = sf_readf_short(sf, samples.data(), info.frames);
            samples.resize(static_cast<size_t>(std::max<sf_count_t>(got, 0) * info.channels));
        }
        sf_close(sf);
        if (samples.empty())
            return false;
        std::unique_ptr<AudioSink> sink = makeAudioSink();
        if (!sink || !sink->start(info.samplerate, info.channels))
            return false;
        m_sink = std::move(sink);
        AudioSink* out = m_sink.get();
        m_worker = std::thread([this, out, data = std::move(samples)] {
            const char* p = reinterpret_cast<const char*>(data.data());
            qint64 left = static_cast<qint64>(data.size() * sizeof(short));
            while (left > 0 && !m_stop) {
                const qint64 chunk = std::min<qint64>(left, 8192);
                const qint64 n = out->write(p, chunk);
                if (n <= 0)
                    break;
                p += n;
                left -= n;
            }
        });
        return true;
    }

private:
    void stopCurrent()
    {
        m_stop = true;
        if (m_sink)
            m_sink->stop();
        if (m_worker.joinable())
            m_worker.join();
        m_sink.reset();
        m_stop = false;
    }

    std::mutex m_mutex;
    std::unique_ptr<AudioSink> m_sink;
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
};
} // namespace

// The real window-sound player: one sound at a time through the program's audio output.
bool RealUiSound::play(const QString& path, int)
{
    static SinkSoundPlayer player;
    return player.playAsync(path);
}

void PlayProgramSound(const QString& fileName)
{
    sndPlaySoundA(Ctx().programFile(fileName), Snd::Async | Snd::NoDefault);
}

void PlayLauncherSound() { PlayProgramSound(QStringLiteral("Whoosh.wav")); }
