// Starts the built program for real, twice, under a temporary home.
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {
// One running copy of the program, with its trace lines (see app/main.cpp).
class Copy {
public:
    Copy(const QString& exe, const QString& home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QUILLORY_TEST_TRACE"), QStringLiteral("1"));
        proc.setProcessEnvironment(env);
        proc.setProcessChannelMode(QProcess::SeparateChannels);
        proc.start(exe, {});
    }
    ~Copy()
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(5000);
        }
    }
    // Waits (for output, not for time) until a trace line starting with prefix arrives.
    bool waitForLine(const QString& prefix, int timeoutMs = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (!hasLine(prefix)) {
            if (proc.state() == QProcess::NotRunning || t.elapsed() > timeoutMs)
                return false;
            if (proc.waitForReadyRead(500))
                out += QString::fromUtf8(proc.readAllStandardOutput());
        }
        return true;
    }
    bool hasLine(const QString& prefix) const { return !line(prefix).isEmpty(); }
    QString line(const QString& prefix) const
    {
        for (const QString& l : out.split(u'\n'))
            if (l.startsWith(prefix))
                return l;
        return {};
    }
    // The milliseconds at the end of a "shown NAME ms" / "hidden NAME ms" line.
    qint64 at(const QString& prefix) const { return line(prefix).section(u' ', 2, 2).toLongLong(); }
    void finish()
    {
        proc.waitForFinished(20000);
        out += QString::fromUtf8(proc.readAllStandardOutput());
    }

    QProcess proc;
    QString out;
};
} // namespace

TEST(TwoCopies, TheSecondCopyIsTurnedAwayAndTheFirstRunsOn)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // A copy of the ready program folder, so that no other test's copy shares its lock
    // and nothing the program writes lands in the build tree.
    const QString ready = QStringLiteral(QUILLORY_PROGRAM_DIR);
    const QString prog = tmp.path() + QStringLiteral("/Quillory");
    const QString home = tmp.path() + QStringLiteral("/home");
    QDir().mkpath(home);
    QDirIterator it(ready, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        const QString to = prog + u'/' + QDir(ready).relativeFilePath(f);
        QDir().mkpath(QFileInfo(to).path());
        ASSERT_TRUE(QFile::copy(f, to)) << f.toStdString();
    }
    QFile::remove(prog + QStringLiteral("/.quillory.lock"));
    const QString exe = prog + QStringLiteral("/quillory");

    auto first = std::make_unique<Copy>(exe, home);
    ASSERT_TRUE(first->waitForLine(QStringLiteral("shown frmMain"))) << first->out.toStdString();
    EXPECT_GE(first->at(QStringLiteral("hidden frmSplash")) - first->at(QStringLiteral("shown frmSplash")), 3000);
    EXPECT_TRUE(QFileInfo(home + QStringLiteral("/My Music")).isDir());

    Copy second(exe, home);
    second.finish();
    EXPECT_EQ(second.proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.proc.exitCode(), 0);
    const QString msg = second.line(QStringLiteral("message "));
    EXPECT_TRUE(msg.endsWith(QStringLiteral(" 0 [Quillory] Quillory is already running. Check Windows taskbar for it.")))
        << second.out.toStdString();
    EXPECT_GE(msg.section(u' ', 1, 1).toLongLong() - second.at(QStringLiteral("shown frmSplash")), 3000);
    EXPECT_TRUE(second.hasLine(QStringLiteral("hidden frmSplash")));
    EXPECT_FALSE(second.hasLine(QStringLiteral("shown frmMain")));

    // The first copy is unaffected: still running, nothing asked, main window not hidden.
    EXPECT_EQ(first->proc.state(), QProcess::Running);
    first->out += QString::fromUtf8(first->proc.readAllStandardOutput());
    EXPECT_FALSE(first->hasLine(QStringLiteral("message ")));
    EXPECT_FALSE(first->hasLine(QStringLiteral("hidden frmMain")));

    // A copy that is killed leaves no lock behind: the next one starts normally.
    first.reset();
    Copy third(exe, home);
    ASSERT_TRUE(third.waitForLine(QStringLiteral("shown frmMain"))) << third.out.toStdString();
    EXPECT_FALSE(third.hasLine(QStringLiteral("message ")));
}
