#include "core/mp3listing.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <sys/stat.h>

#include "core/busylisting.h"

namespace {

std::mutex g_readerMutex;
std::function<Mp3FileFacts(const QString&)> g_reader;

Mp3FileFacts readFacts(const QString& path)
{
    std::function<Mp3FileFacts(const QString&)> reader;
    {
        const std::lock_guard lock(g_readerMutex);
        reader = g_reader;
    }
    return reader ? reader(path) : ReadMp3FileFacts(path);
}

// How long the window thread waits for a file before it lets the windows paint.
constexpr auto kWaitSlice = std::chrono::milliseconds(20);

} // namespace

Mp3ListFacts Mp3ListFactsOf(const Mp3FileFacts& read)
{
    Mp3ListFacts f;
    f.opened = read.result == 0;
    if (!f.opened)
        return f;
    f.hasTag = read.hasTag;
    f.bitRate = read.bitRate;
    f.lengthMs = read.lengthMs;
    f.audioBytes = read.audioBytes;
    if (read.hasTag) {
        f.genre = read.genre;
        f.artist = read.artist;
        f.album = read.album;
        if (read.comment.contains(QLatin1String("[Time="), Qt::CaseInsensitive))
            f.timeNote = read.comment;
    }
    return f;
}

void setMp3FactsReader(std::function<Mp3FileFacts(const QString&)> reader)
{
    const std::lock_guard lock(g_readerMutex);
    g_reader = std::move(reader);
}

// ---- the facts kept ----

struct Mp3ListCache::Store {
    std::mutex mutex;
    QHash<QString, Kept> kept;
};

Mp3ListCache::Mp3ListCache() : m_store(std::make_unique<Store>()) {}
Mp3ListCache::~Mp3ListCache() = default;

Mp3ListCache& Mp3ListCache::instance()
{
    static Mp3ListCache cache;
    return cache;
}

Mp3ListFacts Mp3ListCache::facts(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    const qint64 size = st.st_size;
    const qint64 mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    {
        const std::lock_guard lock(m_store->mutex);
        const auto it = m_store->kept.constFind(path);
        if (it != m_store->kept.cend() && it->size == size && it->mtimeNs == mtimeNs)
            return it->facts;
    }
    Mp3ListFacts f = Mp3ListFactsOf(readFacts(path));
    const std::lock_guard lock(m_store->mutex);
    m_store->kept.insert(path, Kept{size, mtimeNs, f});
    return f;
}

void Mp3ListCache::forget(const QString& path)
{
    const std::lock_guard lock(m_store->mutex);
    m_store->kept.remove(path);
}

void Mp3ListCache::clear()
{
    const std::lock_guard lock(m_store->mutex);
    m_store->kept.clear();
}

// ---- reading on worker threads ----

Mp3ListReader::Mp3ListReader(QStringList names, std::function<QString(const QString&)> resolve, int threads)
    : m_names(std::move(names)), m_resolve(std::move(resolve)), m_facts(size_t(m_names.size())),
      m_done(new std::atomic<bool>[size_t(m_names.size())])
{
    for (qsizetype i = 0; i < m_names.size(); ++i)
        m_done[size_t(i)].store(false, std::memory_order_relaxed);
    if (threads <= 0)
        threads = int(std::max(1u, std::thread::hardware_concurrency()));
    threads = int(std::min<qsizetype>(threads, std::max<qsizetype>(1, m_names.size())));
    for (int t = 0; t < threads && !m_names.isEmpty(); ++t)
        m_threads.emplace_back([this] { work(); });
}

Mp3ListReader::~Mp3ListReader()
{
    m_stop = true;
    for (std::thread& t : m_threads)
        t.join();
}

void Mp3ListReader::work()
{
    // Each thread takes the next name not yet taken, so the files are read first to last.
    for (qsizetype i = m_next++; i < m_names.size() && !m_stop; i = m_next++) {
        const QString path = m_resolve ? m_resolve(m_names[i]) : m_names[i];
        m_facts[size_t(i)] = Mp3ListCache::instance().facts(path);
        m_done[size_t(i)].store(true);
        if (m_waitingFor.load() == i) {
            const std::lock_guard lock(m_mutex);
            m_ready.notify_one();
        }
    }
}

const Mp3ListFacts& Mp3ListReader::take(qsizetype i, BusyListing& busy)
{
    std::atomic<bool>& done = m_done[size_t(i)];
    while (!done.load()) {
        m_waitingFor = i;
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait_for(lock, kWaitSlice, [&] { return done.load(); });
        }
        m_waitingFor = -1;
        busy.idle();
    }
    return m_facts[size_t(i)];
}
