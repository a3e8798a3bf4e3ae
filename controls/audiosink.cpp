#include "controls/audiosink.h"

#include "controls/pulseoutput.h"
#include "platform/services.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// ---- null output ----
class NullAudioSink : public AudioSink {
public:
    bool start(int sampleRate, int channels) override
    {
        if (sampleRate <= 0 || channels <= 0)
            return false;
        std::lock_guard lk(m_mutex);
        m_clock = &Clocks();
        m_bytesPerSec = qint64(sampleRate) * channels * 2;
        m_written = 0;
        m_baseUs = 0;
        m_baseMs = m_clock->monotonicMs();
        m_paused = false;
        m_stopped = false;
        return true;
    }

    qint64 write(const char*, qint64 bytes) override
    {
        std::unique_lock lk(m_mutex);
        if (m_stopped || m_bytesPerSec == 0 || bytes <= 0)
            return 0;
        m_written += bytes;
        const qint64 target = writtenUs();
        for (;;) {
            if (m_stopped)
                return 0;
            if (m_paused) {
                m_cv.wait(lk, [&] { return !m_paused || m_stopped; });
                continue;
            }
            const qint64 deadline = m_baseMs + (target - m_baseUs + 999) / 1000;
            if (m_clock->monotonicMs() >= deadline)
                return bytes;
            Clock* clock = m_clock;
            lk.unlock();
            clock->sleepUntilMsOr(deadline, [this] { return m_paused.load() || m_stopped.load(); });
            lk.lock();
        }
    }

    void pause(bool paused) override
    {
        {
            std::lock_guard lk(m_mutex);
            if (!m_clock || m_stopped)
                return;
            if (paused && !m_paused) {
                m_baseUs = playedLocked();
                m_paused = true;
            } else if (!paused && m_paused) {
                m_baseMs = m_clock->monotonicMs();
                m_paused = false;
            }
        }
        wake();
    }

    void stop() override
    {
        {
            std::lock_guard lk(m_mutex);
            if (m_clock && !m_stopped)
                m_baseUs = playedLocked();
            m_stopped = true;
        }
        wake();
    }

    void setVolume(double) override {}

    qint64 playedUs() const override
    {
        std::lock_guard lk(m_mutex);
        if (!m_clock)
            return 0;
        return m_stopped ? m_baseUs : playedLocked();
    }

private:
    qint64 writtenUs() const { return m_bytesPerSec ? m_written * 1000000 / m_bytesPerSec : 0; }
    qint64 rawPlayedUs() const
    {
        if (m_paused || m_stopped)
            return m_baseUs;
        return m_baseUs + (m_clock->monotonicMs() - m_baseMs) * 1000;
    }
    qint64 playedLocked() const { return std::min(rawPlayedUs(), writtenUs()); }
    void wake()
    {
        m_cv.notify_all();
        if (m_clock)
            m_clock->wakeSleepers();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    Clock* m_clock = nullptr;
    qint64 m_bytesPerSec = 0;
    qint64 m_written = 0; // bytes
    qint64 m_baseUs = 0;  // position when counting (re)started at m_baseMs
    qint64 m_baseMs = 0;
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_stopped{false};
};

// ---- lost-output guard ----
constexpr qint64 kWatchMs = 250;  // the guard asks the output whether it is lost so often
constexpr qint64 kRetryMs = 1000; // and, while the song plays silently, tries the server again so often

class GuardedAudioSink : public AudioSink {
public:
    explicit GuardedAudioSink(std::unique_ptr<AudioSink> inner) : m_inner(std::move(inner)) {}
    ~GuardedAudioSink() override { endWatch(); }

    bool start(int sampleRate, int channels) override
    {
        endWatch();
        if (sampleRate <= 0 || channels <= 0)
            return false;
        std::shared_ptr<AudioSink> inner;
        {
            std::lock_guard lk(m_mutex);
            m_failed = false;
            m_stopped = false;
            m_paused = false;
            m_fallback.reset();
            m_candidate.reset();
            m_baseUs = 0;
            m_rate = sampleRate;
            m_channels = channels;
            inner = m_inner;
        }
        // An output that cannot start (its server went away meanwhile), or none at all, plays
        // as the null one until the server is found again.
        if (!inner || !inner->start(sampleRate, channels))
            failOver();
        m_quit = false;
        m_watch = std::thread([this] { watch(); });
        return true;
    }

    qint64 write(const char* data, qint64 bytes) override
    {
        qint64 taken = 0;
        while (taken < bytes && !m_stopped) {
            const auto [out, failed] = current();
            if (!out)
                break;
            taken += out->write(data + taken, bytes - taken);
            if (taken == bytes)
                break;
            if (!failed) {
                if (!out->lost() && !m_failed)
                    break; // stopped
                failOver();
            } else if (current().first == out) {
                break; // the null output stopped; else the server came back meanwhile
            }
        }
        return taken;
    }

    void pause(bool paused) override
    {
        std::lock_guard lk(m_mutex);
        m_paused = paused;
        if (m_inner)
            m_inner->pause(paused);
        if (m_fallback)
            m_fallback->pause(paused);
    }

    void stop() override
    {
        std::shared_ptr<AudioSink> inner, fb;
        {
            std::lock_guard lk(m_mutex);
            m_stopped = true;
            inner = m_inner;
            fb = m_fallback;
        }
        if (inner)
            inner->stop();
        if (fb)
            fb->stop();
    }

    void setVolume(double v) override
    {
        std::lock_guard lk(m_mutex);
        m_volume = v;
        if (m_inner)
            m_inner->setVolume(v);
    }

