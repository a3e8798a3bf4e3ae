#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>
#include <QStandardPaths>
#include <cmath>

#include "audiofiles.h"
#include "pump.h"
#include "realbox.h"
#include "convertfixture.h"
#include "core/encoderoptions.h"
#include "shell/windowchrome.h"

namespace {
class WavToMp3 : public ConvertFixture {
protected:
    // A standard WAV (44,100 Hz, 16 bit, stereo) in the music folder.
    void wav(const QString& name, int rate = 44100, int channels = 2, double seconds = 0.2)
    {
        ASSERT_TRUE(testaudio::writeWav(music(name), rate, channels, seconds));
    }
    frmWAVToMP3& window() { return Forms::get<frmWAVToMP3>(); }
    // The run goes on from the event loop: waits (with a guard against a hang) for its end.
    static bool runEnds() { return pumpUntil([] { return ConversionRunning == 0; }, 30000); }
    void selectAll(frmWAVToMP3& w)
    {
        for (int i = 0; i < w.ListView2->topLevelItemCount(); ++i)
            w.ListView2->topLevelItem(i)->setSelected(true);
    }
};
} // namespace

TEST_F(WavToMp3, ListsEveryNameHoldingDotWavAndShowsThePreset)
{
    touch(QStringLiteral("song.wav.bak"));
    touch(QStringLiteral("Song.WAV"));
    touch(QStringLiteral("a.mp3"));
    touch(QStringLiteral("a.wav"));
    touch(QStringLiteral("notes.txt"));
    frmWAVToMP3& w = window();
    EXPECT_EQ(rowTexts(w.ListView2),
              (QStringList{QStringLiteral("a.wav"), QStringLiteral("Song.WAV"), QStringLiteral("song.wav.bak")}));
    EXPECT_EQ(w.Label17->text(), QStringLiteral("(Current Music Folder=") + homeDir() + QStringLiteral("Music)"));
    EXPECT_EQ(EncoderMode, QStringLiteral("CBR1"));
    EXPECT_EQ(w.Label23->text(), QStringLiteral("Constant Bit Rate CBR1"));
    EXPECT_TRUE(w.Opt128->isChecked());
    EXPECT_TRUE(w.ListView2->selectedItems().isEmpty());
    EXPECT_EQ(w.Caption(), QStringLiteral("Convert WAV To MP3"));
}

TEST_F(WavToMp3, PresetTexts)
{
    const std::pair<const char*, const char*> cases[] = {{"CBR2", "Constant Bit Rate CBR2"},
                                                         {"VBR2", "Variable Bit Rate VBR2"},
                                                         {"vbr3", "Variable Bit Rate vbr3"}};
    for (auto [mode, text] : cases) {
        EncoderMode = QString::fromLatin1(mode);
        EXPECT_EQ(window().Label23->text(), QString::fromLatin1(text));
        Forms::reset();
        settle();
    }
}

