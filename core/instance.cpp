#include "core/instance.h"

#include "platform/appcontext.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
int g_fd = -1;
QString g_path;
} // namespace

QString InstanceLockPath() { return Ctx().programFile(QStringLiteral(".quillory.lock")); }

bool PrevInstance()
{
    const QString path = InstanceLockPath();
    if (g_fd >= 0 && g_path == path)
        return false; // this copy already holds it
    ReleaseInstanceLock();
    // Close-on-exec: child programs (the encoder, the order form) must not inherit the lock.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false; // no writable program folder: nothing to compare with, so run
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK;
    }
    // The holder's process id, for whoever looks at the file.
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0 && ::write(fd, pid.constData(), static_cast<size_t>(pid.size())) < 0) {
        // The id is informative only; the lock is what counts.
    }
    g_fd = fd;
    g_path = path;
    return false;
}

void ReleaseInstanceLock()
{
    if (g_fd >= 0) {
        ::flock(g_fd, LOCK_UN);
        ::close(g_fd);
    }
    g_fd = -1;
    g_path.clear();
}
