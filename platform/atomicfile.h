#pragma once
// Replacing a file whole so that it survives a crash or a power loss: the new contents go to
// a temporary file beside it (path + ".tmp"), which is synced to disk and renamed over the
// file; then the folder is synced so the rename itself is on disk. The file is always either
// the old one or the complete new one. The file-system calls go through setAtomicFileCalls,
// so a test can stand in for a full disk or watch the syncs.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

namespace AtomicFile {

enum class Outcome { Written, NoFolder, CannotCreate, DiskFull, WriteFailed, RenameFailed };

// Runs when the temporary file is complete and closed, just before the rename. A hook that
// throws stops the save: the temporary file is removed and the exception passes on.
using BeforeRename = std::function<void(const QString& tempPath, const QString& path)>;

// Writes bytes over path (creating it when it is missing; a file replaced keeps its
// permissions; a symbolic link is followed and stays a link). On any outcome but Written the
// temporary file is gone and path is untouched.
Outcome Write(const QString& path, const QByteArray& bytes, const BeforeRename& beforeRename = {});

// Takes one piece of the new contents; false once the write has failed (later pieces are dropped).
using Put = std::function<bool(QByteArrayView piece)>;
// The same, with the contents handed to put piece by piece by produce, so a large file is
// never held whole in memory. An exception from produce removes the temporary file and
// passes on.
Outcome WriteWith(const QString& path, const std::function<void(const Put& put)>& produce,
                  const BeforeRename& beforeRename = {});

// The file-system calls of Write, POSIX style (-1 and errno on failure).
struct Calls {
    std::function<long(int fd, const char* data, long size)> write; // bytes written
    std::function<int(int fd)> syncFile;
    std::function<int(const QString& folder)> syncFolder;
};
// Test seam: members left empty keep the real calls; setCalls({}) restores them all.
void setCalls(Calls calls);

} // namespace AtomicFile
