#pragma once
// Files a long run has made that must not outlive it. While a `SignalCleanup` lives, a signal
// that ends the program (Ctrl-C, logout, a closed terminal: SIGINT, SIGTERM, SIGHUP) first
// removes the files it holds, then ends the program as the signal would have. The paths are
// kept in a fixed table of C strings so that the handler reads them without allocating; only
// unlink and the signal calls run inside it.
#include <QString>
#include <csignal>
#include <iterator>
#include <vector>

class SignalCleanup {
public:
    // Installs the handlers; a signal the program ignores (started under nohup) stays ignored.
    SignalCleanup();
    // Forgets its files (without removing them) and puts the handlers from before back.
    ~SignalCleanup();
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;

    // Holds path for removal on a signal; false when the table is full or the path too long.
    bool add(const QString& path);
    // Lets go of path again (the run removed it, or keeps it).
    void forget(const QString& path);

    // The signals it handles.
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

private:
    struct Held {
        QString path;
        int slot;
    };
    std::vector<Held> m_held;
    static constexpr size_t kCount = std::size(kSignals);
    struct sigaction m_before[kCount] = {};
    bool m_installed[kCount] = {};
};

// Removes every file a live SignalCleanup holds. Safe inside a signal handler: for code that
// ends the program on a signal by its own way (the writer, once the drive is idle again).
void UnlinkSignalCleanupFiles() noexcept;