    qint64 playedUs() const override
    {
        std::lock_guard lk(m_mutex);
        const AudioSink* out = m_failed ? m_fallback.get() : m_inner.get();
        return m_baseUs + (out ? out->playedUs() : 0);
    }

    void drain() override
    {
        while (!m_stopped) {
            const auto [out, failed] = current();
            if (!out)
                return;
            out->drain();
            if (failed || (!out->lost() && !m_failed))
                return;
            failOver();
        }
    }

private:
    // The output the writer uses now (the null one once the device output failed).
    std::pair<std::shared_ptr<AudioSink>, bool> current()
    {
        std::lock_guard lk(m_mutex);
        if (!m_failed)
            return {m_inner, false};
        if (!m_fallback) {
            m_fallback = makeNullAudioSink();
            m_fallback->start(m_rate, m_channels);
            if (m_paused)
                m_fallback->pause(true);
            if (m_stopped)
                m_fallback->stop();
        }
        return {m_fallback, true};
    }

    // Asks the output a few times a second whether it is lost, so a writer blocked on a
    // lost output goes on at once; once it is lost, tries the server again now and then.
    void watch()
    {
        Clock& clock = Clocks();
        for (;;) {
            clock.sleepUntilMsOr(clock.monotonicMs() + kWatchMs, [this] { return m_quit.load(); });
            if (m_quit)
                return;
            if (m_stopped)
                continue;
            std::shared_ptr<AudioSink> inner;
            {
                std::lock_guard lk(m_mutex);
                inner = m_inner;
            }
            if (!m_failed) {
                if (inner && inner->lost())
                    failOver();
                continue;
            }
            retry(clock.monotonicMs());
        }
    }

    // Watch thread: a new output of the server is started beside the null one; once it is
    // connected, the rest of the song goes to it.
    void retry(qint64 nowMs)
    {
        if (m_candidate) {
            if (m_candidate->lost())
                m_candidate.reset();
            else if (!m_candidate->connecting())
                takeOver();
            return;
        }
        if (nowMs < m_nextTryMs)
            return;
        m_nextTryMs = nowMs + kRetryMs;
        std::unique_ptr<AudioSink> out = SoundServers().openOutput();
        if (!out)
            return;
        {
            std::lock_guard lk(m_mutex);
            out->setVolume(m_volume);
        }
        if (out->start(m_rate, m_channels))
            m_candidate = std::move(out);
    }

    void takeOver()
    {
        std::shared_ptr<AudioSink> fb;
        {
            std::lock_guard lk(m_mutex);
            if (m_stopped)
                return;
            if (m_paused)
                m_candidate->pause(true);
            fb = m_fallback;
            m_baseUs += fb ? fb->playedUs() : 0;
            m_inner = std::move(m_candidate);
            m_fallback.reset();
            m_failed = false;
        }
        // A writer waiting in the null output comes back and writes to the new output.
        if (fb)
            fb->stop();
    }

    // Gives the output up: it is stopped (a blocked write returns with what it took) and
    // the rest goes to the null output. The time runs on from what was heard: what the
    // lost output held unplayed is skipped rather than the display leaping over it.
    void failOver()
    {
        std::shared_ptr<AudioSink> inner;
        {
            std::lock_guard lk(m_mutex);
            if (m_failed)
                return;
            inner = m_inner;
        }
        const qint64 heard = inner ? inner->playedUs() : 0;
        {
            std::lock_guard lk(m_mutex);
            if (m_failed)
                return;
            m_baseUs += heard;
            m_failed = true;
            m_nextTryMs = 0;
        }
        if (inner)
            inner->stop();
    }
    void endWatch()
    {
        m_quit = true;
        Clocks().wakeSleepers();
        if (m_watch.joinable())
            m_watch.join();
        m_candidate.reset();
    }

    std::thread m_watch;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stopped{false};
    mutable std::mutex m_mutex;
    // Under m_mutex:
    std::shared_ptr<AudioSink> m_inner;
    std::shared_ptr<AudioSink> m_fallback;
    qint64 m_baseUs = 0; // played before the output in use took over
    bool m_paused = false;
    double m_volume = 1.0;
    int m_rate = 0;
    int m_channels = 0;
    // The watch thread's own:
    std::unique_ptr<AudioSink> m_candidate;
    qint64 m_nextTryMs = 0;
};

AudioSinkFactory g_factory = nullptr;
SoundServer* g_server = nullptr;

} // namespace

std::unique_ptr<AudioSink> makeNullAudioSink() { return std::make_unique<NullAudioSink>(); }

SoundServer& SoundServers() { return g_server ? *g_server : machineSoundServer(); }

void setSoundServer(SoundServer* server) { g_server = server; }

std::unique_ptr<AudioSink> makeDeviceAudioSink()
{
    std::unique_ptr<AudioSink> out = SoundServers().openOutput();
    return out ? makeGuardedAudioSink(std::move(out)) : nullptr;
}

std::unique_ptr<AudioSink> makeGuardedAudioSink(std::unique_ptr<AudioSink> inner)
{
    return std::make_unique<GuardedAudioSink>(std::move(inner));
}

std::unique_ptr<AudioSink> makeAudioSink()
{
    if (g_factory)
        return g_factory();
    // With no server now, the guard starts on the null output and looks for it again.
    return makeGuardedAudioSink(SoundServers().openOutput());
}

void setAudioSinkFactory(AudioSinkFactory f) { g_factory = f; }
