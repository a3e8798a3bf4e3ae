#pragma once
// What a bench that opens the program's windows sets up as the program does (windows that
// find each other by kind) with the seams a bench needs (no message box waits for a person,
// no sound is heard), and the memory in use.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <unistd.h>

#include "app/windows.h"
#include "controls/audiosink.h"
#include "controls/uisound.h"
#include "platform/prompt.h"

class WindowBench {
public:
    WindowBench()
    {
        RegisterWindows();
        qApp->setQuitOnLastWindowClosed(false);
        setPrompts(&m_prompt);
        setUiSound(&m_sounds);
        setAudioSinkFactory(&makeNullAudioSink);
    }
    ~WindowBench()
    {
        setPrompts(nullptr);
        setUiSound(nullptr);
        setAudioSinkFactory(nullptr);
    }
    WindowBench(const WindowBench&) = delete;
    WindowBench& operator=(const WindowBench&) = delete;

    // A skin settings file in the program folder that names no skin, so windows show plain.
    static void useNoSkin(const QString& programDir)
    {
        QDir().mkpath(programDir + QStringLiteral("Skins"));
        QFile ini(programDir + QStringLiteral("Skins/skinmain.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("(No Skin)\r\n 0 \r\n");
    }

    // The memory the process has in use (resident), in MB.
    static double residentMb()
    {
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return 0;
        const QList<QByteArray> pages = statm.readAll().split(' ');
        return pages.size() > 1 ? pages[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0 : 0;
    }

private:
    ScriptedPrompt m_prompt;
    RecordingUiSound m_sounds;
};