TEST_F(WavToMp3, EmptyFolderListsNothingAndClicksAndSearchDoNothing)
{
    frmWAVToMP3& w = window();
    EXPECT_EQ(w.ListView2->topLevelItemCount(), 0);
    w.ListView2_Click();
    w.text1->setText(QStringLiteral("x"));
    w.SSSearch_Click();
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(WavToMp3, APickWithAnMp3TwinOrANonStandardFormatIsRefused)
{
    wav(QStringLiteral("Good.wav"));
    wav(QStringLiteral("Mono.wav"), 44100, 1);
    wav(QStringLiteral("Slow.wav"), 22050, 2);
    wav(QStringLiteral("Track.wav"));
    touch(QStringLiteral("track.MP3"));
    frmWAVToMP3& w = window();

    clickRow(w.ListView2, row(w.ListView2, QStringLiteral("Good.wav")));
    EXPECT_TRUE(prompt.asked.empty());

    clickRow(w.ListView2, row(w.ListView2, QStringLiteral("Track.wav")));
    EXPECT_EQ(prompt.last().text,
              QStringLiteral("You Already Have a MP3 file named \"Track.mp3\" in your current Music Folder"));
    EXPECT_EQ(prompt.last().title, QStringLiteral("Quillory"));
    EXPECT_FALSE(row(w.ListView2, QStringLiteral("Track.wav"))->isSelected());

    for (const char* name : {"Mono.wav", "Slow.wav"}) {
        clickRow(w.ListView2, row(w.ListView2, QString::fromLatin1(name)));
        EXPECT_EQ(prompt.last().text, QStringLiteral("This WAV File Is Not A Standard PCM 44,100 Hz, 16 Bit, Stereo "
                                                     "File So It Can Not Be Converted"));
        EXPECT_FALSE(row(w.ListView2, QString::fromLatin1(name))->isSelected());
    }
    EXPECT_TRUE(row(w.ListView2, QStringLiteral("Good.wav"))->isSelected());
    EXPECT_EQ(prompt.asked.size(), 3u);
}

TEST_F(WavToMp3, SearchFindsByAFewLettersAndEndsWithNotFound)
{
    touch(QStringLiteral("Alive.wav"));
    touch(QStringLiteral("Beta.wav"));
    touch(QStringLiteral("Olive.wav"));
    frmWAVToMP3& w = window();
    w.text1->setText(QStringLiteral("LIVE"));
    prompt.answers = {Mb::Yes, Mb::Yes};
    w.SSSearch_Click();
    ASSERT_EQ(prompt.asked.size(), 3u);
    EXPECT_EQ(prompt.asked[0].text, QStringLiteral("\"LIVE\" found. Search for Next Match?"));
    EXPECT_EQ(prompt.asked[0].style, Mb::YesNo);
    EXPECT_EQ(prompt.asked[2].text, QStringLiteral("\"LIVE\" not found."));
    EXPECT_TRUE(row(w.ListView2, QStringLiteral("Alive.wav"))->isSelected());
    EXPECT_TRUE(row(w.ListView2, QStringLiteral("Olive.wav"))->isSelected());
    EXPECT_FALSE(row(w.ListView2, QStringLiteral("Beta.wav"))->isSelected());

    prompt.asked.clear();
    prompt.answers = {Mb::No};
    w.SSSearch_Click(); // each search starts again at row 1; No ends it
    EXPECT_EQ(prompt.asked.size(), 1u);
}

TEST_F(WavToMp3, ConvertRefusesWithoutASelectionAndOnACdDrive)
{
    touch(QStringLiteral("a.wav"));
    frmWAVToMP3& w = window();
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(prompt.last().text, QStringLiteral("Select one or more WAV files to Convert."));

    SetMountTable(std::vector<MountEntry>{{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1")},
                                          {MusicFolder.chopped(1), QStringLiteral("iso9660"), QStringLiteral("/dev/sr0")}});
    selectAll(w);
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(prompt.last().text, QStringLiteral("Can't write MP3 to a CD Drive. Please select another drive using "
                                                 "the Change Folders button"));
    EXPECT_TRUE(w.SSConvert->isEnabled());
    EXPECT_TRUE(runner.started.empty());
    EXPECT_EQ(ConversionRunning, 0);
}

TEST_F(WavToMp3, RunEncodesTheSelectedRowsInListOrder)
{
    wav(QStringLiteral("A.wav"));
    wav(QStringLiteral("B.wav"));
    wav(QStringLiteral("C.wav"));
    wav(QStringLiteral("Song.wav"));
    touch(QStringLiteral("Song.mp3"));
    touch(QStringLiteral("Song(1).mp3"));
    EncoderMode = QStringLiteral("VBR2");
    frmWAVToMP3& w = window();
    selectAll(w);
    row(w.ListView2, QStringLiteral("B.wav"))->setSelected(false);

    QStringList shown;
    std::vector<int32_t> expected;
    bool disabledWhileRunning = true;
    runner.onStart = [&](FakeProcesses::Process& p) {
        frmProgWAVToMP3* prog = Forms::find<frmProgWAVToMP3>();
        shown << prog->lblProcess->text();
        expected.push_back(prog->ExpectedSize);
        disabledWhileRunning = disabledWhileRunning && !w.SSConvert->isEnabled() && !w.ListView2->isEnabled() &&
                               !w.picPlayer->isEnabled() && w.Label6->isEnabled() && ConversionRunning == 1 &&
                               w.Caption() == QLatin1String("Convert WAV To MP3 - Conversion in Progress");
        writeAll(p.args.last(), "ID3");
        p.finish(0);
    };
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());

    EXPECT_EQ(shown, (QStringList{QStringLiteral("Processing 1 of 3"), QStringLiteral("Processing 2 of 3"),
                                  QStringLiteral("Processing 3 of 3")}));
    EXPECT_TRUE(disabledWhileRunning);
    ASSERT_EQ(runner.started.size(), 3u);
    const QStringList args = runner.started[0]->args;
    EXPECT_EQ(args.mid(0, 4), (QStringList{QStringLiteral("-v"), QStringLiteral("-V"), QStringLiteral("4"),
                                           QStringLiteral("-b128")}));
    EXPECT_EQ(args.at(args.size() - 2), music(QStringLiteral("A.wav")));
    EXPECT_EQ(args.last(), music(QStringLiteral("A.mp3")));
    EXPECT_EQ(runner.started[2]->args.last(), music(QStringLiteral("Song(2).mp3")));
    // The expected size is the WAV's length over the encoder ratio, to the nearest byte.
    EXPECT_EQ(expected[0], int32_t(std::nearbyint(QFileInfo(music(QStringLiteral("A.wav"))).size() /
                                                  getencoderratio(QStringLiteral("-b128 ")))));

    // The end: no message, the progress window gone, the window as before, the rows still selected.
    EXPECT_TRUE(prompt.asked.empty());
    settle();
    EXPECT_EQ(Forms::find<frmProgWAVToMP3>(), nullptr);
    EXPECT_TRUE(w.SSConvert->isEnabled());
    EXPECT_TRUE(w.picPlayer->isEnabled());
    EXPECT_EQ(w.Caption(), QStringLiteral("Convert WAV To MP3"));
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_EQ(EncodeAbort, 0);
    EXPECT_TRUE(row(w.ListView2, QStringLiteral("Song.wav"))->isSelected());
}

// Rows picked as a range skip the pick checks: the run encodes them as they are.
TEST_F(WavToMp3, RangePickedRowsAreEncodedWhateverTheirFormat)
{
    wav(QStringLiteral("Mono.wav"), 44100, 1);
    wav(QStringLiteral("Slow.wav"), 22050, 2);
    frmWAVToMP3& w = window();
    selectAll(w);
    runner.onStart = [](FakeProcesses::Process& p) {
        writeAll(p.args.last(), "ID3");
        p.finish(0);
    };
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    ASSERT_EQ(runner.started.size(), 2u);
    EXPECT_EQ(runner.started[0]->args.last(), music(QStringLiteral("Mono.mp3")));
    EXPECT_EQ(runner.started[1]->args.last(), music(QStringLiteral("Slow.mp3")));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(WavToMp3, ProgressIsTheGrowingMp3AgainstItsExpectedSizeUpTo95)
{
    const std::tuple<qint64, qint64, int> cases[] = {
        {2004545, 4009091, 50}, {3808637, 4009091, 95}, {9000000, 4009091, 95}, {0, 4009091, 0}, {500, 0, 0}};
    for (auto [length, expected, percent] : cases)
        EXPECT_EQ(EncodePercent(length, expected), percent) << length << " of " << expected;

    frmProgWAVToMP3& prog = Forms::get<frmProgWAVToMP3>();
    EXPECT_EQ(prog.Caption(), QStringLiteral("WAV To MP3  Conversion Status"));
    prog.MP3Path = music(QStringLiteral("Growing.mp3"));
    prog.ExpectedSize = 1000;
    prog.Timer1_Timer();
    EXPECT_EQ(prog.nCompleted->text(), QStringLiteral("0%"));
    EXPECT_FALSE(QFile::exists(prog.MP3Path)); // the timer never makes the file
    touch(QStringLiteral("Growing.mp3"), QByteArray(420, 'x'));
    prog.Timer1_Timer();
    EXPECT_EQ(prog.nCompleted->text(), QStringLiteral("42%"));
    EXPECT_EQ(prog.RipProgress->value(), 42);
}

TEST_F(WavToMp3, AbortAnsweredNoGoesOnAndYesEndsTheEncoderAndDeletesThePartialMp3)
{
    wav(QStringLiteral("One.wav"));
    wav(QStringLiteral("Two.wav"));
    wav(QStringLiteral("Three.wav"));
    frmWAVToMP3& w = window();
    selectAll(w);
    int starts = 0;
    runner.onStart = [&](FakeProcesses::Process& p) {
        writeAll(p.args.last(), "partial");
        auto proc = runner.started.back();
        if (++starts == 1) {
            // First file: the user thinks better of the abort; the encoder finishes.
            QTimer::singleShot(0, [proc] {
                Forms::find<frmProgWAVToMP3>()->AbortButton_Click();
                proc->finish(0);
            });
            prompt.answers.push_back(Mb::No);
        } else {
            QTimer::singleShot(0, [] { Forms::find<frmProgWAVToMP3>()->AbortButton_Click(); });
            prompt.answers.push_back(Mb::Yes);
        }
    };
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    ASSERT_EQ(runner.started.size(), 2u); // the third file is never started
    EXPECT_FALSE(runner.started[0]->killed);
    EXPECT_TRUE(runner.started[1]->killed);
    EXPECT_EQ(prompt.asked[0].text, QStringLiteral("Are You Sure You Want To Abort Converting?"));
    EXPECT_TRUE(QFile::exists(music(QStringLiteral("One.mp3"))));
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("Three.mp3"))));
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("Two.mp3"))));
    EXPECT_GE(clock.monotonicMs(), 1000); // the partial file went after the one-second wait
    settle();
    EXPECT_EQ(Forms::find<frmProgWAVToMP3>(), nullptr);
    EXPECT_TRUE(w.SSConvert->isEnabled());
    EXPECT_EQ(w.Caption(), QStringLiteral("Convert WAV To MP3"));
    EXPECT_EQ(EncodeAbort, 0);
    EXPECT_EQ(ConversionRunning, 0);
}

