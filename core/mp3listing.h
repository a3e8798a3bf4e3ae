#pragma once
// What a listing shows of MP3 files that the catalogue does not know, read from the files
// themselves: read on several threads, and kept for the rest of the run so that a folder
// listed again reads only the files that changed since.
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "controls/mp3play.h"
#include "core/busylisting.h"

// What a listing needs of one file: what the play-time rules ask of an open file, and the
// tag texts the list shows.
struct Mp3ListFacts {
    bool opened = false;
    bool hasTag = false;
    int32_t bitRate = 0;
    int32_t lengthMs = 0;
    qint64 audioBytes = 0;
    int16_t genre = 255;
    QString artist, album;
    QString timeNote; // the tag comment when it holds a "[Time=" note, else empty
};
Mp3ListFacts Mp3ListFactsOf(const Mp3FileFacts& read);

// The reading of a file's facts: ReadMp3FileFacts unless a test put another in (an empty
// function puts the real one back). Called on the listing's threads.
void setMp3FactsReader(std::function<Mp3FileFacts(const QString&)> reader);

// The facts read so far in this run, by path, with the size and modification time the file
// had when it was read. Safe on any thread.
class Mp3ListCache {
public:
    static Mp3ListCache& instance();
    // The facts of the file at path: kept ones while its size and modification time are
    // the same, else read (and kept). A file that cannot be found is not opened, nor kept.
    Mp3ListFacts facts(const QString& path);
    // Forgets one file (its tag was written here) or all.
    void forget(const QString& path);
    void clear();

private:
    struct Kept {
        qint64 size = 0;
        qint64 mtimeNs = 0;
        Mp3ListFacts facts;
    };
    struct Store;
    Mp3ListCache();
    ~Mp3ListCache();
    std::unique_ptr<Store> m_store;
};

// The facts of many files read on worker threads (as many as the machine has cores, unless
// told), first to last, while the window thread takes them in the same order.
class Mp3ListReader {
public:
    // resolve turns each name into its file's path on the worker threads; an empty path
    // gives facts of a file that cannot be opened.
    Mp3ListReader(QStringList names, std::function<QString(const QString&)> resolve, int threads = 0);
    ~Mp3ListReader();
    Mp3ListReader(const Mp3ListReader&) = delete;
    Mp3ListReader& operator=(const Mp3ListReader&) = delete;

    qsizetype size() const { return m_names.size(); }
    const QString& name(qsizetype i) const { return m_names.at(i); }
    // The facts of name i, once read; while they are not, busy keeps the windows painted.
    const Mp3ListFacts& take(qsizetype i, BusyListing& busy);

private:
    void work();
    const QStringList m_names; // shared with the caller: read only, never detached
    std::function<QString(const QString&)> m_resolve;
    std::vector<Mp3ListFacts> m_facts;
    std::unique_ptr<std::atomic<bool>[]> m_done;
    std::atomic<qsizetype> m_next{0};
    std::atomic<qsizetype> m_waitingFor{-1};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<std::thread> m_threads;
};

// Fills the empty places (nullptr) of rows, one a name of reader in turn, with
// make(name, facts), and drops the places make leaves empty.
template <class Row, class Make> void FillFromFiles(QList<Row*>& rows, Mp3ListReader& reader, BusyListing& busy, Make make)
{
    qsizetype next = 0;
    for (Row*& row : rows) {
        if (row)
            continue;
        busy.setProgress(next, reader.size());
        const qsizetype i = next++;
        row = make(reader.name(i), reader.take(i, busy));
    }
    rows.removeAll(nullptr);
}
