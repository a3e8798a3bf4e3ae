#include "platform/atomicfile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

Calls realCalls()
{
    Calls c;
    c.write = [](int fd, const char* data, long size) { return static_cast<long>(::write(fd, data, size)); };
    c.syncFile = [](int fd) { return ::fsync(fd); };
    c.syncFolder = [](const QString& folder) {
        const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return -1;
        const int r = ::fsync(fd);
        ::close(fd);
        return r;
    };
    return c;
}

Calls& calls()
{
    static Calls c = realCalls();
    return c;
}

bool noRoom(int error) { return error == ENOSPC || error == EDQUOT; }

} // namespace

void setCalls(Calls replacement)
{
    const Calls real = realCalls();
    Calls& c = calls();
    c.write = replacement.write ? std::move(replacement.write) : real.write;
    c.syncFile = replacement.syncFile ? std::move(replacement.syncFile) : real.syncFile;
    c.syncFolder = replacement.syncFolder ? std::move(replacement.syncFolder) : real.syncFolder;
}

Outcome Write(const QString& path, const QByteArray& bytes, const BeforeRename& beforeRename)
{
    return WriteWith(path, [&bytes](const Put& put) { put(bytes); }, beforeRename);
}

Outcome WriteWith(const QString& givenPath, const std::function<void(const Put& put)>& produce,
                  const BeforeRename& beforeRename)
{
    // A symbolic link stays one: its target is replaced.
    const QFileInfo given(givenPath);
    const QString path = given.isSymLink() ? given.symLinkTarget() : givenPath;
    const QString tempPath = path + QStringLiteral(".tmp");
    const QByteArray temp = QFile::encodeName(tempPath);
    const QByteArray target = QFile::encodeName(path);
    const QString folder = QFileInfo(path).absolutePath();

    int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return QFileInfo(folder).isDir() ? Outcome::CannotCreate : Outcome::NoFolder;
    const auto fail = [&](Outcome outcome) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.constData());
        return outcome;
    };

    Outcome writing = Outcome::Written;
    const Put put = [&](QByteArrayView piece) {
        const char* p = piece.data();
        long left = static_cast<long>(piece.size());
        while (writing == Outcome::Written && left > 0) {
            const long n = calls().write(fd, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) // a regular file that takes no byte has no room left
                writing = n == 0 || noRoom(errno) ? Outcome::DiskFull : Outcome::WriteFailed;
            else {
                p += n;
                left -= n;
            }
        }
        return writing == Outcome::Written;
    };
    try {
        produce(put);
    } catch (...) {
        fail(Outcome::WriteFailed);
        throw;
    }
    if (writing != Outcome::Written)
        return fail(writing);
    // The new file keeps the permissions of the one it replaces.
    struct stat old {};
    if (::stat(target.constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    if (calls().syncFile(fd) != 0)
        return fail(noRoom(errno) ? Outcome::DiskFull : Outcome::WriteFailed);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail(noRoom(errno) ? Outcome::DiskFull : Outcome::WriteFailed);

    if (beforeRename) {
        try {
            beforeRename(tempPath, path);
        } catch (...) {
            ::unlink(temp.constData());
            throw;
        }
    }
    // rename(2) replaces the file in one step (and creates it when it is missing).
    if (std::rename(temp.constData(), target.constData()) != 0)
        return fail(Outcome::RenameFailed);
    // The rename lives in the folder: without this sync a power loss can bring the old
    // file back. The file itself is complete either way, so a failed sync is no failed save.
    calls().syncFolder(folder);
    return Outcome::Written;
}

} // namespace AtomicFile
