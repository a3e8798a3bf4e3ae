#pragma once
// A byte ring between one writer thread, which blocks while the ring is full, and a
// reader that never blocks (the audio device's pull). Used by the device output.
#include <QtGlobal>
#include <condition_variable>
#include <mutex>
#include <vector>

class AudioRing {
public:
    explicit AudioRing(qint64 capacity);
    // Empties the ring, zeroes the count of bytes read and clears the stop.
    void reset();
    // Copies all bytes in, waiting for room (for the whole rest, or the whole ring);
    // returns early (with what was copied) once stop() is called.
    qint64 write(const char* data, qint64 bytes);
    // Copies up to max bytes out without waiting; returns how many.
    qint64 read(char* data, qint64 max);
    // Unblocks the writer and every waitEmpty(); later writes return 0 at once.
    void stop();
    // Waits until the reader has taken everything; false when stopped first.
    bool waitEmpty();
    qint64 queued() const;
    // Bytes the reader has taken since reset().
    qint64 consumed() const;
    qint64 capacity() const { return static_cast<qint64>(m_buf.size()); }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<char> m_buf;
    qint64 m_head = 0; // next read position
    qint64 m_size = 0; // bytes queued
    qint64 m_consumed = 0;
    qint64 m_want = 0; // room the waiting writer needs, 0 = none waits
    bool m_stopped = false;
};
