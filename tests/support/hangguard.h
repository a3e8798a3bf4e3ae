#pragma once
// Guards a test of code that must not wait from hanging when it does: unless disarm() comes
// within the limit (real time, a guard only), release() runs on the guard's own thread so
// that the stuck call returns and the test fails instead of hanging.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class HangGuard {
public:
    explicit HangGuard(std::function<void()> release, std::chrono::seconds limit = std::chrono::seconds(20))
        : m_thread([this, release = std::move(release), limit] {
              std::unique_lock lk(m_mutex);
              if (!m_cv.wait_for(lk, limit, [this] { return m_disarmed; })) {
                  m_fired = true;
                  release();
              }
          })
    {
    }
    ~HangGuard() { disarm(); }
    // Ends the guard; whether it had to release.
    bool disarm()
    {
        {
            std::lock_guard lk(m_mutex);
            m_disarmed = true;
        }
        m_cv.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_disarmed = false;
    bool m_fired = false;
    std::thread m_thread;
};
