#include "controls/audiosink.h"

#include "controls/audioring.h"
#include "platform/services.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstring>

// ---- ring ----
AudioRing::AudioRing(qint64 capacity) : m_buf(static_cast<size_t>(std::max<qint64>(capacity, 1))) {}

void AudioRing::reset()
{
    std::lock_guard lk(m_mutex);
    m_head = m_size = m_consumed = 0;
    m_stopped = false;
}

qint64 AudioRing::write(const char* data, qint64 bytes)
{
    const qint64 cap = capacity();
    qint64 done = 0;
    std::unique_lock lk(m_mutex);
    while (done < bytes) {
        m_cv.wait(lk, [&] { return m_stopped || m_size < cap; });
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
    }
    if (done > 0)
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
// What the device pulls from: the ring, padded with silence when the writer is late
// so that the stream never stalls.
class RingDevice : public QIODevice {
public:
    explicit RingDevice(AudioRing& ring) : m_ring(ring) {}
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 1 << 20; }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        const qint64 n = m_ring.read(data, max);
        if (n < max)
            std::memset(data + n, 0, static_cast<size_t>(max - n));
        return max;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    AudioRing& m_ring;
};

class DeviceAudioSink : public AudioSink {
public:
    explicit DeviceAudioSink(QAudioDevice device) : m_device(std::move(device)) {}

    ~DeviceAudioSink() override
    {
        stop();
        if (m_thread.isRunning()) {
            QMetaObject::invokeMethod(m_ctx, [this] { teardown(); }, Qt::BlockingQueuedConnection);
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
        m_ring = std::make_unique<AudioRing>(m_bytesPerSec / 4 / 4 * 4); // about 250 ms
        m_failed = false;
        m_stopped = false;
        m_paused = false;
        m_failedAtUs = 0;
        m_fallback.reset();
        if (!m_thread.isRunning()) {
            m_thread.setObjectName(QStringLiteral("audio output"));
            m_thread.start();
            m_ctx = new QObject;
            m_ctx->moveToThread(&m_thread);
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
                m_sink->setBufferSize(static_cast<qsizetype>(m_bytesPerSec / 10 / 4 * 4)); // 100 ms
                m_sink->setVolume(m_volume);
                m_io = new RingDevice(*m_ring);
                m_io->open(QIODevice::ReadOnly);
                QObject::connect(m_sink, &QAudioSink::stateChanged, m_ctx, [this](QAudio::State s) {
                    if (s == QAudio::StoppedState && m_sink && m_sink->error() != QAudio::NoError)
                        fail();
                });
                m_sink->start(m_io);
                ok = m_sink->error() == QAudio::NoError;
                m_latencyBytes = m_sink->bufferSize();
            },
            Qt::BlockingQueuedConnection);
        return ok;
    }

    qint64 write(const char* data, qint64 bytes) override
    {
        if (m_stopped || !m_ring)
            return 0;
        if (!m_failed) {
            const qint64 n = m_ring->write(data, bytes);
            if (n == bytes || !m_failed)
                return n;
            data += n;
            bytes -= n;
        }
        AudioSink* fb = fallback();
        return fb ? fb->write(data, bytes) : 0;
    }

    void pause(bool paused) override
    {
        m_paused = paused;
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
    }

    void stop() override
    {
        m_stopped = true;
        if (m_ring)
            m_ring->stop();
        if (AudioSink* fb = fallback(false))
            fb->stop();
        if (m_ctx)
            QMetaObject::invokeMethod(m_ctx, [this] {
                if (m_sink)
                    m_sink->stop();
            });
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
        const qint64 played = std::max<qint64>(0, m_ring->consumed() - m_latencyBytes);
        return played * 1000000 / m_bytesPerSec;
    }

    void drain() override
    {
        if (!m_ring)
            return;
        if (!m_failed && m_ring->waitEmpty() && !m_failed) {
            // What the device still holds plays within its buffer time.
            Clock& clock = Clocks();
            const qint64 until = clock.monotonicMs() + m_latencyBytes * 1000 / std::max<qint64>(m_bytesPerSec, 1);
            clock.sleepUntilMsOr(until, [this] { return m_stopped.load() || m_failed.load(); });
        }
        if (AudioSink* fb = fallback(false))
            fb->drain();
    }

private:
    // Runs on the audio thread.
    void teardown()
    {
        if (m_sink) {
            m_sink->stop();
            delete m_sink;
            m_sink = nullptr;
        }
        delete m_io;
        m_io = nullptr;
    }
    void fail()
    {
        if (m_failed)
            return;
        {
            std::lock_guard lk(m_fbMutex);
            m_failedAtUs = m_ring->consumed() * 1000000 / std::max<qint64>(m_bytesPerSec, 1);
        }
        m_failed = true;
        m_ring->stop(); // the writer goes on through the null output
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
    QAudioSink* m_sink = nullptr; // audio thread
    RingDevice* m_io = nullptr;   // audio thread
    int m_rate = 0;
    int m_channels = 0;
    qint64 m_bytesPerSec = 0;
    std::atomic<qint64> m_latencyBytes{0};
    double m_volume = 1.0;
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_paused{false};
    mutable std::mutex m_fbMutex;
    std::unique_ptr<AudioSink> m_fallback;
    qint64 m_failedAtUs = 0;
};

AudioSinkFactory g_factory = nullptr;

} // namespace

std::unique_ptr<AudioSink> makeNullAudioSink() { return std::make_unique<NullAudioSink>(); }

std::unique_ptr<AudioSink> makeDeviceAudioSink()
{
    const QAudioDevice dev = QMediaDevices::defaultAudioOutput();
    if (dev.isNull())
        return nullptr;
    return std::make_unique<DeviceAudioSink>(dev);
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
