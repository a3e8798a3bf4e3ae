#include "fixture.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "app/windows.h"
#include "controls/acd.h"
#include "controls/winsock.h"
#include "controls/uisound.h"
#include "controls/audiosink.h"
#include "core/globals.h"
#include "core/mp3listing.h"
#include "core/settings.h"
#include "platform/appcontext.h"
#include "platform/atomicfile.h"
#include "platform/cddrives.h"
#include "platform/forms.h"
#include "pump.h"

void AppFixture::SetUp()
{
    ASSERT_TRUE(tmp.isValid());
    QDir(tmp.path()).mkpath(QStringLiteral("Quillory"));
    QDir(tmp.path()).mkpath(QStringLiteral("home"));
    m_oldHome = qgetenv("HOME");
    qputenv("HOME", homeDir().toUtf8());
    AppContext::setCurrent(AppContext(programDir(), homeDir()));
    ResetGlobals();
    SettingsRead::instance().forget();
    // Each test lists its own files afresh.
    Mp3ListCache::instance().clear();
    setPrompts(&prompt);
    setExit(&exitSeam);
    setClock(&clock);
    setDesktop(&desktop);
    setProcesses(&processes);
    setUiSound(&sounds);
    // No test ever sounds: audio goes to the null output, paced by the manual clock.
    setAudioSinkFactory(&makeNullAudioSink);
    // Windows reach each other by kind, as in the program.
    RegisterWindows();
    // Tests see only the disc images they inject, never the machine's drives.
    CdDrives::setHideRealDrives(true);
    CdDrives::setInjectedImages({});
    CdDrives::setInjectedDrives({});
    setDriveIo(&driveIo);
    // Tests talk only to this machine: any other host is unknown to the socket control.
    Winsock::setRoute([](QString& host, int32_t&) {
        return host == QLatin1String("127.0.0.1") || host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
    });
}

void AppFixture::TearDown()
{
    Forms::reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // A stopped CD read ends by itself; it ends before the next test (and the folder) begins.
    EXPECT_TRUE(pumpUntil([] { return !ACD::ReaderRunning(); }));
    ResetGlobals();
    setPrompts(nullptr);
    setExit(nullptr);
    setClock(nullptr);
    setDesktop(nullptr);
    setProcesses(nullptr);
    setUiSound(nullptr);
    setAudioSinkFactory(nullptr);
    CdDrives::setInjectedImages({});
    CdDrives::setInjectedDrives({});
    setDriveIo(nullptr);
    AtomicFile::setCalls({});
    setMp3FactsReader({});
    qputenv("HOME", m_oldHome);
}

QString AppFixture::programDir() const { return tmp.path() + QStringLiteral("/Quillory/"); }
QString AppFixture::homeDir() const { return tmp.path() + QStringLiteral("/home/"); }

void AppFixture::copyShipped(const QString& name) const
{
    const QString src = QStringLiteral(QUILLORY_PROGRAM_DIR) + '/' + name;
    const QString dst = programDir() + name;
    QFileInfo fi(src);
    if (fi.isDir()) {
        QDirIterator it(src, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString f = it.next();
            const QString rel = QDir(src).relativeFilePath(f);
            QDir().mkpath(QFileInfo(dst + '/' + rel).path());
            QFile::copy(f, dst + '/' + rel);
        }
    } else {
        QDir().mkpath(QFileInfo(dst).path());
        QFile::copy(src, dst);
    }
}

QByteArray AppFixture::readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void AppFixture::writeAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}