TEST_F(WavToMp3, TheRealAbortQuestionAnsweredAfterTheEncoderEndedRemovesItsMp3)
{
    // Abort is pressed while the first of two files encodes; with the question open the
    // encoder ends, and then the question is answered Yes: that file's MP3 goes and the run stops.
    wav(QStringLiteral("One.wav"));
    wav(QStringLiteral("Two.wav"));
    frmWAVToMP3& w = window();
    selectAll(w);
    const QString question = QStringLiteral("Are You Sure You Want To Abort Converting?");
    std::shared_ptr<FakeProcesses::Process> encoder;
    RealBoxes boxes(question, QMessageBox::Yes, [&] { encoder->finish(0); });
    runner.onStart = [&](FakeProcesses::Process& p) {
        writeAll(p.args.last(), "partial");
        encoder = runner.started.back();
        QTimer::singleShot(0, Forms::find<frmProgWAVToMP3>(), [] { Forms::find<frmProgWAVToMP3>()->AbortButton->click(); });
    };
    QPointer<frmProgWAVToMP3> prog = &Forms::get<frmProgWAVToMP3>();
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(boxes.seen, QStringList{question});
    EXPECT_EQ(boxes.answered, 1);
    EXPECT_EQ(runner.started.size(), 1u);
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("One.mp3"))));
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("Two.mp3"))));
    settle();
    EXPECT_TRUE(prog.isNull());
    EXPECT_TRUE(w.SSConvert->isEnabled());
    EXPECT_TRUE(w.ListView2->isEnabled());
    EXPECT_EQ(w.Caption(), QStringLiteral("Convert WAV To MP3"));
    EXPECT_EQ(EncodeAbort, 0);
    EXPECT_EQ(ConversionRunning, 0);
}

