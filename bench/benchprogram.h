#pragma once
// The ground a bench runs its windows on: a program folder and a home in a temporary folder,
// as the program's start sets them, every box answered by a script and the exit caught.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>

#include "core/encoderoptions.h"

#include "core/globals.h"
#include "platform/appcontext.h"
#include "platform/prompt.h"
#include "platform/services.h"

class BenchProgram {
public:
    BenchProgram()
    {
        programDir = m_tmp.path() + QStringLiteral("/Quillory/");
        home = m_tmp.path() + QStringLiteral("/home/");
        QDir().mkpath(programDir);
        QDir().mkpath(home);
        qputenv("HOME", QFile::encodeName(home));
        AppContext::setCurrent(AppContext(programDir, home));
        ResetGlobals();
        setPrompts(&prompt);
        setExit(&m_exit);
    }
    ~BenchProgram()
    {
        if (!prompt.asked.empty())
            std::printf("  boxes shown: %s\n", qPrintable(prompt.messageTexts().join(QStringLiteral(" | "))));
        setPrompts(nullptr);
        setExit(nullptr);
    }
    BenchProgram(const BenchProgram&) = delete;
    BenchProgram& operator=(const BenchProgram&) = delete;

    // The temporary folder everything lies in.
    QString path() const { return m_tmp.path(); }
    // Makes "My Music" in the home the music folder, and names it in the settings file.
    void useMusicFolder()
    {
        MusicFolder = home + QStringLiteral("My Music/");
        QDir().mkpath(MusicFolder);
        QFile ini(programDir + QStringLiteral("MWFolders.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("MusicFolder=" + MusicFolder.toUtf8() + "\r\n");
    }

    QString programDir;
    QString home;
    ScriptedPrompt prompt; // no box is ever shown

private:
    QTemporaryDir m_tmp;
    TestExit m_exit;
};

// An environment variable's whole number, or fallback when it is not set.
inline int benchSetting(const char* name, int fallback)
{
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
}

// Whether the lame program is installed; says so for bench when it is not.
inline bool lameInstalled(const char* bench)
{
    if (!QStandardPaths::findExecutable(QStringLiteral("lame")).isEmpty())
        return true;
    std::printf("%s: the program \"lame\" is not installed; this bench needs it.\n", bench);
    return false;
}

// Seconds lame alone takes over the WAV files, one after the other, each with the program's
// own command line at the bit rate rateText ("-b128 ") into the MP3 beside it.
inline double lameAloneSeconds(const QStringList& wavPaths, const QString& rateText)
{
    QElapsedTimer t;
    t.start();
    for (const QString& wav : wavPaths) {
        const EncoderCommand cmd = BuildEncoderCommand(rateText, wav, wav.left(wav.size() - 4) + QStringLiteral(".mp3"));
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(cmd.program, cmd.arguments);
        p.waitForFinished(-1);
    }
    return t.elapsed() / 1000.0;
}
