#include <QProgressBar>
#include <QRegularExpression>
#include <set>

#include "audiofiles.h"
#include "pump.h"
#include "realbox.h"
#include "controls/mp3play.h"
#include "convertfixture.h"

namespace {
class Mp3ToWav : public ConvertFixture {
protected:
    void mp3(const QString& name, double seconds = 0.5, const QStringList& tags = {})
    {
        ASSERT_TRUE(testaudio::makeMp3(music(name), 44100, 2, seconds, 128, tags)) << name.toStdString();
    }
    void catalogue(const QString& title, const QString& artist, const QString& length, const QString& cd = {})
    {
        if (!SongLibrary)
            SongLibrary = std::make_unique<colMp3>();
        SongLibrary->Add(title, artist, length, cd, QStringLiteral("Jazz"), QString(), QString());
    }
    frmMP3ToWAV& window() { return Forms::get<frmMP3ToWAV>(); }
    void select(frmMP3ToWAV& w, std::initializer_list<int> rows)
    {
        for (int r : rows)
            w.ListView2->topLevelItem(r)->setSelected(true);
    }
    bool runEnds() { return pumpUntil([] { return ConversionRunning == 0; }, 30000); }
};
} // namespace

TEST_F(Mp3ToWav, ListsCatalogueSongsAndTaggedOrPlainFiles)
{
    touch(QStringLiteral("Song.MP3"), "not even audio: the catalogue knows it");
    catalogue(QStringLiteral("song"), QStringLiteral("Cat Artist"), QStringLiteral("3:45"), QStringLiteral("Cat CD"));
    mp3(QStringLiteral("Tagged.mp3"), 2.0,
        {QStringLiteral("--ta"), QStringLiteral("Blue Harbour"), QStringLiteral("--tl"), QStringLiteral("Tides"),
         QStringLiteral("--tg"), QStringLiteral("Rock")});
    mp3(QStringLiteral("Plain.mp3"), 2.0);
    touch(QStringLiteral("junk.mp3"), "no MPEG audio here");
    touch(QStringLiteral("notes.txt"));
    frmMP3ToWAV& w = window();
    EXPECT_EQ(w.Caption(), QStringLiteral("Convert MP3 to WAV"));
    EXPECT_EQ(rowTexts(w.ListView2),
              (QStringList{QStringLiteral("Plain"), QStringLiteral("song"), QStringLiteral("Tagged")}));
    ListItem* cat = row(w.ListView2, QStringLiteral("song"));
    EXPECT_EQ(cat->text(1), QStringLiteral("Cat Artist"));
    EXPECT_EQ(cat->text(2), QStringLiteral("3:45"));
    EXPECT_EQ(cat->text(3), QStringLiteral("Cat CD"));
    EXPECT_EQ(cat->text(4), QStringLiteral("Jazz"));
    ListItem* tagged = row(w.ListView2, QStringLiteral("Tagged"));
    EXPECT_EQ(tagged->text(1), QStringLiteral("Blue Harbour"));
    EXPECT_EQ(tagged->text(3), QStringLiteral("Tides"));
    EXPECT_EQ(tagged->text(4), QStringLiteral("Rock"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^0:0[23]$")).match(tagged->text(2)).hasMatch())
        << tagged->text(2).toStdString();
    ListItem* plain = row(w.ListView2, QStringLiteral("Plain"));
    EXPECT_TRUE(plain->text(1).isEmpty() && plain->text(3).isEmpty() && plain->text(4).isEmpty());
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Total Converted WAV File Size 0 MB"));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Mp3ToWav, ColumnSortFlipsAndEachColumnKeepsItsDirectionAcrossLoads)
{
    for (const char* t : {"b", "a", "c"}) {
        touch(QString::fromLatin1(t) + QStringLiteral(".mp3"));
        catalogue(QString::fromLatin1(t), QString(), QStringLiteral("%1:00").arg(int(t[0] - 'a' + 1)));
    }
    frmMP3ToWAV& w = window();
    w.lblLength_Click();
    EXPECT_EQ(rowTexts(w.ListView2, 2), (QStringList{"3:00", "2:00", "1:00"}));
    w.lblLength_Click();
    EXPECT_EQ(rowTexts(w.ListView2, 2), (QStringList{"1:00", "2:00", "3:00"}));
    w.lblTitle_Click();
    EXPECT_EQ(rowTexts(w.ListView2), (QStringList{"c", "b", "a"}));
    SwitchingWindow = 1; // leave without bringing back the main window
    Forms::unload(&w);
    settle();
    frmMP3ToWAV& again = window();
    again.lblTitle_Click(); // the title column's flag survived: this time ascending
    EXPECT_EQ(rowTexts(again.ListView2), (QStringList{"a", "b", "c"}));
}

TEST_F(Mp3ToWav, AClickWarnsAboutAnExistingWavOrUpdatesTheTotal)
{
    for (const char* t : {"One", "Two", "Three"})
        touch(QString::fromLatin1(t) + QStringLiteral(".mp3"));
    catalogue(QStringLiteral("One"), QString(), QStringLiteral("3:45"));
    catalogue(QStringLiteral("Two"), QString(), QStringLiteral("10:05"));
    catalogue(QStringLiteral("Three"), QString(), QStringLiteral("1:00"));
    touch(QStringLiteral("three.wav"));
    frmMP3ToWAV& w = window();
    clickRow(w.ListView2, row(w.ListView2, QStringLiteral("One")));
    clickRow(w.ListView2, row(w.ListView2, QStringLiteral("Two")));
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Total Converted WAV File Size = 139 MB"));
    clickRow(w.ListView2, row(w.ListView2, QStringLiteral("Three")));
    EXPECT_EQ(prompt.last().text,
              QStringLiteral("You Already Have a WAV file named \"Three.wav\" in your current Music Folder"));
    EXPECT_FALSE(row(w.ListView2, QStringLiteral("Three"))->isSelected());
    EXPECT_TRUE(row(w.ListView2, QStringLiteral("One"))->isSelected());
    EXPECT_EQ(w.Label3->text(), QStringLiteral("Total Converted WAV File Size = 139 MB"));
}

TEST_F(Mp3ToWav, SizeAndFreeSpaceEstimates)
{
    const std::pair<const char*, long> lengths[] = {{"3:45", 225}, {"10:05", 605}, {"0:07", 7}, {"546:07", 32767},
                                                    {"600:00", 36000}};
    for (auto [text, secs] : lengths)
        EXPECT_EQ(LengthTextSeconds(QString::fromLatin1(text)), secs) << text;
    for (const char* bad : {"", "7", ":7", "a:bc", "3-45"})
        EXPECT_THROW(LengthTextSeconds(QString::fromLatin1(bad)), AppError) << bad;

    touch(QStringLiteral("One.mp3"));
    touch(QStringLiteral("Two.mp3"));
    catalogue(QStringLiteral("One"), QString(), QStringLiteral("3:45"));
    catalogue(QStringLiteral("Two"), QString(), QStringLiteral("10:05"));
    frmMP3ToWAV& w = window();
    EXPECT_EQ(w.GetTotalWAVSize(), 0);
    freeBytes = 1048576;
    EXPECT_EQ(w.checkfreediskspaceConvert(), 0); // nothing selected needs only the reserve
    select(w, {0, 1});
    EXPECT_EQ(w.GetTotalWAVSize(), 139);
    freeBytes = 146080000 + 1048576;
    EXPECT_EQ(w.checkfreediskspaceConvert(), 0);
    EXPECT_TRUE(prompt.asked.empty());
    freeBytes -= 1;
    EXPECT_EQ(w.checkfreediskspaceConvert(), 1);
    EXPECT_EQ(prompt.last().text,
              QStringLiteral("You do not have enough space on your drive for the the encoded files (after leaving "
                             "100MB free for Windows use).\n\nPlease select fewer files to encode or delete unneeded "
                             "files on your hard drive and try again."));
    freeBytes = -1;
    EXPECT_EQ(w.checkfreediskspaceConvert(), 1);
    EXPECT_EQ(prompt.last().text, QStringLiteral("Could not find drive free space"));
}

TEST_F(Mp3ToWav, SearchLooksAtTitleArtistAndCdTitle)
{
    for (const char* t : {"Alpha", "Beta", "Gamma"})
        touch(QString::fromLatin1(t) + QStringLiteral(".mp3"));
    catalogue(QStringLiteral("Alpha"), QStringLiteral("Nobody"), QStringLiteral("1:00"));
    catalogue(QStringLiteral("Beta"), QStringLiteral("Blue Harbour"), QStringLiteral("1:00"));
    catalogue(QStringLiteral("Gamma"), QStringLiteral("X"), QStringLiteral("1:00"), QStringLiteral("Lights Of Home"));
    frmMP3ToWAV& w = window();
    w.text1->setText(QStringLiteral("harb"));
    prompt.answers = {Mb::Yes, Mb::Yes};
    w.SSSearch_Click();
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_EQ(prompt.asked[1].text, QStringLiteral("\"harb\" not found."));
    EXPECT_TRUE(row(w.ListView2, QStringLiteral("Beta"))->isSelected());
    EXPECT_FALSE(row(w.ListView2, QStringLiteral("Alpha"))->isSelected());
    w.text1->setText(QStringLiteral("lights"));
    prompt.answers = {Mb::No};
    w.SSSearch_Click();
    EXPECT_TRUE(row(w.ListView2, QStringLiteral("Gamma"))->isSelected());
}

TEST_F(Mp3ToWav, DecodePercentOfTheFrameTotal)
{
    const std::tuple<int32_t, int32_t, int32_t, int> cases[] = {
        {500, 2000, 48000, 50}, {500, 2000, 48001, 25}, {3000, 2000, 128000, 100}, {1999, 2000, 128000, 99}};
    for (auto [frame, count, rate, percent] : cases)
        EXPECT_EQ(DecodePercent(frame, count, rate, 7), percent) << frame << "/" << count << " at " << rate;
    EXPECT_EQ(DecodePercent(5, 1, 32000, 7), 7); // no frame total: the percent stays
}

TEST_F(Mp3ToWav, ConvertRefusals)
{
    touch(QStringLiteral("One.mp3"));
    catalogue(QStringLiteral("One"), QString(), QStringLiteral("3:45"));
    frmMP3ToWAV& w = window();
    w.SSConvert_Click();
    EXPECT_EQ(prompt.last().text, QStringLiteral("Select one or more MP3 files to Convert."));
    select(w, {0});
    freeBytes = 1000;
    w.SSConvert_Click();
    EXPECT_NE(prompt.last().text.indexOf(QStringLiteral("You do not have enough space")), -1);
    SetMountTable(std::vector<MountEntry>{{QStringLiteral("/"), QStringLiteral("ext4"), QStringLiteral("/dev/sda1")},
                                          {MusicFolder.chopped(1), QStringLiteral("udf"), QStringLiteral("/dev/sr0")}});
    w.SSConvert_Click();
    EXPECT_EQ(prompt.last().text, QStringLiteral("Can't write WAV to a CD Drive. Please select another drive using "
                                                 "the Change Folders button"));
    EXPECT_TRUE(w.SSConvert->isEnabled());
    EXPECT_EQ(ConversionRunning, 0);
}

TEST_F(Mp3ToWav, RunDecodesTheSelectedRowsToNumberedWavNames)
{
    for (const char* t : {"A", "B", "Song"})
        mp3(QString::fromLatin1(t) + QStringLiteral(".mp3"));
    touch(QStringLiteral("Song.wav"));
    touch(QStringLiteral("Song(1).wav"));
    frmMP3ToWAV& w = window();
    select(w, {0, 2});
    std::set<QString> shown;
    bool disabled = true;
    QObject::connect(w.Mp3Play1, &Mp3Play::ActFrame, [&] {
        shown.insert(Forms::find<frmProgMP3ToWAV>()->lblProcess->text());
        disabled = disabled && !w.SSConvert->isEnabled() && !w.ListView2->isEnabled() && ConversionRunning == 1 &&
                   w.Caption() == QLatin1String("Convert MP3 To WAV - Conversion in Progress");
    });
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(shown, (std::set<QString>{QStringLiteral("Processing 1 of 2"), QStringLiteral("Processing 2 of 2")}));
    EXPECT_TRUE(disabled);
    const auto info = testaudio::wavInfo(music(QStringLiteral("A.wav")));
    EXPECT_EQ(info.rate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_GT(info.frames, 0);
    EXPECT_GT(testaudio::wavInfo(music(QStringLiteral("Song(2).wav"))).frames, 0);
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("B.wav"))));
    settle();
    EXPECT_EQ(Forms::find<frmProgMP3ToWAV>(), nullptr);
    EXPECT_TRUE(w.SSConvert->isEnabled());
    EXPECT_EQ(w.Caption(), QStringLiteral("Convert MP3 To WAV"));
    EXPECT_EQ(DecodeAbort, 0);
    EXPECT_EQ(ProgressPercent, 100);
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(Mp3ToWav, AbortDuringTheSecondFileKeepsTheFirstAndDropsTheRest)
{
    mp3(QStringLiteral("One.mp3"));
    mp3(QStringLiteral("Two.mp3"), 30.0);
    mp3(QStringLiteral("Three.mp3"));
    frmMP3ToWAV& w = window();
    select(w, {0, 1, 2});
    bool asked = false;
    QObject::connect(w.Mp3Play1, &Mp3Play::ActFrame, [&] {
        frmProgMP3ToWAV* prog = Forms::find<frmProgMP3ToWAV>();
        if (asked || prog->lblProcess->text() != QLatin1String("Processing 2 of 3"))
            return;
        asked = true;
        prompt.answers = {Mb::No, Mb::Yes};
        prog->AbortButton_Click(); // No: the run goes on
        EXPECT_EQ(DecodeAbort, 0);
        prog->AbortButton_Click();
        EXPECT_EQ(DecodeAbort, -1);
        EXPECT_FALSE(w.SSConvert->isEnabled()); // nothing can start until the clean-up is done
    });
    const qint64 start = clock.monotonicMs();
    w.SSConvert_Click();
    ASSERT_TRUE(runEnds());
    EXPECT_TRUE(asked);
    EXPECT_GE(clock.monotonicMs() - start, 1000);
    EXPECT_TRUE(QFile::exists(music(QStringLiteral("One.wav"))));
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("Two.wav"))));
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("Three.wav"))));
    settle();
    EXPECT_EQ(Forms::find<frmProgMP3ToWAV>(), nullptr);
    EXPECT_TRUE(w.SSConvert->isEnabled());
    EXPECT_EQ(w.Caption(), QStringLiteral("Convert MP3 To WAV"));
}

