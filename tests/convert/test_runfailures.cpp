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
        std::function<void()> convert;
        std::function<bool()> idle;
    };
    frmMP3ToWAV& toWav = Forms::get<frmMP3ToWAV>();
    frmWAVToMP3& toMp3 = Forms::get<frmWAVToMP3>();
    selectAll(toWav.ListView2);
    selectAll(toMp3.ListView2);
    const Case cases[] = {
        {"WAV", [&] { toWav.SSConvert_Click(); }, [&] { return toWav.SSConvert->isEnabled() && !toWav.isRunning(); }},
        {"MP3", [&] { toMp3.SSConvert_Click(); }, [&] { return toMp3.SSConvert->isEnabled() && !toMp3.isRunning(); }},
    };
    for (const Case& c : cases) {
        prompt.asked.clear();
        c.convert();
        ASSERT_EQ(prompt.asked.size(), 1u) << c.kind;
        const QString text = prompt.last().text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("Can't write ") + QString::fromLatin1(c.kind) +
                                    QStringLiteral(" files to the folder \"") + folderText() + '"'))
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
