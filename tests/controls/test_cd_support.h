#pragma once
// Helpers shared by the CD tests: a recording audio output paced by the manual clock.
// Waits for worker threads use pumpUntil.
#include "controls/audiosink.h"
#include "platform/services.h"
#include "pump.h"

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

// What one recording output was given, and whether it was stopped.
struct Recording {
    QByteArray bytes;
    std::atomic<bool> stopped{false};
};

// Audio output that keeps every byte written and plays at the pace of the clock seam:
// a write returns once the clock has reached the end of the audio written so far.
class RecordingSink : public AudioSink {
public:
    bool start(int sampleRate, int channels) override
    {
        std::lock_guard lk(m_mutex);
        m_bytesPerSecond = sampleRate * channels * 2;
        m_startMs = Clocks().monotonicMs();
        m_written = 0;
        m_stopped = false;
        return true;
    }
    qint64 write(const char* data, qint64 bytes) override
    {
        std::unique_lock lk(m_mutex);
        if (m_stopped)
            return 0;
        recorded->bytes.append(data, bytes);
        m_written += bytes;
        const qint64 dueMs = m_startMs + m_written * 1000 / m_bytesPerSecond;
        // Wakes on stop(); the clock is looked at again every millisecond.
        while (!m_stopped && Clocks().monotonicMs() < dueMs)
            m_cv.wait_for(lk, std::chrono::milliseconds(1));
        return bytes;
    }
    void pause(bool) override {}
    void stop() override
    {
        {
            std::lock_guard lk(m_mutex);
            m_stopped = true;
        }
        recorded->stopped = true;
        m_cv.notify_all();
    }
    void setVolume(double) override {}
    qint64 playedUs() const override
    {
        std::lock_guard lk(m_mutex);
        const qint64 elapsedUs = (Clocks().monotonicMs() - m_startMs) * 1000;
        const qint64 writtenUs = m_bytesPerSecond ? m_written * 1000000 / m_bytesPerSecond : 0;
        return std::min(elapsedUs, writtenUs);
    }

    std::shared_ptr<Recording> recorded = std::make_shared<Recording>();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    qint64 m_bytesPerSecond = 0;
    qint64 m_startMs = 0;
    qint64 m_written = 0;
    bool m_stopped = false;
};

// What every sink the factory made has recorded, in order (cleared by the test).
// Read a recording only once its play has stopped.
inline std::vector<std::shared_ptr<Recording>>& recordings()
{
    static std::vector<std::shared_ptr<Recording>> all;
    return all;
}
inline std::unique_ptr<AudioSink> makeRecordingSink()
{
    auto s = std::make_unique<RecordingSink>();
    recordings().push_back(s->recorded);
    return s;
}

