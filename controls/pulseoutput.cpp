#include "controls/pulseoutput.h"

#include "controls/audioring.h"
#include "platform/services.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace {

constexpr qint64 kServerMs = 2000;         // what the server holds
constexpr qint64 kRingMs = 1000;           // what the writer may be ahead of the server
constexpr qint64 kStartMs = 100;           // the server starts playing once it holds so much
constexpr pa_usec_t kAnswerUs = 3'000'000; // a server that has not answered by then is gone

// One output: its own main loop thread, connection and playback stream. The writer fills
// the ring; the stream takes from it whenever the server asks for audio, and at once after
// each write (a server that ran dry asks for nothing more until it is given some).
class PulseOutput : public AudioSink {
public:
    ~PulseOutput() override
    {
        stop();
        close();
    }

    // Connects to the server; false when none answers.
    bool connect()
    {
        close();
        m_loop = pa_threaded_mainloop_new();
        if (!m_loop)
            return false;
        if (pa_threaded_mainloop_start(m_loop) < 0) {
            pa_threaded_mainloop_free(m_loop);
            m_loop = nullptr;
            return false;
        }
        pa_threaded_mainloop_lock(m_loop);
        m_ctx = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Quillory");
        bool ok = false;
        if (m_ctx) {
            pa_context_set_state_callback(m_ctx, &PulseOutput::onContextState, this);
            ok = pa_context_connect(m_ctx, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0 &&
                 waitFor([this] { return stateOf(pa_context_get_state(m_ctx)); });
        }
        pa_threaded_mainloop_unlock(m_loop);
        if (!ok)
            close();
        return ok;
    }

    bool start(int sampleRate, int channels) override
    {
        if (sampleRate <= 0 || channels <= 0 || channels > int(PA_CHANNELS_MAX))
            return false;
        stop();
        if (m_loop)
            pa_threaded_mainloop_lock(m_loop);
        dropStream();
        m_frameBytes = channels * 2;
        m_bytesPerSec = qint64(sampleRate) * m_frameBytes;
        m_ring = std::make_shared<AudioRing>(bytesFor(kRingMs));
        m_lastUs = 0;
        m_runUs = 0;
        m_runningSinceMs = -1;
        m_paused = false;
        m_stopped = false;
        m_lost = false;
        if (m_loop)
            pa_threaded_mainloop_unlock(m_loop);
        // A connection that broke since (the server went away) is made anew.
        if (!m_ctx || pa_context_get_state(m_ctx) != PA_CONTEXT_READY) {
            if (!connect()) {
                m_lost = true;
                return false;
            }
        }
        pa_threaded_mainloop_lock(m_loop);
        const bool ok = openStream(sampleRate, channels);
        if (!ok)
            dropStream();
        pa_threaded_mainloop_unlock(m_loop);
        if (!ok)
            m_lost = true;
        return ok;
    }

    qint64 write(const char* data, qint64 bytes) override
    {
        const std::shared_ptr<AudioRing> ring = m_ring;
        if (m_stopped || m_lost || !ring || bytes <= 0)
            return 0;
        const qint64 taken = ring->write(data, bytes);
        pa_threaded_mainloop_lock(m_loop);
        fill();
        pa_threaded_mainloop_unlock(m_loop);
        return taken;
    }

    void pause(bool paused) override
    {
        if (!m_loop || m_stopped)
            return;
        pa_threaded_mainloop_lock(m_loop);
        if (paused && !m_paused) {
            if (m_runningSinceMs >= 0) {
                updatePosition();
                m_runUs = m_lastUs;
                m_runningSinceMs = -1;
            }
            m_paused = true;
        } else if (!paused && m_paused) {
            m_paused = false;
            if (m_ring && m_ring->consumed() > 0)
                m_runningSinceMs = Clocks().monotonicMs();
        }
        if (ready())
            done(pa_stream_cork(m_stream, paused ? 1 : 0, nullptr, nullptr));
        pa_threaded_mainloop_signal(m_loop, 0);
        pa_threaded_mainloop_unlock(m_loop);
    }

    void stop() override
    {
        if (!m_loop) {
            m_stopped = true;
            return;
        }
        pa_threaded_mainloop_lock(m_loop);
        if (!m_stopped)
            updatePosition();
        m_stopped = true;
        if (m_ring)
            m_ring->stop();
        if (ready()) {
            done(pa_stream_flush(m_stream, nullptr, nullptr));
            done(pa_stream_cork(m_stream, 1, nullptr, nullptr));
        }
        pa_threaded_mainloop_signal(m_loop, 0);
        pa_threaded_mainloop_unlock(m_loop);
    }

    void setVolume(double v) override
    {
        m_volume = std::clamp(v, 0.0, 1.0);
        if (!m_loop)
            return;
        pa_threaded_mainloop_lock(m_loop);
        if (ready()) {
            pa_cvolume cv;
            pa_cvolume_set(&cv, pa_stream_get_sample_spec(m_stream)->channels, pa_sw_volume_from_linear(m_volume));
            done(pa_context_set_sink_input_volume(m_ctx, pa_stream_get_index(m_stream), &cv, nullptr, nullptr));
        }
        pa_threaded_mainloop_unlock(m_loop);
    }

    qint64 playedUs() const override
    {
        if (!m_loop || m_stopped || m_lost)
            return m_lastUs;
        pa_threaded_mainloop_lock(m_loop);
        updatePosition();
        pa_threaded_mainloop_unlock(m_loop);
        return m_lastUs;
    }

    void drain() override
    {
        const std::shared_ptr<AudioRing> ring = m_ring;
        if (!ring || !ring->waitEmpty())
            return; // stopped or lost
        pa_threaded_mainloop_lock(m_loop);
        if (ready() && !m_stopped) {
            // A short sound may not have reached the start level: it starts now.
            done(pa_stream_trigger(m_stream, nullptr, nullptr));
            pa_operation* op = pa_stream_drain(m_stream, &PulseOutput::onOperation, this);
            while (op && pa_operation_get_state(op) == PA_OPERATION_RUNNING && !m_stopped && !m_lost)
                pa_threaded_mainloop_wait(m_loop);
            if (op) {
                if (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
                    pa_operation_cancel(op);
                pa_operation_unref(op);
            }
        }
        pa_threaded_mainloop_unlock(m_loop);
    }

    bool lost() const override { return m_lost; }

private:
    qint64 bytesFor(qint64 ms) const { return m_bytesPerSec * ms / 1000 / m_frameBytes * m_frameBytes; }
    static void done(pa_operation* op)
    {
        if (op)
            pa_operation_unref(op);
    }
    // 1 = ready, -1 = failed, 0 = still on its way.
    static int stateOf(pa_context_state_t s) { return s == PA_CONTEXT_READY ? 1 : PA_CONTEXT_IS_GOOD(s) ? 0 : -1; }
    static int stateOf(pa_stream_state_t s) { return s == PA_STREAM_READY ? 1 : PA_STREAM_IS_GOOD(s) ? 0 : -1; }

    // Main loop locked: waits until state() says ready (true) or failed, or the server has
    // not answered in time (false).
    template <class State> bool waitFor(State state)
    {
        m_timedOut = false;
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(m_loop);
        pa_time_event* timer = pa_context_rttime_new(m_ctx, pa_rtclock_now() + kAnswerUs, &PulseOutput::onTimeout, this);
        int s = 0;
        while ((s = state()) == 0 && !m_timedOut)
            pa_threaded_mainloop_wait(m_loop);
        if (timer)
            api->time_free(timer);
        return s == 1;
    }

    // Main loop locked.
    bool openStream(int sampleRate, int channels)
    {
        pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<uint32_t>(sampleRate), static_cast<uint8_t>(channels)};
        m_stream = pa_stream_new(m_ctx, "Quillory", &format, nullptr);
        if (!m_stream)
            return false;
        pa_stream_set_state_callback(m_stream, &PulseOutput::onStreamState, this);
        pa_stream_set_write_callback(m_stream, &PulseOutput::onWritable, this);
        pa_buffer_attr attr;
        attr.maxlength = static_cast<uint32_t>(bytesFor(kServerMs));
        attr.tlength = static_cast<uint32_t>(bytesFor(kServerMs));
        attr.prebuf = static_cast<uint32_t>(bytesFor(kStartMs));
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        pa_cvolume cv;
        pa_cvolume_set(&cv, format.channels, pa_sw_volume_from_linear(m_volume));
        const auto flags = PA_STREAM_NOFLAGS;
        if (pa_stream_connect_playback(m_stream, nullptr, &attr, flags, &cv, nullptr) < 0)
            return false;
        return waitFor([this] { return stateOf(pa_stream_get_state(m_stream)); });
    }

    // Main loop locked.
    void dropStream()
    {
        if (!m_stream)
            return;
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }

    void close()
    {
        if (!m_loop)
            return;
        pa_threaded_mainloop_lock(m_loop);
        dropStream();
        if (m_ctx) {
            pa_context_set_state_callback(m_ctx, nullptr, nullptr);
            pa_context_disconnect(m_ctx);
            pa_context_unref(m_ctx);
            m_ctx = nullptr;
        }
        pa_threaded_mainloop_unlock(m_loop);
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }

    // Main loop locked.
    bool ready() const { return m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY; }

    // Main loop locked: gives the server what it has room for.
    void fill()
    {
        if (!ready() || !m_ring || m_stopped)
            return;
        size_t room = pa_stream_writable_size(m_stream);
        if (room == static_cast<size_t>(-1))
            return;
        while (room >= size_t(m_frameBytes)) {
            // Whole frames only: the ring may hold part of one while a write comes in.
            const qint64 whole = std::min<qint64>(qint64(room), m_ring->queued()) / m_frameBytes * m_frameBytes;
            if (whole <= 0)
                return;
            void* buf = nullptr;
            size_t len = size_t(whole);
            if (pa_stream_begin_write(m_stream, &buf, &len) < 0 || !buf)
                return;
            len = std::min(len, size_t(whole)) / size_t(m_frameBytes) * size_t(m_frameBytes);
            const qint64 got = len ? m_ring->read(static_cast<char*>(buf), qint64(len)) : 0;
            if (got <= 0) {
                pa_stream_cancel_write(m_stream);
                return;
            }
            if (pa_stream_write(m_stream, buf, size_t(got), nullptr, 0, PA_SEEK_RELATIVE) < 0)
                return;
            if (m_runningSinceMs < 0 && !m_paused)
                m_runningSinceMs = Clocks().monotonicMs();
            room -= size_t(got);
        }
    }

    // Main loop locked: the stream's clock. It runs from the first audio the server was
    // given, stands still while paused, and never passes what the server was given; the
    // server's own timing is left aside, as some devices take seconds of audio at once.
    void updatePosition() const
    {
        if (!m_ring || m_runningSinceMs < 0)
            return;
        const qint64 given = m_ring->consumed() * 1000000 / std::max<qint64>(m_bytesPerSec, 1);
        const qint64 running = m_runUs + (Clocks().monotonicMs() - m_runningSinceMs) * 1000;
        m_lastUs = std::max<qint64>(m_lastUs, std::min(running, given));
    }

    // Main loop thread: the server or the stream is gone; the writer goes on elsewhere.
    void markLost()
    {
        m_lost = true;
        if (m_ring)
            m_ring->stop();
        pa_threaded_mainloop_signal(m_loop, 0);
    }

    static void onContextState(pa_context* c, void* self)
    {
        auto* o = static_cast<PulseOutput*>(self);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(c)))
            o->markLost();
        pa_threaded_mainloop_signal(o->m_loop, 0);
    }
    static void onStreamState(pa_stream* s, void* self)
    {
        auto* o = static_cast<PulseOutput*>(self);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
            o->markLost();
        pa_threaded_mainloop_signal(o->m_loop, 0);
    }
    static void onWritable(pa_stream*, size_t, void* self)
    {
        auto* o = static_cast<PulseOutput*>(self);
        o->fill();
        pa_threaded_mainloop_signal(o->m_loop, 0);
    }
    static void onOperation(pa_stream*, int, void* self)
    {
        pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->m_loop, 0);
    }
    static void onTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
    {
        auto* o = static_cast<PulseOutput*>(self);
        o->m_timedOut = true;
        pa_threaded_mainloop_signal(o->m_loop, 0);
    }

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_ctx = nullptr;    // main loop locked
    pa_stream* m_stream = nullptr;  // main loop locked
    std::shared_ptr<AudioRing> m_ring;
    int m_frameBytes = 4;
    qint64 m_bytesPerSec = 0;
    std::atomic<double> m_volume{1.0};
    mutable std::atomic<qint64> m_lastUs{0};
    qint64 m_runUs = 0;           // main loop locked: played when the clock last stopped
    qint64 m_runningSinceMs = -1; // main loop locked: -1 = not running (nothing given yet, or paused)
    bool m_paused = false;        // main loop locked
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_lost{false};
    bool m_timedOut = false; // main loop locked
};

class PulseServer : public SoundServer {
public:
    std::unique_ptr<AudioSink> openOutput() override
    {
        auto out = std::make_unique<PulseOutput>();
        if (!out->connect())
            return nullptr;
        return out;
    }
};

} // namespace

SoundServer& machineSoundServer()
{
    static PulseServer server;
    return server;
}
