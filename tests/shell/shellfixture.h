#pragma once
#include <QCoreApplication>
#include <QDir>
#include <QEvent>

#include "burner/frmburner.h"
#include "cd/frmcd.h"
#include "convert/frmconvertchoice.h"
#include "convert/frmmp3towav.h"
#include "convert/frmwavtomp3.h"
#include "core/globals.h"
#include "windowfixture.h"
#include "platform/appcontext.h"
#include "platform/cddrives.h"
#include "platform/forms.h"
#include "player/frmplay.h"
#include "shell/frmmain.h"
#include "shell/windowchrome.h"
#include "songs/frmsongs.h"

// A program folder with a skin choice, and the main window loaded from it.
class ShellFixture : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
    }
    frmMain& loadMain() { return Forms::get<frmMain>(); }
    // Runs the deferred deletes of unloaded windows.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    // A disc image with one audio track of two seconds, offered as the only CD drive.
    QString injectAudioDisc()
    {
        const QString bin = programFile(QStringLiteral("disc.bin"));
        writeAll(bin, QByteArray(300 * 2352, '\0'));
        const QString cue = programFile(QStringLiteral("disc.cue"));
        // Two tracks: a one-track disc would be taken for a data CD and warned about.
        writeAll(cue, "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                      "  TRACK 02 AUDIO\r\n    INDEX 01 00:02:00\r\n");
        CdDrives::setInjectedImages({cue});
        return cue;
    }
    int errorBoxes() const
    {
        int n = 0;
        for (const auto& r : prompt.asked)
            n += r.title == QLatin1String("Quillory Error");
        return n;
    }
};
