#include "controls/pulseoutput.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>

namespace {

// The latency asked of the server: what it holds ahead of the speakers. Enough for a busy
// machine to keep it fed; pause and stop act on the stream at once whatever it holds.
constexpr qint64 kLatencyMs = 300;
constexpr pa_usec_t kAnswerUs = 3'000'000; // a server that has not answered by then is gone
// After the server said a drained stream is through, the device may still hold some of it:
// drain() waits for that much, at most so long.
constexpr pa_usec_t kTailUs = 1'000'000;

// One output: its own main loop thread, connection and playback stream. start() only begins
// connecting, so no caller (a window among them) waits on a server that is away or hangs; a
// write waits until the stream is ready, then hands the server whatever it has room for. The
// server refills its own buffer before it plays on after running dry, so an underrun (a stalled
// disk or drive) costs a gap, never the rest of the song.
class PulseOutput : public AudioSink {
public:
    ~PulseOutput() override
    {
        stop();
        close();
    }

    bool start(int sampleRate, int channels) override
    {
        if (sampleRate <= 0 || channels <= 0 || channels > int(PA_CHANNELS_MAX))
            return false;
        close();
        m_format = pa_sample_spec{PA_SAMPLE_S16LE, static_cast<uint32_t>(sampleRate), static_cast<uint8_t>(channels)};
        m_frameBytes = channels * 2;
        m_written = 0;
        m_carry = 0;
        m_lastUs = 0;
        m_ready = false;
        m_paused = false;
        m_stopped = false;
        m_lost = false;
        m_loop = pa_threaded_mainloop_new();
        if (!m_loop || pa_threaded_mainloop_start(m_loop) < 0) {
            if (m_loop)
                pa_threaded_mainloop_free(m_loop);
            m_loop = nullptr;
            m_lost = true;
            return false;
        }
        pa_threaded_mainloop_lock(m_loop);
        m_ctx = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Quillory");
        if (m_ctx) {
            pa_context_set_state_callback(m_ctx, &PulseOutput::onContextState, this);
            m_timer = pa_context_rttime_new(m_ctx, pa_rtclock_now() + kAnswerUs, &PulseOutput::onTimeout, this);
            // No server is started for us: one that is not running is simply away.
            if (pa_context_connect(m_ctx, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
                m_lost = true;
        } else {
            m_lost = true;
        }
        pa_threaded_mainloop_unlock(m_loop);
        return true;
    }

    qint64 write(const char* data, qint64 bytes) override
    {
        if (!m_loop || bytes <= 0)
            return 0;
        qint64 taken = 0;
        pa_threaded_mainloop_lock(m_loop);
        while (taken < bytes && !m_stopped && !m_lost) {
            size_t room = m_ready && !m_paused ? pa_stream_writable_size(m_stream) : 0;
            if (room == static_cast<size_t>(-1)) {
                markLost();
                break;
            }
            if (room < size_t(m_frameBytes)) {
                pa_threaded_mainloop_wait(m_loop); // woken when the server asks for more
                continue;
            }
            // The server takes whole frames; a part of one waits for the rest.
            if (m_carry > 0) {
                const int n = int(std::min<qint64>(m_frameBytes - m_carry, bytes - taken));
                std::memcpy(m_carryBuf + m_carry, data + taken, size_t(n));
                m_carry += n;
                taken += n;
                if (m_carry == m_frameBytes) {
                    send(m_carryBuf, size_t(m_frameBytes));
                    m_carry = 0;
                }
                continue;
            }
            const qint64 whole = std::min<qint64>(qint64(room), bytes - taken) / m_frameBytes * m_frameBytes;
            if (whole == 0) {
                std::memcpy(m_carryBuf, data + taken, size_t(bytes - taken));
                m_carry = int(bytes - taken);
                taken = bytes;
                break;
            }
            if (!send(data + taken, size_t(whole)))
                break;
            taken += whole;
        }
        pa_threaded_mainloop_unlock(m_loop);
        return taken;
    }

    void pause(bool paused) override
    {
        if (!m_loop || m_stopped)
            return;
        pa_threaded_mainloop_lock(m_loop);
        if (paused != m_paused) {
            updatePosition();
            m_paused = paused;
            if (m_ready)
                done(pa_stream_cork(m_stream, paused ? 1 : 0, nullptr, nullptr));
        }
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
        if (!m_stopped) {
            updatePosition();
            m_stopped = true;
            if (m_ready) {
                done(pa_stream_cork(m_stream, 1, nullptr, nullptr));
                done(pa_stream_flush(m_stream, nullptr, nullptr));
            }
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
        if (m_ready && !m_lost) {
            pa_cvolume cv;
            pa_cvolume_set(&cv, m_format.channels, pa_sw_volume_from_linear(m_volume));
            done(pa_context_set_sink_input_volume(m_ctx, pa_stream_get_index(m_stream), &cv, nullptr, nullptr));
        }
        pa_threaded_mainloop_unlock(m_loop);
    }

    qint64 playedUs() const override
    {
        if (!m_loop)
            return m_lastUs;
        pa_threaded_mainloop_lock(m_loop);
        updatePosition();
        pa_threaded_mainloop_unlock(m_loop);
        return m_lastUs;
    }

    void drain() override
    {
        if (!m_loop)
            return;
        pa_threaded_mainloop_lock(m_loop);
        while (!m_ready && !m_stopped && !m_lost)
            pa_threaded_mainloop_wait(m_loop);
        if (m_ready && !m_stopped && !m_lost && m_written > 0) {
            // The server plays a short sound that never filled its buffer once it is told
            // no more comes, and answers when it has taken the last of it.
            pa_operation* op = pa_stream_drain(m_stream, &PulseOutput::onOperation, this);
            while (op && pa_operation_get_state(op) == PA_OPERATION_RUNNING && !m_stopped && !m_lost)
                pa_threaded_mainloop_wait(m_loop);
            if (op) {
                if (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
                    pa_operation_cancel(op);
                pa_operation_unref(op);
            }
            // The device still holds what the clock has not passed yet (its latency): the
            // server's clock stops at the drain, so that much more is waited out.
            updatePosition();
            const qint64 heldUs = std::clamp<qint64>(writtenUs() - m_lastUs, 0, qint64(kTailUs));
            m_timedOut = false;
            pa_time_event* tail = pa_context_rttime_new(m_ctx, pa_rtclock_now() + pa_usec_t(heldUs), &PulseOutput::onTimeout, this);
            while (tail && !m_stopped && !m_lost && !m_timedOut)
                pa_threaded_mainloop_wait(m_loop);
            if (m_timedOut)
                m_lastUs = std::max<qint64>(m_lastUs, writtenUs());
            if (tail)
                pa_threaded_mainloop_get_api(m_loop)->time_free(tail);
        }
        pa_threaded_mainloop_unlock(m_loop);
    }

    bool lost() const override { return m_lost; }
    bool connecting() const override { return m_loop && !m_ready && !m_lost; }

private:
    static void done(pa_operation* op)
    {
        if (op)
            pa_operation_unref(op);
    }
    qint64 writtenUs() const { return m_written * 1'000'000 / std::max<qint64>(qint64(m_format.rate) * m_frameBytes, 1); }

    // Main loop locked.
    bool send(const char* data, size_t bytes)
    {
        if (pa_stream_write(m_stream, data, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            markLost();
            return false;
        }
        m_written += qint64(bytes);
        return true;
    }

    // Main loop locked (a callback): the connection is up; the stream is made.
    void openStream()
    {
        m_stream = pa_stream_new(m_ctx, "Quillory", &m_format, nullptr);
        if (!m_stream) {
            markLost();
            return;
        }
        pa_stream_set_state_callback(m_stream, &PulseOutput::onStreamState, this);
        pa_stream_set_write_callback(m_stream, &PulseOutput::onWritable, this);
        // The latency is asked for as a whole (the server sizes its device buffer to it); the
        // rest is the server's choice, the start level included: it starts once it holds
        // the whole latency, or at a drain.
        pa_buffer_attr attr;
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(pa_usec_t(kLatencyMs) * 1000, &m_format));
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        pa_cvolume cv;
        pa_cvolume_set(&cv, m_format.channels, pa_sw_volume_from_linear(m_volume));
        int flags = PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING;
        if (m_paused)
            flags |= PA_STREAM_START_CORKED;
        if (pa_stream_connect_playback(m_stream, nullptr, &attr, pa_stream_flags_t(flags), &cv, nullptr) < 0)
            markLost();
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
        endAnswerTimer();
        dropStream();
        if (m_ctx) {
            pa_context_set_state_callback(m_ctx, nullptr, nullptr);
            pa_context_disconnect(m_ctx);
            pa_context_unref(m_ctx);
            m_ctx = nullptr;
        }
        m_ready = false;
        pa_threaded_mainloop_unlock(m_loop);
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }

    // Main loop locked: the answer deadline is no longer needed.
    void endAnswerTimer()
    {
        if (m_timer) {
            pa_threaded_mainloop_get_api(m_loop)->time_free(m_timer);
            m_timer = nullptr;
        }
    }

    // Main loop locked: the server's clock for the stream (what has been played, stands still
    // while corked or starved), never past what the server was given, never going back.
    void updatePosition() const
    {
        if (!m_ready || m_stopped || m_lost)
            return;
        pa_usec_t t = 0;
        if (pa_stream_get_time(m_stream, &t) < 0)
            return;
        m_lastUs = std::max<qint64>(m_lastUs, std::min<qint64>(qint64(t), writtenUs()));
    }

    // Main loop locked: the server or the stream is gone; the writer goes on elsewhere.
    void markLost()
    {
        m_lost = true;
        pa_threaded_mainloop_signal(m_loop, 0);
    }

    static void onContextState(pa_context* c, void* self)
    {
        auto* o = static_cast<PulseOutput*>(self);
        const pa_context_state_t s = pa_context_get_state(c);
        if (s == PA_CONTEXT_READY && !o->m_stream)
            o->openStream();
        else if (!PA_CONTEXT_IS_GOOD(s))
            o->markLost();
        pa_threaded_mainloop_signal(o->m_loop, 0);
    }
    static void onStreamState(pa_stream* s, void* self)
    {
        auto* o = static_cast<PulseOutput*>(self);
        const pa_stream_state_t st = pa_stream_get_state(s);
        if (st == PA_STREAM_READY) {
            o->m_ready = true;
            o->endAnswerTimer();
        } else if (!PA_STREAM_IS_GOOD(st)) {
            o->markLost();
        }
        pa_threaded_mainloop_signal(o->m_loop, 0);
    }
    static void onWritable(pa_stream*, size_t, void* self) { pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->m_loop, 0); }
    static void onOperation(pa_stream*, int, void* self) { pa_threaded_mainloop_signal(static_cast<PulseOutput*>(self)->m_loop, 0); }
    static void onTimeout(pa_mainloop_api*, pa_time_event* e, const struct timeval*, void* self)
    {
        auto* o = static_cast<PulseOutput*>(self);
        if (e == o->m_timer) {
            // The server did not answer in time.
            o->endAnswerTimer();
            if (!o->m_ready)
                o->markLost();
        } else {
            o->m_timedOut = true;
        }
        pa_threaded_mainloop_signal(o->m_loop, 0);
    }

    pa_threaded_mainloop* m_loop = nullptr;
    // The rest: main loop locked, but for the atomics.
    pa_context* m_ctx = nullptr;
    pa_stream* m_stream = nullptr;
    pa_time_event* m_timer = nullptr; // the answer deadline, while connecting
    pa_sample_spec m_format{PA_SAMPLE_S16LE, 44100, 2};
    int m_frameBytes = 4;
    qint64 m_written = 0; // bytes given to the server
    char m_carryBuf[2 * PA_CHANNELS_MAX] = {};
    int m_carry = 0; // bytes of a part frame waiting in m_carryBuf
    std::atomic<double> m_volume{1.0};
    mutable std::atomic<qint64> m_lastUs{0};
    bool m_paused = false;
    bool m_timedOut = false;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<bool> m_lost{false};
};

class PulseServer : public SoundServer {
public:
    // Connecting waits for the server, so it is left to the output's start(), which does not wait.
    std::unique_ptr<AudioSink> openOutput() override { return std::make_unique<PulseOutput>(); }
};

} // namespace

SoundServer& machineSoundServer()
{
    static PulseServer server;
    return server;
}
