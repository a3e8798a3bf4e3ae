// Runs that cannot write their files: the user hears why before anything starts, and a file
// that was not written is never passed over as converted.
#include <QApplication>
#include <QDir>
#include <QFile>

#include "audiofiles.h"
#include "pump.h"
#include "controls/mp3play.h"
#include "convertfixture.h"
#include "platform/folderaccess.h"

namespace {
class RunFailures : public ConvertFixture {
protected:
    void TearDown() override
    {
        setFolderWriteProbe(nullptr);
        ConvertFixture::TearDown();
    }
    static void selectAll(ListView* list)
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            list->topLevelItem(i)->setSelected(true);
    }
    QString folderText() const { return MusicFolder.chopped(1); }
};
} // namespace

TEST_F(RunFailures, AReadOnlyMusicFolderIsNamedAndNothingStarts)
{
    ASSERT_TRUE(testaudio::makeMp3(music(QStringLiteral("Song.mp3")), 44100, 2, 0.3, 128, {}));
    ASSERT_TRUE(testaudio::writeWav(music(QStringLiteral("Take.wav")), 44100, 2, 0.2));
    QStringList probed;
    setFolderWriteProbe([&](const QString& folder) {
        probed << folder;
        return false;
    });
    struct Case {
        const char* kind;
        const char* button; // the window's own button that picks another folder
        std::function<void()> convert;
        std::function<bool()> idle;
    };
    frmMP3ToWAV& toWav = Forms::get<frmMP3ToWAV>();
    frmWAVToMP3& toMp3 = Forms::get<frmWAVToMP3>();
    selectAll(toWav.ListView2);
    selectAll(toMp3.ListView2);
    const Case cases[] = {
        {"WAV", "Change Folder", [&] { toWav.SSConvert_Click(); },
         [&] { return toWav.SSConvert->isEnabled() && !toWav.isRunning(); }},
        {"MP3", "Options...", [&] { toMp3.SSConvert_Click(); },
         [&] { return toMp3.SSConvert->isEnabled() && !toMp3.isRunning(); }},
    };
    for (const Case& c : cases) {
        prompt.asked.clear();
        c.convert();
        ASSERT_EQ(prompt.asked.size(), 1u) << c.kind;
        const QString text = prompt.last().text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Can't write ") + QString::fromLatin1(c.kind) +
                                    QStringLiteral(" files to the folder \"") + folderText() + '"'))
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("using the ") + QString::fromLatin1(c.button) + QStringLiteral(" button")))
            << text.toStdString();
        EXPECT_NE(prompt.last().title, QStringLiteral("Quillory Error"));
        EXPECT_TRUE(c.idle()) << c.kind;
        EXPECT_EQ(ConversionRunning, 0);
        EXPECT_EQ(Forms::find<frmProgMP3ToWAV>(), nullptr);
        EXPECT_EQ(Forms::find<frmProgWAVToMP3>(), nullptr);
    }
    EXPECT_TRUE(probed.contains(MusicFolder));
    EXPECT_TRUE(runner.started.empty());
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("Song.wav"))));
}

TEST_F(RunFailures, ADecodeThatWritesNoWavStopsTheRunAndSaysSo)
{
    ASSERT_TRUE(testaudio::makeMp3(music(QStringLiteral("A.mp3")), 44100, 2, 0.3, 128, {}));
    ASSERT_TRUE(testaudio::makeMp3(music(QStringLiteral("B.mp3")), 44100, 2, 0.3, 128, {}));
    // Once the first file's WAV name is chosen, a folder takes that name, so the decoder
    // cannot make the file (as with a folder gone read-only after the check).
    struct Blocker : QObject {
        bool eventFilter(QObject* o, QEvent* e) override
        {
            auto* prog = qobject_cast<frmProgMP3ToWAV*>(o);
            if (prog && e->type() == QEvent::Show && !done)
                done = QDir().mkpath(MusicFolder + prog->lblwave->text());
            return false;
        }
        bool done = false;
    } blocker;
    qApp->installEventFilter(&blocker);
    frmMP3ToWAV& w = Forms::get<frmMP3ToWAV>();
    selectAll(w.ListView2);
    w.SSConvert_Click();
    ASSERT_TRUE(pumpUntil([] { return ConversionRunning == 0; }, 30000));
    qApp->removeEventFilter(&blocker);
    ASSERT_TRUE(blocker.done);
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("A.wav\" could not be written"))) << prompt.last().text.toStdString();
    EXPECT_NE(prompt.last().title, QStringLiteral("Quillory Error"));
    // The run stopped there: the second file was not converted either.
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("B.wav"))));
    settle();
    EXPECT_EQ(Forms::find<frmProgMP3ToWAV>(), nullptr);
    EXPECT_TRUE(w.SSConvert->isEnabled());
    EXPECT_EQ(DecodeAbort, 0);
}

