// Whole-file saves: the order of the writes, syncs and the rename, and what a failed
// save leaves behind.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <unistd.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/atomicfile.h"

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class AtomicFileTest : public ::testing::Test {
protected:
    void TearDown() override { AtomicFile::setCalls({}); }
    QString path(const char* name) const { return dir.path() + '/' + QString::fromLatin1(name); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(AtomicFileTest, TheFileIsSyncedRenamedAndThenItsFolderSynced)
{
    const QString file = path("Burner.ini");
    writeAll(file, "old\r\n");
    std::vector<std::string> steps;
    AtomicFile::Calls calls;
    // Each call notes what the disk holds at that moment.
    calls.write = [&](int fd, const char* data, long size) {
        steps.push_back("write, file " + readAll(file).toStdString());
        return static_cast<long>(::write(fd, data, size));
    };
    calls.syncFile = [&](int) {
        steps.push_back("sync file, temp " + readAll(file + ".tmp").toStdString());
        return 0;
    };
    calls.syncFolder = [&](const QString& folder) {
        steps.push_back("sync folder " + std::string(folder == dir.path() ? "of the file" : "elsewhere") + ", file " +
                        readAll(file).toStdString() + ", temp " + readAll(file + ".tmp").toStdString());
        return 0;
    };
    AtomicFile::setCalls(calls);

    EXPECT_EQ(AtomicFile::Write(file, "new\r\n"), AtomicFile::Outcome::Written);
    const std::vector<std::string> want = {
        "write, file old\r\n",
        "sync file, temp new\r\n",
        "sync folder of the file, file new\r\n, temp <missing>",
    };
    EXPECT_EQ(steps, want);
    EXPECT_EQ(readAll(file), "new\r\n");
}

TEST_F(AtomicFileTest, AFailedWriteOrSyncKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    struct Case {
        const char* what;
        long writeResult; // what every write returns; 0 or more: the real write
        int writeErrno;
        int syncErrno;    // 0: the real sync
        AtomicFile::Outcome outcome;
    } cases[] = {
        {"disk full on write", -1, ENOSPC, 0, AtomicFile::Outcome::DiskFull},
        {"quota on write", -1, EDQUOT, 0, AtomicFile::Outcome::DiskFull},
        {"write takes nothing", 0, 0, 0, AtomicFile::Outcome::DiskFull},
        {"i/o error on write", -1, EIO, 0, AtomicFile::Outcome::WriteFailed},
        {"disk full on sync", 1, 0, ENOSPC, AtomicFile::Outcome::DiskFull},
        {"i/o error on sync", 1, 0, EIO, AtomicFile::Outcome::WriteFailed},
    };
    const QString file = path("cddb.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeAll(file, "EMail=old@home.example\r\n");
        int folderSyncs = 0;
        AtomicFile::Calls calls;
        calls.write = [&](int fd, const char* data, long size) {
            if (c.writeResult >= 1) // one byte at a time: a short write goes on
                return static_cast<long>(::write(fd, data, 1));
            errno = c.writeErrno;
            return c.writeResult;
        };
        if (c.syncErrno != 0)
            calls.syncFile = [&](int) {
                errno = c.syncErrno;
                return -1;
            };
        calls.syncFolder = [&](const QString&) {
            ++folderSyncs;
            return 0;
        };
        AtomicFile::setCalls(calls);
        EXPECT_EQ(AtomicFile::Write(file, "EMail=new@home.example\r\n"), c.outcome);
        EXPECT_EQ(readAll(file), "EMail=old@home.example\r\n");
        EXPECT_FALSE(QFileInfo::exists(file + ".tmp"));
        EXPECT_EQ(folderSyncs, 0);
    }
    // One byte a call still writes everything.
    AtomicFile::Calls oneByte;
    oneByte.write = [](int fd, const char* data, long) { return static_cast<long>(::write(fd, data, 1)); };
    AtomicFile::setCalls(oneByte);
    EXPECT_EQ(AtomicFile::Write(file, "EMail=new@home.example\r\n"), AtomicFile::Outcome::Written);
    EXPECT_EQ(readAll(file), "EMail=new@home.example\r\n");
}

TEST_F(AtomicFileTest, MissingFoldersPermissionsLinksAndAStoppedSave)
{
    EXPECT_EQ(AtomicFile::Write(path("no/such/file.ini"), "x"), AtomicFile::Outcome::NoFolder);

    // A new file is created; a file replaced keeps its permissions.
    const QString file = path("skinmain.ini");
    EXPECT_EQ(AtomicFile::Write(file, "one"), AtomicFile::Outcome::Written);
    EXPECT_EQ(readAll(file), "one");
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(AtomicFile::Write(file, "two"), AtomicFile::Outcome::Written);
    EXPECT_EQ(readAll(file), "two");
    const QFileDevice::Permissions modeBits = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                                              QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFile::permissions(file) & modeBits, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // A link keeps pointing at the file, which gets the new contents.
    const QString link = path("link.ini");
    ASSERT_TRUE(QFile::link(file, link));
    EXPECT_EQ(AtomicFile::Write(link, "linked"), AtomicFile::Outcome::Written);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(file), "linked");
    EXPECT_EQ(AtomicFile::Write(file, "two"), AtomicFile::Outcome::Written);

    // A hook that throws before the rename stops the save.
    EXPECT_THROW(AtomicFile::Write(file, "three", [](const QString&, const QString&) { throw 1; }), int);
    EXPECT_EQ(readAll(file), "two");
    EXPECT_FALSE(QFileInfo::exists(file + ".tmp"));
}