TEST_F(Mp3ToWav, TheRunEndingUnderTheRealAbortQuestionLeavesEverythingWhole)
{
    // Abort is pressed during the first of two files and the question is left open; the run
    // ends by itself meanwhile (its progress window is unloaded under the question), and
    // only then is the question answered Yes.
    mp3(QStringLiteral("One.mp3"), 5.0);
    mp3(QStringLiteral("Two.mp3"));
    frmMP3ToWAV& w = window();
    select(w, {0, 1});
    const QString question = QStringLiteral("Are You Sure You Want To Abort Converting?");
    RealBoxes boxes(question, QMessageBox::Yes, {}, [] { return ConversionRunning == 0; });
    QPointer<frmProgMP3ToWAV> prog;
    QObject::connect(w.Mp3Play1, &Mp3Play::ActFrame, [&] { clickInFront(prog, &frmProgMP3ToWAV::AbortButton); });
    w.SSConvert_Click();
    ASSERT_TRUE(pumpUntil([&] { return boxes.answered == 1; }));
    ASSERT_TRUE(runEnds());
    EXPECT_EQ(boxes.seen, QStringList{question});
    EXPECT_GT(testaudio::wavInfo(music(QStringLiteral("One.wav"))).frames, 0);
    EXPECT_GT(testaudio::wavInfo(music(QStringLiteral("Two.wav"))).frames, 0);
    EXPECT_EQ(DecodeAbort, 0); // the late Yes found no run to stop
    settle();
    EXPECT_TRUE(prog.isNull());
    EXPECT_EQ(Forms::find<frmProgMP3ToWAV>(), nullptr);
    EXPECT_TRUE(w.SSConvert->isEnabled());
    EXPECT_TRUE(w.ListView2->isEnabled());
    EXPECT_EQ(w.Caption(), QStringLiteral("Convert MP3 To WAV"));
}

