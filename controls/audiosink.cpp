#include "controls/audiosink.h"

#include "controls/audioring.h"
#include "platform/services.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <limits>
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

// ---- device output ----
constexpr qint64 kRingMs = 2000;   // what the writer may be ahead of the sound server
constexpr qint64 kDeviceMs = 1000; // what the sound server holds
constexpr qint64 kStallMs = 1000;  // nothing played for so long: the device may be gone
constexpr int kPushMs = 200;       // the audio thread tops the server up so often
constexpr qint64 kTailMs = 150;    // the server's own output stage after its buffer

class DeviceAudioSink : public AudioSink {
public:
    explicit DeviceAudioSink(QAudioDevice device) : m_device(std::move(device)) {}

    ~DeviceAudioSink() override
    {
        stop();
        if (m_thread.isRunning()) {
            QMetaObject::invokeMethod(m_ctx, [this] { teardown(); delete m_devices; m_devices = nullptr; },
                                      Qt::BlockingQueuedConnection);
            m_thread.quit();
            m_thread.wait();
        }
        delete m_ctx;
    }

    bool start(int sampleRate, int channels) override
    {
        if (sampleRate <= 0 || channels <= 0)
            return false;
        m_rate = sampleRate;
        m_channels = channels;
        m_bytesPerSec = qint64(sampleRate) * channels * 2;
        if (m_thread.isRunning())
            QMetaObject::invokeMethod(m_ctx, [this] { teardown(); }, Qt::BlockingQueuedConnection);
        m_ring = std::make_unique<AudioRing>(m_bytesPerSec * kRingMs / 1000 / 4 * 4);
        m_failed = false;
        m_stopped = false;
        m_paused = false;
        m_failedAtUs = 0;
        m_fallback.reset();
        {
            std::lock_guard lk(m_posMutex);
            m_baseUs = 0;
            m_baseMs = -1;
            m_lastUs = 0;
        }
        if (!m_thread.isRunning()) {
            m_thread.setObjectName(QStringLiteral("audio output"));
            m_thread.start();
            m_ctx = new QObject;
            m_ctx->moveToThread(&m_thread);
            QMetaObject::invokeMethod(
                m_ctx,
                [this] {
                    m_devices = new QMediaDevices;
                    QObject::connect(m_devices, &QMediaDevices::audioOutputsChanged, m_ctx,
                                     [this] { m_devicesChanged = true; });
                },
                Qt::BlockingQueuedConnection);
        }
        bool ok = false;
        QMetaObject::invokeMethod(
            m_ctx,
            [&] {
                teardown();
                QAudioFormat fmt;
                fmt.setSampleRate(sampleRate);
                fmt.setChannelCount(channels);
                fmt.setSampleFormat(QAudioFormat::Int16);
                if (!m_device.isFormatSupported(fmt))
                    return;
                m_sink = new QAudioSink(m_device, fmt);
                m_sink->setBufferSize(static_cast<qsizetype>(m_bytesPerSec * kDeviceMs / 1000 / 4 * 4));
                m_sink->setVolume(m_volume);
                QObject::connect(m_sink, &QAudioSink::stateChanged, m_ctx, [this](QAudio::State s) {
                    if (s == QAudio::StoppedState && m_sink && m_sink->error() != QAudio::NoError)
                        fail();
                });
                // The server is topped up from the ring a few times a second (its buffer
                // holds a second), rather than pulling every few milliseconds.
                m_io = m_sink->start();
                ok = m_io && m_sink->error() == QAudio::NoError;
                m_push = new QTimer(m_ctx);
                QObject::connect(m_push, &QTimer::timeout, m_ctx, [this] { push(); });
                m_push->start(kPushMs);
            },
            Qt::BlockingQueuedConnection);
        return ok;
    }

    qint64 write(const char* data, qint64 bytes) override
    {
        if (m_stopped || !m_ring)
            return 0;
        qint64 taken = 0;
        if (!m_failed) {
            // A device that ran dry is topped up at once rather than at the next tick.
            const bool dry = m_ring->queued() == 0;
            taken = m_ring->write(data, bytes);
            if (dry && taken > 0)
                QMetaObject::invokeMethod(m_ctx, [this] { push(); });
            if (taken == bytes || !m_failed)
                return taken;
        }
        AudioSink* fb = fallback();
        return taken + (fb ? fb->write(data + taken, bytes - taken) : 0);
    }

    void pause(bool paused) override
    {
        {
            std::lock_guard lk(m_posMutex);
            if (paused && !m_paused) {
                m_baseUs = playedLocked();
                m_paused = true;
            } else if (!paused && m_paused) {
                m_paused = false;
                if (m_baseMs >= 0)
                    m_baseMs = Clocks().monotonicMs();
            }
        }
        if (AudioSink* fb = fallback(false))
            fb->pause(paused);
        QMetaObject::invokeMethod(m_ctx, [this, paused] {
            if (!m_sink)
                return;
            if (paused)
                m_sink->suspend();
            else
                m_sink->resume();
        });
        Clocks().wakeSleepers();
    }

