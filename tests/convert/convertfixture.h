#pragma once
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <functional>
#include <memory>
#include <vector>

#include "convert/convertsupport.h"
#include "convert/frmconvertchoice.h"
#include "convert/frmmp3towav.h"
#include "convert/frmprogmp3towav.h"
#include "convert/frmprogwavtomp3.h"
#include "convert/frmwavtomp3.h"
#include "platform/freespace.h"
#include "core/driveinfo.h"
#include "core/globals.h"
#include "windowfixture.h"
#include "platform/appcontext.h"
#include "platform/forms.h"
#include "platform/childprocess.h"
#include "shell/frmmain.h"

// Child processes that run until the test finishes them; every start is recorded.
class FakeProcesses : public ChildProcessFactory {
public:
    struct Process : ChildProcess {
        QString program;
        QStringList args;
        bool canStart = true;
        bool running = false;
        bool killed = false;
        int code = -1;
        std::function<void(Process&)>* onStart = nullptr;
        std::vector<std::shared_ptr<Process>>* log = nullptr;
        bool start(const QString& p, const QStringList& a) override
        {
            if (!canStart)
                return false;
            program = p;
            args = a;
            running = true;
            if (onStart && *onStart)
                (*onStart)(*this);
            return true;
        }
        bool finished() override { return !running; }
        int exitCode() override { return running ? -1 : code; }
        void kill() override
        {
            if (!running)
                return;
            running = false;
            killed = true;
            code = -1;
        }
        // Ends the process as if it exited with c.
        void finish(int c)
        {
            running = false;
            code = c;
        }
    };
    // A handle that keeps the process alive here too, so tests can look at it afterwards.
    struct Handle : ChildProcess {
        std::shared_ptr<Process> p;
        std::vector<std::shared_ptr<Process>>* log;
        bool start(const QString& program, const QStringList& args) override
        {
            log->push_back(p);
            if (!p->start(program, args)) {
                log->pop_back();
                return false;
            }
            return true;
        }
        bool finished() override { return p->finished(); }
        int exitCode() override { return p->exitCode(); }
        void kill() override { p->kill(); }
    };

    std::vector<std::shared_ptr<Process>> started;
    bool canStart = true;
    // Runs as each process starts (to finish it at once, write its output, ...).
    std::function<void(Process&)> onStart;

    std::unique_ptr<ChildProcess> create() override
    {
        auto h = std::make_unique<Handle>();
        h->p = std::make_shared<Process>();
        h->p->canStart = canStart;
        h->p->onStart = &onStart;
        h->log = &started;
        return h;
    }
};

// A program folder with a skin choice and a music folder of its own; child processes go to
// a fake runner and the free space of every folder is plenty unless a test says otherwise.
class ConvertFixture : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        MusicFolder = homeDir() + QStringLiteral("Music/");
        QDir().mkpath(MusicFolder);
        setChildProcesses(&runner);
        setFreeBytesProbe([this](const QString&) { return freeBytes; });
        // The music folder is on an ordinary fixed disk, whatever holds the temporary folder.
        SetMountTable(std::vector<MountEntry>{{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1")}});
        // One-second waits pass as the event loop turns.
        clock.setAutoStep(50);
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        setChildProcesses(nullptr);
        setFreeBytesProbe(nullptr);
        SetMountTable(std::nullopt);
    }
    // Runs the deferred deletes of unloaded windows.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    QString music(const QString& name) const { return MusicFolder + name; }
    void touch(const QString& name, const QByteArray& bytes = "x") const { writeAll(music(name), bytes); }
    static QStringList rowTexts(ListView* list, int column = 0)
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(column);
        return out;
    }
    static ListItem* row(ListView* list, const QString& text)
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == text)
                return list->topLevelItem(i);
        return nullptr;
    }
    // A click on a row as the user makes it: the row becomes current and selected (Ctrl adds).
    static void clickRow(ListView* list, ListItem* r, bool select = true)
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

    FakeProcesses runner;
    qint64 freeBytes = qint64(1) << 40;
};
