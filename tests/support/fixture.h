#pragma once
// A temporary program folder and home with every outside effect replaced:
// scripted prompts, a test exit, a manual clock, a recording desktop and process launcher,
// and the null audio output.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <utility>
#include <gtest/gtest.h>

#include "controls/uisound.h"
#include "platform/cddrives.h"
#include "platform/prompt.h"
#include "platform/services.h"

// The drives' own answers, for stand-in drives (images keep their own door and files).
class FakeDriveIo : public CdDriveIo {
public:
    Disc disc = Disc::Unknown;
    bool changed = false;   // reported once, then cleared
    bool ejectWorks = true;
    bool mounted = false;
    QStringList denied;
    QString group;          // the group owning every device
    QStringList ejected;    // devices whose eject was tried

    Disc discState(const QString&) override { return disc; }
    bool mediaChanged(const QString&) override { return std::exchange(changed, false); }
    bool eject(const QString& device) override
    {
        ejected << device;
        return ejectWorks;
    }
    void closeTray(const QString&) override {}
    bool isMounted(const QString&) override { return mounted; }
    QStringList deniedDevices() override { return denied; }
    QString deviceGroup(const QString&) override { return group; }
};

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Program folder and home, each with a trailing "/".
    QString programDir() const;
    QString homeDir() const;
    QString programFile(const QString& name) const { return programDir() + name; }
    // Copies a shipped data file (or folder) from the build's ready program folder.
    void copyShipped(const QString& name) const;

    static QByteArray readAll(const QString& path);
    static void writeAll(const QString& path, const QByteArray& bytes);

    QTemporaryDir tmp;
    ScriptedPrompt prompt;
    TestExit exitSeam;
    ManualClock clock;
    RecordingDesktop desktop;
    RecordingProcessLauncher processes;
    RecordingUiSound sounds;
    FakeDriveIo driveIo;

private:
    QByteArray m_oldHome;
};