    void stop() override
    {
        {
            std::lock_guard lk(m_posMutex);
            if (!m_stopped && m_ring)
                m_baseUs = playedLocked();
            m_stopped = true;
        }
        if (m_ring)
            m_ring->stop();
        if (AudioSink* fb = fallback(false))
            fb->stop();
        if (m_ctx)
            QMetaObject::invokeMethod(m_ctx, [this] {
                if (m_sink)
                    m_sink->stop();
            });
        Clocks().wakeSleepers();
    }

    void setVolume(double v) override
    {
        m_volume = std::clamp(v, 0.0, 1.0);
        if (m_ctx)
            QMetaObject::invokeMethod(m_ctx, [this, v = m_volume] {
                if (m_sink)
                    m_sink->setVolume(v);
            });
    }

    qint64 playedUs() const override
    {
        if (m_bytesPerSec == 0 || !m_ring)
            return 0;
        if (m_failed) {
            std::lock_guard lk(m_fbMutex);
            return m_failedAtUs + (m_fallback ? m_fallback->playedUs() : 0);
        }
        std::lock_guard lk(m_posMutex);
        return m_stopped ? m_baseUs : playedLocked();
    }

    void drain() override
    {
        if (!m_ring)
            return;
        Clock& clock = Clocks();
        // Until the ring is empty and the device holds nothing more to play: what it
        // still holds is asked of the device itself, so a longer device buffer is
        // waited for in full.
        while (!m_failed && !m_stopped) {
            if (m_paused) {
                clock.sleepUntilMsOr(std::numeric_limits<qint64>::max(),
                                     [this] { return !m_paused.load() || m_stopped.load() || m_failed.load(); });
                continue;
            }
            qint64 left = m_ring->queued();
            if (left == 0) {
                qint64 held = 0;
                QMetaObject::invokeMethod(
                    m_ctx,
                    [&] {
                        if (m_sink && m_sink->state() != QAudio::StoppedState)
                            held = std::max<qint64>(0, m_sink->bufferSize() - m_sink->bytesFree());
                    },
                    Qt::BlockingQueuedConnection);
                if (held == 0) {
                    // What the server has taken still passes its own output stage.
                    clock.sleepUntilMsOr(clock.monotonicMs() + kTailMs,
                                         [this] { return m_stopped.load() || m_failed.load(); });
                    break;
                }
                left = held;
            }
            clock.sleepUntilMsOr(clock.monotonicMs() + std::clamp<qint64>(toUs(left) / 1000, 5, 100),
                                 [this] { return m_stopped.load() || m_failed.load() || m_paused.load(); });
        }
        if (AudioSink* fb = fallback(false))
            fb->drain();
    }

    // The guard's question: has the list of devices changed since the output started?
    bool devicesChanged() const { return m_devicesChanged; }

private:
    qint64 toUs(qint64 bytes) const { return bytes * 1000000 / std::max<qint64>(m_bytesPerSec, 1); }
    qint64 writtenUs() const { return toUs(m_ring->consumed() + m_ring->queued()); }
    // The stream's clock: what the server had played at the last top-up (what it was
    // given less what it still held), moved on by the time since, never beyond what it
    // was given and never backwards.
    qint64 playedLocked() const
    {
        const qint64 taken = toUs(m_ring->consumed());
        qint64 played = m_baseUs;
        if (m_baseMs >= 0 && !m_paused)
            played += (Clocks().monotonicMs() - m_baseMs) * 1000;
        m_lastUs = std::max(m_lastUs, std::min(played, taken));
        return m_lastUs;
    }
    // Audio thread: moves what the server has room for from the ring to the server, and
    // sets the stream's clock by what the server still holds.
    void push()
    {
        if (!m_sink || !m_io || m_paused || m_stopped)
            return;
        const qint64 room = m_sink->bytesFree() / 4 * 4;
        if (room <= 0)
            return;
        if (qint64(m_chunk.size()) < room)
            m_chunk.resize(static_cast<size_t>(room));
        const qint64 n = m_ring->read(m_chunk.data(), room);
        if (n > 0)
            m_io->write(m_chunk.data(), n);
        const qint64 held = std::max<qint64>(0, m_sink->bufferSize() - m_sink->bytesFree());
        std::lock_guard lk(m_posMutex);
        if (m_paused || m_stopped)
            return;
        m_baseUs = std::max<qint64>(0, toUs(m_ring->consumed() - held));
        m_baseMs = Clocks().monotonicMs();
    }
    // Runs on the audio thread.
    void teardown()
    {
        delete m_push;
        m_push = nullptr;
        if (m_sink) {
            m_sink->stop();
            delete m_sink;
            m_sink = nullptr;
        }
        m_io = nullptr; // the sink's own
    }
    void fail()
    {
        if (m_failed)
            return;
        {
            std::lock_guard lk(m_fbMutex);
            m_failedAtUs = toUs(m_ring->consumed());
        }
        m_failed = true;
        m_ring->stop(); // the writer goes on through the null output
        Clocks().wakeSleepers();
    }
    AudioSink* fallback(bool create = true)
    {
        std::lock_guard lk(m_fbMutex);
        if (!m_failed)
            return nullptr;
        if (!m_fallback && create) {
            m_fallback = makeNullAudioSink();
            m_fallback->start(m_rate, m_channels);
            if (m_paused)
                m_fallback->pause(true);
        }
        return m_fallback.get();
    }