TEST_F(WavToMp3, AFailingOrMissingEncoderIsReportedAndTheRunGoesOn)
{
    wav(QStringLiteral("One.wav"));
    wav(QStringLiteral("Two.wav"));
    frmWAVToMP3& w = window();
    selectAll(w);
    runner.onStart = [&](FakeProcesses::Process& p) {
        writeAll(p.args.last(), "partial");
        p.finish(1);
    };
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(runner.started.size(), 2u);
    // Each failure is logged and told in a plain box: no program-error box in the middle of a run.
    EXPECT_EQ(errorBoxes(), 0);
    EXPECT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(QString::fromUtf8(readAll(programFile(QStringLiteral("QuilloryError.log"))))
                  .count(QStringLiteral("Procedure   : WAVToMP3Encode")),
              2);
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("One.mp3"))));
    EXPECT_TRUE(QFile::exists(music(QStringLiteral("One.wav"))));
    EXPECT_EQ(ConversionRunning, 0);

    prompt.asked.clear();
    runner.canStart = false;
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(errorBoxes(), 0);
    EXPECT_EQ(prompt.asked.size(), 2u);
    EXPECT_NE(prompt.asked[0].text.indexOf(QStringLiteral("The encoder could not be started")), -1);
    EXPECT_EQ(ConversionRunning, 0);
    EXPECT_TRUE(w.SSConvert->isEnabled());
}

TEST_F(WavToMp3, TheRealEncoderMakesTheMp3)
{
    if (QStandardPaths::findExecutable(QStringLiteral("lame")).isEmpty())
        GTEST_SKIP() << "lame is not installed";
    setChildProcesses(nullptr);
    wav(QStringLiteral("Tone.wav"), 44100, 2, 0.5);
    frmWAVToMP3& w = window();
    selectAll(w);
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    EXPECT_TRUE(prompt.asked.empty());
    EXPECT_GT(QFileInfo(music(QStringLiteral("Tone.mp3"))).size(), 1000);
    EXPECT_EQ(ConversionRunning, 0);
}
