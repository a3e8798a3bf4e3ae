#pragma once
// libburn played by a fake that records the calls and answers with a drive's status
// sequence, for the writer over libburn and the burner window.
#include <QByteArray>
#include <QCoreApplication>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "controls/burnlibburn.h"

class FakeLibburn : public LibburnCalls {
public:
    struct Step {
        DriveStatus status;
        int track;
        int sector;
        int sectors;
    };

    // What the test sets up.
    std::vector<LibburnDriveInfo> drives;
    std::vector<Step> steps;
    DiscStatus disc = DiscBlank;
    qint64 roomBytes = 0;
    std::atomic<int> writtenTracks{0}; // tracks of the last write started

    void queue(const QString& text, const char* severity, int code = 0)
    {
        std::lock_guard lk(m);
        messages.push_back({text, QByteArray(severity), code});
    }
    // How many scans the library has run.
    int scans()
    {
        return static_cast<int>(calls().count(QStringLiteral("scan")));
    }
    size_t queued()
    {
        std::lock_guard lk(m);
        return messages.size();
    }
    QStringList calls()
    {
        std::lock_guard lk(m);
        return log;
    }
    size_t stepsLeft()
    {
        std::lock_guard lk(m);
        return steps.size() - next;
    }

    bool initialize() override { return true; }
    void clearWhitelist() override { note(QStringLiteral("clearWhitelist")); }
    bool scan(std::vector<LibburnDriveInfo>& found) override
    {
        note(QStringLiteral("scan"));
        std::unique_lock lk(m);
        scanOffWindowThread = QThread::currentThread() != qApp->thread();
        // Holds the scan until the window thread has handled an event (or a guard time).
        if (holdScan)
            windowSeen.wait_for(lk, std::chrono::seconds(20), [this] { return !holdScan; });
        found = drives;
        return true;
    }
    void releaseScan()
    {
        {
            std::lock_guard lk(m);
            holdScan = false;
        }
        windowSeen.notify_all();
    }
    bool holdScan = false;
    bool scanOffWindowThread = false;
    // A drive held by a mounted disc: the grab fails with libburn's busy-device message.
    bool grabBusy = false;
    // Holds a grab until releaseGrab (or a guard time), as libburn's retries on a busy drive do.
    bool holdGrab = false;
    bool grabOffWindowThread = false;
    static QString busyText(const QString& address) { return QStringLiteral("Cannot open busy device '%1'").arg(address); }
    bool grab(const QString& address) override
    {
        note(QStringLiteral("grab ") + address);
        std::unique_lock lk(m);
        grabOffWindowThread = QThread::currentThread() != qApp->thread();
        if (holdGrab)
            windowSeen.wait_for(lk, std::chrono::seconds(20), [this] { return !holdGrab; });
        if (grabBusy)
            messages.push_back({busyText(address), QByteArray("SORRY"), kBusyDeviceCode});
        return !grabBusy;
    }
    void releaseGrab()
    {
        {
            std::lock_guard lk(m);
            holdGrab = false;
        }
        windowSeen.notify_all();
    }
    void release() override { note(QStringLiteral("release")); }
    // The disc reads as unready until the drive has been asked again this many times.
    int unreadyUntilReassessed = 0;
    DiscStatus discStatus() override { return unreadyUntilReassessed > 0 ? DiscUnready : disc; }
    void reassess() override
    {
        note(QStringLiteral("reassess"));
        --unreadyUntilReassessed;
    }
    int discProfile() override { return 0x09; }
    void setWriteSpeed(int kBps) override { note(QStringLiteral("speed %1").arg(kBps)); }
    qint64 availableBytes(bool) override { return roomBytes; }
    bool startWrite(const BurnJob& job, BurnOutcome::Reason*, QString*) override
    {
        note(QStringLiteral("startWrite"));
        writtenTracks = static_cast<int>(job.tracks.size());
        return true;
    }
    DriveStatus driveStatus(Progress& p) override
    {
        std::lock_guard lk(m);
        const Step s = next < steps.size() ? steps[next++] : Step{DriveIdle, 0, 0, 0};
        p = {s.track, s.sector, s.sectors};
        return s.status;
    }
    void cancel() override
    {
        note(QStringLiteral("cancel"));
        std::lock_guard lk(m);
        next = steps.size();
    }
    bool wroteWell() override { return true; }
    void endWrite() override { note(QStringLiteral("endWrite")); }
    bool nextMessage(Message& msg) override
    {
        std::lock_guard lk(m);
        if (messages.empty())
            return false;
        msg = messages.front();
        messages.pop_front();
        return true;
    }
    void setSignalHandling(bool writing) override { note(writing ? QStringLiteral("signals on") : QStringLiteral("signals off")); }
    bool signalled() override { return false; }
    void endAfterSignal() override {}

private:
    void note(const QString& what)
    {
        std::lock_guard lk(m);
        log << what;
    }
    std::mutex m;
    std::condition_variable windowSeen;
    QStringList log;
    std::deque<Message> messages;
    size_t next = 0;
};