    QAudioDevice m_device;
    std::unique_ptr<AudioRing> m_ring;
    QThread m_thread;
    QObject* m_ctx = nullptr;
    QAudioSink* m_sink = nullptr;        // audio thread
    QIODevice* m_io = nullptr;           // audio thread, the sink's
    QTimer* m_push = nullptr;            // audio thread
    std::vector<char> m_chunk;           // audio thread
    QMediaDevices* m_devices = nullptr;  // audio thread
    int m_rate = 0;
    int m_channels = 0;
    qint64 m_bytesPerSec = 0;
    double m_volume = 1.0;
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_devicesChanged{false};
    mutable std::mutex m_posMutex; // the stream clock below
    qint64 m_baseUs = 0;           // played when the clock (re)started at m_baseMs
    qint64 m_baseMs = -1;          // -1: nothing given to the server yet
    mutable qint64 m_lastUs = 0; // the clock as last read
    mutable std::mutex m_fbMutex;
    std::unique_ptr<AudioSink> m_fallback;
    qint64 m_failedAtUs = 0;
};

// ---- lost-output guard ----
class GuardedAudioSink : public AudioSink {
public:
    GuardedAudioSink(std::unique_ptr<AudioSink> inner, std::function<bool()> devicesChanged)
        : m_inner(std::move(inner)), m_devicesChanged(std::move(devicesChanged))
    {
    }
    ~GuardedAudioSink() override { endWatch(); }

    bool start(int sampleRate, int channels) override
    {
        endWatch();
        std::lock_guard lk(m_mutex);
        m_failed = false;
        m_stopped = false;
        m_paused = false;
        m_fallback.reset();
        m_taken = 0;
        m_rate = sampleRate;
        m_channels = channels;
        m_bytesPerSec = qint64(std::max(sampleRate, 0)) * std::max(channels, 0) * 2;
        if (!m_inner->start(sampleRate, channels))
            return false;
        m_quit = false;
        m_watch = std::thread([this] { watch(); });
        return true;
    }

    qint64 write(const char* data, qint64 bytes) override
    {
        qint64 taken = 0;
        if (!m_failed) {
            m_writing = true;
            taken = m_inner->write(data, bytes);
            m_taken += taken;
            m_writing = false;
            if (taken == bytes || !m_failed)
                return taken;
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
            if (!m_failed)
                return;
        }
        if (AudioSink* fb = fallback(false))
            fb->drain();
    }

private:
    qint64 takenUs() const { return m_bytesPerSec ? m_taken * 1000000 / m_bytesPerSec : 0; }

    // Looks at the inner output's position a few times a second.
    void watch()
    {
        Clock& clock = Clocks();
        qint64 lastPlayed = -1;
        qint64 still = clock.monotonicMs();
        for (;;) {
            clock.sleepUntilMsOr(clock.monotonicMs() + kStallMs / 4, [this] { return m_quit.load(); });
            if (m_quit || m_failed)
                return;
            const qint64 now = clock.monotonicMs();
            const qint64 played = m_inner->playedUs();
            const bool pending = m_writing || played < takenUs();
            if (played != lastPlayed || m_paused || m_stopped || !pending) {
                lastPlayed = played;
                still = now;
                continue;
            }
            if (now - still >= kStallMs && m_devicesChanged && m_devicesChanged()) {
                {
                    std::lock_guard lk(m_mutex);
                    m_failedAtUs = takenUs();
                }
                m_failed = true;
                m_inner->stop(); // a blocked write returns with what the lost output took
                return;
            }
        }
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
            m_failedAtUs = takenUs(); // with what the lost output took of the write that failed
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
    std::function<bool()> m_devicesChanged;
    std::thread m_watch;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_paused{false};
    std::atomic<bool> m_writing{false}; // a write is waiting for the output
    std::atomic<qint64> m_taken{0};
    mutable std::mutex m_mutex;
    std::unique_ptr<AudioSink> m_fallback;
    qint64 m_failedAtUs = 0;
    int m_rate = 0;
    int m_channels = 0;
    qint64 m_bytesPerSec = 0;
};

AudioSinkFactory g_factory = nullptr;

} // namespace

std::unique_ptr<AudioSink> makeNullAudioSink() { return std::make_unique<NullAudioSink>(); }

std::unique_ptr<AudioSink> makeDeviceAudioSink()
{
    const QAudioDevice dev = QMediaDevices::defaultAudioOutput();
    if (dev.isNull())
        return nullptr;
    auto device = std::make_unique<DeviceAudioSink>(dev);
    DeviceAudioSink* d = device.get();
    return makeGuardedAudioSink(std::move(device), [d] { return d->devicesChanged(); });
}

std::unique_ptr<AudioSink> makeGuardedAudioSink(std::unique_ptr<AudioSink> inner, std::function<bool()> devicesChanged)
{
    return std::make_unique<GuardedAudioSink>(std::move(inner), std::move(devicesChanged));
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