TEST_F(Mp3ToWav, AbortStopsTheRunTheProgressWindowWatchesAndNoOther)
{
    mp3(QStringLiteral("Burn.mp3"), 30.0);
    frmMP3ToWAV& w = window();
    Mp3Play burner;
    Mp3ToWavJob job(burner);
    job.setPlan({MusicFolder, {{QStringLiteral("Burn.mp3"), QStringLiteral("Burn.wav")}}});
    frmProgMP3ToWAV& prog = Forms::get<frmProgMP3ToWAV>();
    prog.setCaption(QStringLiteral("Burn Status: Converting MP3 Files To Temp WAV Files"));
    prog.watch(job);
    job.start();
    ASSERT_TRUE(burner.IsRunning());
    prompt.answers = {Mb::Yes};
    prog.AbortButton_Click();
    EXPECT_FALSE(burner.IsOpen());
    EXPECT_EQ(DecodeAbort, -1);
    ASSERT_TRUE(runEnds());
    EXPECT_FALSE(QFile::exists(music(QStringLiteral("Burn.wav"))));
    EXPECT_EQ(w.Caption(), QStringLiteral("Convert MP3 to WAV")); // the converter is left alone
    EXPECT_NE(Forms::find<frmProgMP3ToWAV>(), nullptr);
}
