#pragma once
// A sound server played by the test: its device list, whether it answers at all, and the
// audio its outputs received. Its outputs play on the clock seam (as the null output does)
// and are lost when the server goes away, when their device leaves the list, or when the
// test makes their streams fail.
#include <QStringList>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "controls/audiosink.h"

class FakeSoundServer : public SoundServer {
public:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool up = true;
        QStringList devices{QStringLiteral("Speakers")};
        bool streamsFail = false;
        bool stalled = false; // outputs take nothing (their writes wait)
        qint64 received = 0;  // bytes the server played
        int opened = 0;       // outputs handed out
    };

    FakeSoundServer() { setSoundServer(this); }
    ~FakeSoundServer() override { setSoundServer(nullptr); }

    // Changes the server's state; outputs waiting on it look again.
    template <class F> void change(F&& f)
    {
        {
            std::lock_guard lk(m_state->mutex);
            f(*m_state);
        }
        m_state->changed.notify_all();
    }
    void goAway() { change([](State& s) { s.up = false; }); }
    void comeBack() { change([](State& s) { s.up = true; }); }
    qint64 received() const
    {
        std::lock_guard lk(m_state->mutex);
        return m_state->received;
    }
    int opened() const
    {
        std::lock_guard lk(m_state->mutex);
        return m_state->opened;
    }

    std::unique_ptr<AudioSink> openOutput() override
    {
        std::lock_guard lk(m_state->mutex);
        if (!m_state->up || m_state->devices.isEmpty())
            return nullptr;
        ++m_state->opened;
        return std::make_unique<Output>(m_state, m_state->devices.first());
    }

private:
    class Output : public AudioSink {
    public:
        Output(std::shared_ptr<State> state, QString device) : m_state(std::move(state)), m_device(std::move(device)) {}
        bool start(int sampleRate, int channels) override
        {
            m_stopped = false;
            return !lost() && m_play->start(sampleRate, channels);
        }
        qint64 write(const char* data, qint64 bytes) override
        {
            {
                std::unique_lock lk(m_state->mutex);
                m_state->changed.wait(lk, [&] { return !m_state->stalled || m_stopped || lostLocked(); });
                if (m_stopped || lostLocked())
                    return 0;
            }
            const qint64 n = m_play->write(data, bytes);
            std::lock_guard lk(m_state->mutex);
            if (!lostLocked())
                m_state->received += n;
            return n;
        }
        void pause(bool paused) override { m_play->pause(paused); }
        void stop() override
        {
            {
                std::lock_guard lk(m_state->mutex);
                m_stopped = true;
            }
            m_state->changed.notify_all();
            m_play->stop();
        }
        void setVolume(double) override {}
        qint64 playedUs() const override { return m_play->playedUs(); }
        bool lost() const override
        {
            std::lock_guard lk(m_state->mutex);
            return lostLocked();
        }

    private:
        bool lostLocked() const { return !m_state->up || m_state->streamsFail || !m_state->devices.contains(m_device); }

        std::shared_ptr<State> m_state;
        QString m_device;
        std::unique_ptr<AudioSink> m_play = makeNullAudioSink();
        bool m_stopped = false; // under the state's mutex
    };

    std::shared_ptr<State> m_state = std::make_shared<State>();
};
