#pragma once
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTreeWidget>

#include "convert/convertsupport.h"
#include "convert/frmconvertchoice.h"
#include "convert/frmmp3towav.h"
#include "convert/frmprogmp3towav.h"
#include "convert/frmprogwavtomp3.h"
#include "convert/frmwavtomp3.h"
#include "core/driveinfo.h"
#include "core/globals.h"
#include "fixture.h"
#include "platform/appcontext.h"
#include "platform/forms.h"
#include "platform/processrunner.h"
#include "shell/frmmain.h"

// A program folder with a skin choice and a music folder of its own; child processes go to
// a fake runner and the free space of every folder is plenty unless a test says otherwise.
class ConvertFixture : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        writeAll(programFile(QStringLiteral("Skins/skinmain.ini")), "(No Skin)\r\n 0 \r\n");
        AppDriveRoot = Ctx().appDriveRoot();
        DefaultMusicFolder = Ctx().defaultMusicFolder();
        QDir().mkpath(DefaultMusicFolder);
        MusicFolder = homeDir() + QStringLiteral("Music/");
        QDir().mkpath(MusicFolder);
        setRunner(&runner);
        setFreeBytesProbe([this](const QString&) { return freeBytes; });
        // The music folder is on an ordinary fixed disk, whatever holds the temporary folder.
        SetMountTable(std::vector<MountEntry>{{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1")}});
        // One-second waits pass as the event loop turns.
        clock.setAutoStep(50);
    }
    void TearDown() override
    {
        AppFixture::TearDown();
        setRunner(nullptr);
        setFreeBytesProbe(nullptr);
        SetMountTable(std::nullopt);
    }
    // Runs the deferred deletes of unloaded windows.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    QString music(const QString& name) const { return MusicFolder + name; }
    void touch(const QString& name, const QByteArray& bytes = "x") const { writeAll(music(name), bytes); }
    static QStringList rowTexts(QTreeWidget* list, int column = 0)
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(column);
        return out;
    }
    static QTreeWidgetItem* row(QTreeWidget* list, const QString& text)
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == text)
                return list->topLevelItem(i);
        return nullptr;
    }
    // A click on a row as the user makes it: the row becomes current and selected (Ctrl adds).
    static void clickRow(QTreeWidget* list, QTreeWidgetItem* r, bool select = true)
    {
        list->setCurrentItem(r, 0, QItemSelectionModel::NoUpdate);
        r->setSelected(select);
        emit list->itemClicked(r, 0);
    }
    int errorBoxes() const
    {
        int n = 0;
        for (const auto& r : prompt.asked)
            n += r.title == QLatin1String("Quillory Error");
        return n;
    }

    FakeProcessRunner runner;
    qint64 freeBytes = qint64(1) << 40;
};
