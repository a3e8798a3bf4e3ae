#pragma once
// A program folder, a music folder and one image CD writer, with the burner window at hand.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include "audiofiles.h"
#include "pump.h"
#include "burner/frmburner.h"
#include "burner/writerselect.h"
#include "controls/acdwrite.h"
#include "controls/acdwrite_image.h"
#include "core/globals.h"
#include "windowfixture.h"
#include "platform/appcontext.h"
#include "platform/cddrives.h"
#include "platform/forms.h"
#include "platform/freespace.h"

class BurnerFixture : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        music = DefaultMusicFolder;
        SongLibrary = std::make_unique<colMp3>();
        CDLibrary = std::make_unique<colCD>();
        SongLibrary->setFileName(QStringLiteral("MP3.mpd"));
        CDLibrary->setFileName(QStringLiteral("cd.mpd"));
        setFreeBytesProbe([this](const QString&) { return freeBytes.value_or(-1); });
        writer.cuePath = homeDir() + QStringLiteral("burned.cue");
        writer.name = QStringLiteral("Image Writer");
        CdDrives::setInjectedImages({writer.cuePath});
        ImageWriters::setInjected({writer});
    }
    void TearDown() override
    {
        ImageWriters::setInjected({});
        setFreeBytesProbe(nullptr);
        WindowFixture::TearDown();
    }
    // Injects the writer again after a change of its setup.
    void reinject()
    {
        CdDrives::setInjectedImages({writer.cuePath});
        ImageWriters::setInjected({writer});
    }
    frmBurner& load() { return Forms::get<frmBurner>(); }
    void unload()
    {
        Forms::unload<frmBurner>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A CD-audio WAV of whole CD sectors (75 a second).
    QString wav(const QString& name, double seconds)
    {
        const QString path = music + name;
        EXPECT_TRUE(testaudio::writeWav(path, 44100, 2, seconds));
        return path;
    }
    QString mp3(const QString& name, double seconds, const QStringList& extra = {})
    {
        const QString path = music + name;
        EXPECT_TRUE(testaudio::makeMp3(path, 44100, 2, seconds, 128, extra));
        return path;
    }
    // The file-list row with this text, or nullptr.
    static ListItem* row(ListView* list, const QString& text)
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == text)
                return list->topLevelItem(i);
        return nullptr;
    }
    // Double-clicks a file-list row into the burn list.
    static void add(frmBurner& b, const QString& text)
    {
        ListItem* r = row(b.ListView1, text);
        ASSERT_NE(r, nullptr) << text.toStdString();
        b.ListView1->setCurrentItem(r);
        b.ListView1_DblClick();
    }
    static QStringList column(ListView* list, int c)
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(c);
        return out;
    }
    bool asked(const QString& text) const
    {
        for (const auto& r : prompt.asked)
            if (r.text == text)
                return true;
        return false;
    }
    int errorBoxes() const
    {
        int n = 0;
        for (const auto& r : prompt.asked)
            n += r.title == QLatin1String("Quillory Error");
        return n;
    }
    // Waits (with a guard against a hang) until the burn or its preparation has ended.
    static bool waitForEnd(frmBurner& b)
    {
        return pumpUntil([&] { return !b.BurnRunning(); }, 30000);
    }

    QString music;
    std::optional<qint64> freeBytes = qint64(1) << 40;
    ImageWriterSetup writer;
};
