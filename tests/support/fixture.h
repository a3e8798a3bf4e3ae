#pragma once
// A temporary program folder and home with every outside effect replaced:
// scripted prompts, a test exit, a manual clock, a recording desktop and process launcher,
// and the null audio output.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "controls/uisound.h"
#include "platform/prompt.h"
#include "platform/services.h"

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

private:
    QByteArray m_oldHome;
};