TEST_F(RunFailures, AnEncoderThatLeavesNoMp3IsNotPassedOverAsDone)
{
    ASSERT_TRUE(testaudio::writeWav(music(QStringLiteral("One.wav")), 44100, 2, 0.2));
    ASSERT_TRUE(testaudio::writeWav(music(QStringLiteral("Two.wav")), 44100, 2, 0.2));
    frmWAVToMP3& w = Forms::get<frmWAVToMP3>();
    selectAll(w.ListView2);
    int n = 0;
    runner.onStart = [&](FakeProcesses::Process& p) {
        if (++n == 2)
            writeAll(p.args.last(), "ID3");
        p.finish(0); // the first "succeeds" without a file
    };
    w.SSConvert_Click();
    pumpUntil([] { return ConversionRunning == 0; });
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_TRUE(prompt.last().text.contains(QStringLiteral("One.mp3\" could not be written"))) << prompt.last().text.toStdString();
    EXPECT_EQ(errorBoxes(), 0);
    EXPECT_TRUE(QFile::exists(music(QStringLiteral("Two.mp3"))));
    EXPECT_EQ(ConversionRunning, 0);
}

// The folder turns read-only, or the disk fills, part-way through a run: the user is told once,
// in plain words naming the folder or the file, without the program-error box and without a
// button the window does not have; the run stops and its partial file is gone.
TEST_F(RunFailures, AWriteFailurePartWayIsToldOnceAndStopsTheRun)
{
    ASSERT_TRUE(testaudio::writeWav(music(QStringLiteral("One.wav")), 44100, 2, 0.2));
    ASSERT_TRUE(testaudio::writeWav(music(QStringLiteral("Two.wav")), 44100, 2, 0.2));
    ASSERT_TRUE(testaudio::writeWav(music(QStringLiteral("Three.wav")), 44100, 2, 0.2));
    ASSERT_TRUE(testaudio::makeMp3(music(QStringLiteral("Long.mp3")), 44100, 2, 2.0, 128, {}));
    ASSERT_TRUE(testaudio::makeMp3(music(QStringLiteral("Next.mp3")), 44100, 2, 0.3, 128, {}));
    bool writable = true;
    setFolderWriteProbe([&](const QString&) { return writable; });
    frmWAVToMP3& toMp3 = Forms::get<frmWAVToMP3>();
    frmMP3ToWAV& toWav = Forms::get<frmMP3ToWAV>();
    const struct {
        const char* what;
        bool toMp3;
        bool readOnly;
        QString says;
        QStringList gone;
    } cases[] = {
        {"read-only during WAV->MP3", true, true, QStringLiteral("Can't write MP3 files to the folder \"") + folderText(),
         {"Two.mp3", "Three.mp3"}},
        {"disk full during WAV->MP3", true, false, QStringLiteral("no room left in \"") + folderText() +
         QStringLiteral("\" to write \"Three.mp3\""), {"Two.mp3", "Three.mp3"}},
        {"disk full during MP3->WAV", false, false, QStringLiteral("no room left in \"") + folderText() +
         QStringLiteral("\" to write \"Long.wav\""), {"Long.wav", "Next.wav"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prompt.asked.clear();
        runner.started.clear();
        writable = true;
        freeBytes = qint64(1) << 40;
        QFile::remove(music(QStringLiteral("One.mp3")));
        int n = 0;
        runner.onStart = [&](FakeProcesses::Process& p) {
            if (++n == 2) {
                // The second file (in name order) meets the folder or disk that stopped taking files.
                if (c.readOnly)
                    writable = false;
                else
                    freeBytes = 0;
                writeAll(p.args.last(), "ID3 cut");
                p.finish(1);
                return;
            }
            writeAll(p.args.last(), "ID3 whole");
            p.finish(0);
        };
        if (c.toMp3) {
            selectAll(toMp3.ListView2);
            toMp3.SSConvert_Click();
        } else {
            toWav.Mp3Play1->setRoomForBytes(100000);
            selectAll(toWav.ListView2);
            toWav.SSConvert_Click();
            freeBytes = 0; // the run has started: the disk fills as the WAV grows
        }
        ASSERT_TRUE(pumpUntil([] { return ConversionRunning == 0; }, 30000));
        toWav.Mp3Play1->setRoomForBytes(-1);
        ASSERT_EQ(prompt.asked.size(), 1u);
        const QString text = prompt.last().text;
        EXPECT_TRUE(text.contains(c.says)) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Change Folder"))) << text.toStdString();
        EXPECT_EQ(errorBoxes(), 0);
        for (const QString& name : c.gone)
            EXPECT_FALSE(QFile::exists(music(name))) << name.toStdString();
        if (c.toMp3) {
            EXPECT_EQ(runner.started.size(), 2u);
            EXPECT_EQ(readAll(music(QStringLiteral("One.mp3"))), QByteArray("ID3 whole"));
        }
        settle();
        EXPECT_TRUE(toMp3.SSConvert->isEnabled());
        EXPECT_TRUE(toWav.SSConvert->isEnabled());
    }
}
