#include "platform/signalcleanup.h"

#include <QFile>
#include <atomic>
#include <cstring>
#include <unistd.h>

namespace {
// A slot is free, being filled or emptied by the window thread, or holds a path. The handler
// takes a held slot over before it reads it, so no slot is rewritten under it.
enum SlotState : int { Free, Busy, Held, Taken };
constexpr int kSlots = 128;
constexpr size_t kPathBytes = 4096;
char g_paths[kSlots][kPathBytes];
std::atomic<int> g_state[kSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int claimSlot(const QByteArray& path)
{
    if (path.isEmpty() || size_t(path.size()) >= kPathBytes)
        return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = Free;
        if (!g_state[i].compare_exchange_strong(expected, Busy))
            continue;
        std::memcpy(g_paths[i], path.constData(), size_t(path.size()) + 1);
        g_state[i].store(Held);
        return i;
    }
    return -1;
}

void releaseSlot(int slot)
{
    int expected = Held;
    // A slot the handler has taken over stays as it is: the program is ending.
    if (g_state[slot].compare_exchange_strong(expected, Busy)) {
        g_paths[slot][0] = '\0';
        g_state[slot].store(Free);
    }
}

void onSignal(int sig)
{
    UnlinkSignalCleanupFiles();
    // Ends the program as the signal does by default, so whoever started it sees the signal.
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
    _exit(128 + sig);
}
} // namespace

void UnlinkSignalCleanupFiles() noexcept
{
    for (int i = 0; i < kSlots; ++i) {
        int expected = Held;
        if (g_state[i].compare_exchange_strong(expected, Taken))
            unlink(g_paths[i]);
    }
}

SignalCleanup::SignalCleanup()
{
    for (size_t i = 0; i < kCount; ++i) {
        if (sigaction(kSignals[i], nullptr, &m_before[i]) != 0)
            continue;
        if (!(m_before[i].sa_flags & SA_SIGINFO) && m_before[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction act = {};
        act.sa_handler = onSignal;
        sigemptyset(&act.sa_mask);
        for (int s : kSignals)
            sigaddset(&act.sa_mask, s); // one cleanup at a time
        m_installed[i] = sigaction(kSignals[i], &act, nullptr) == 0;
    }
}

SignalCleanup::~SignalCleanup()
{
    for (const Held& h : m_held)
        releaseSlot(h.slot);
    for (size_t i = 0; i < kCount; ++i)
        if (m_installed[i])
            sigaction(kSignals[i], &m_before[i], nullptr);
}

bool SignalCleanup::add(const QString& path)
{
    const int slot = claimSlot(QFile::encodeName(path));
    if (slot < 0)
        return false;
    m_held.push_back({path, slot});
    return true;
}

void SignalCleanup::forget(const QString& path)
{
    for (auto it = m_held.begin(); it != m_held.end(); ++it) {
        if (it->path == path) {
            releaseSlot(it->slot);
            m_held.erase(it);
            return;
        }
    }
}
