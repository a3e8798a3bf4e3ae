#include "controls/audiosink.h"

#include "controls/audioring.h"
#include "controls/pulseoutput.h"
#include "platform/services.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

// ---- ring ----
AudioRing::AudioRing(qint64 capacity) : m_buf(static_cast<size_t>(std::max<qint64>(capacity, 1))) {}

void AudioRing::reset()
{
    std::lock_guard lk(m_mutex);
    m_head = m_size = m_consumed = m_want = 0;
    m_stopped = false;
}

qint64 AudioRing::write(const char* data, qint64 bytes)
{
    const qint64 cap = capacity();
    qint64 done = 0;
    std::unique_lock lk(m_mutex);
    while (done < bytes) {
        // Waits for room for the whole rest (at most the ring), so the writer wakes once
        // per block rather than at every pull of the reader.
        const qint64 need = std::min(bytes - done, cap);
        if (!m_stopped && cap - m_size < need) {
            m_want = need;
            m_cv.wait(lk, [&] { return m_stopped || cap - m_size >= need; });
            m_want = 0;
        }
        if (m_stopped)
            break;
        const qint64 tail = (m_head + m_size) % cap;
        const qint64 n = std::min({bytes - done, cap - m_size, cap - tail});
        std::memcpy(m_buf.data() + tail, data + done, static_cast<size_t>(n));
        m_size += n;
        done += n;
    }
    return done;
}

qint64 AudioRing::read(char* data, qint64 max)
{
    const qint64 cap = capacity();
    qint64 done = 0;
    bool wake = false;
    {
        std::lock_guard lk(m_mutex);
        while (done < max && m_size > 0) {
            const qint64 n = std::min({max - done, m_size, cap - m_head});
            std::memcpy(data + done, m_buf.data() + m_head, static_cast<size_t>(n));
            m_head = (m_head + n) % cap;
            m_size -= n;
            done += n;
        }
        m_consumed += done;
        wake = done > 0 && (m_size == 0 || (m_want > 0 && cap - m_size >= m_want));
    }
    if (wake)
        m_cv.notify_all();
    return done;
}

void AudioRing::stop()
{
    {
        std::lock_guard lk(m_mutex);
        m_stopped = true;
    }
    m_cv.notify_all();
}

bool AudioRing::waitEmpty()
{
    std::unique_lock lk(m_mutex);
    m_cv.wait(lk, [&] { return m_stopped || m_size == 0; });
    return !m_stopped;
}

qint64 AudioRing::queued() const
{
    std::lock_guard lk(m_mutex);
    return m_size;
}

qint64 AudioRing::consumed() const
{
    std::lock_guard lk(m_mutex);
    return m_consumed;
}

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
constexpr qint64 kWatchMs = 250; // the guard asks the output whether it is lost so often

class GuardedAudioSink : public AudioSink {
public:
    explicit GuardedAudioSink(std::unique_ptr<AudioSink> inner) : m_inner(std::move(inner)) {}
    ~GuardedAudioSink() override { endWatch(); }

    bool start(int sampleRate, int channels) override
    {
        endWatch();
        if (sampleRate <= 0 || channels <= 0)
            return false;
        {
            std::lock_guard lk(m_mutex);
            m_failed = false;
            m_stopped = false;
            m_paused = false;
            m_fallback.reset();
            m_failedAtUs = 0;
            m_rate = sampleRate;
            m_channels = channels;
        }
        // An output that cannot start (its server went away meanwhile) plays as the null one.
        if (!m_inner->start(sampleRate, channels)) {
            failOver();
            return true;
        }
        m_quit = false;
        m_watch = std::thread([this] { watch(); });
        return true;
    }

    qint64 write(const char* data, qint64 bytes) override
    {
        qint64 taken = 0;
        if (!m_failed) {
            taken = m_inner->write(data, bytes);
            if (taken == bytes)
                return taken;
            if (!m_inner->lost() && !m_failed)
                return taken; // stopped
            failOver();
        }
        AudioSink* fb = fallback();
        return taken + (fb ? fb->write(data + taken, bytes - taken) : 0);
    }

    void pause(bool paused) override
    {
        m_paused = paused;
        m_inner->pause(paused);
        if (AudioSink* fb = fallback(false))
            fb->pause(paused);
    }

    void stop() override
    {
        m_stopped = true;
        m_inner->stop();
        if (AudioSink* fb = fallback(false))
            fb->stop();
    }

    void setVolume(double v) override { m_inner->setVolume(v); }

    qint64 playedUs() const override
    {
        if (!m_failed)
            return m_inner->playedUs();
        std::lock_guard lk(m_mutex);
        return m_failedAtUs + (m_fallback ? m_fallback->playedUs() : 0);
    }

    void drain() override
    {
        if (!m_failed) {
            m_inner->drain();
            if (!m_inner->lost() && !m_failed)
                return;
            failOver();
        }
        if (AudioSink* fb = fallback())
            fb->drain();
    }

private:
    // Asks the output a few times a second whether it is lost, so a writer blocked on a
    // lost output goes on at once.
    void watch()
    {
        Clock& clock = Clocks();
        for (;;) {
            clock.sleepUntilMsOr(clock.monotonicMs() + kWatchMs, [this] { return m_quit.load(); });
            if (m_quit || m_failed)
                return;
            if (!m_stopped && m_inner->lost()) {
                failOver();
                return;
            }
        }
    }
    // Gives the output up: it is stopped (a blocked write returns with what it took) and
    // the rest goes to the null output. The time runs on from what was heard: what the
    // lost output held unplayed is skipped rather than the display leaping over it.
    void failOver()
    {
        const qint64 heard = m_inner->playedUs();
        {
            std::lock_guard lk(m_mutex);
            if (m_failed)
                return;
            m_failedAtUs = heard;
            m_failed = true;
        }
        m_inner->stop();
    }
    void endWatch()
    {
        m_quit = true;
        Clocks().wakeSleepers();
        if (m_watch.joinable())
            m_watch.join();
    }
    AudioSink* fallback(bool create = true)
    {
        std::lock_guard lk(m_mutex);
        if (!m_failed)
            return nullptr;
        if (!m_fallback && create) {
            m_fallback = makeNullAudioSink();
            m_fallback->start(m_rate, m_channels);
            if (m_paused)
                m_fallback->pause(true);
            if (m_stopped)
                m_fallback->stop();
        }
        return m_fallback.get();
    }

    std::unique_ptr<AudioSink> m_inner;
    std::thread m_watch;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_paused{false};
    mutable std::mutex m_mutex;
    std::unique_ptr<AudioSink> m_fallback;
    qint64 m_failedAtUs = 0;
    int m_rate = 0;
    int m_channels = 0;
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
    if (auto dev = makeDeviceAudioSink())
        return dev;
    return makeNullAudioSink();
}

void setAudioSinkFactory(AudioSinkFactory f) { g_factory = f; }
