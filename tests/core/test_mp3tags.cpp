#include "tonefixture.h"
#include "fixture.h"

#include "controls/audiosink.h"
#include "controls/mp3play.h"
#include "core/globals.h"
#include "core/mp3tags.h"
#include "platform/controls.h"

#include <QFile>
#include <QFileInfo>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

using namespace testaudio;

namespace {

class Mp3TagsTest : public ToneMp3Fixture {
protected:
    void TearDown() override
    {
        MainMp3Play().Close();
        ToneMp3Fixture::TearDown();
    }
    int errorsLogged() const { return static_cast<int>(readAll(programFile("QuilloryError.log")).count("***** Error event record")); }
    static void setComment(const QString& file, const QString& comment)
    {
        TagLib::MPEG::File f(QFile::encodeName(file).constData());
        f.ID3v2Tag(true)->setComment(TagLib::String(comment.toStdString(), TagLib::String::UTF8));
        f.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3);
    }
    // The file decoded to 44,100 Hz stereo samples.
    std::vector<short> decode(const QString& file)
    {
        const QString wav = file + QStringLiteral(".out.wav");
        Mp3Play p;
        int ended = 0;
        QObject::connect(&p, &Mp3Play::ThreadEnded, [&] { ++ended; });
        if (p.Open(file, wav) != 0)
            return {};
        p.Play();
        pumpUntil([&] { return ended > 0; });
        p.Close();
        auto s = wavSamples(wav);
        QFile::remove(wav);
        return s;
    }
};

TEST_F(Mp3TagsTest, GenreNumberFromTheCategoryList)
{
    EXPECT_EQ(GetGenreNumber("Blues"), "80") << "no catalogue";
    Categories = std::make_unique<colCategory>();
    EXPECT_EQ(GetGenreNumber("Blues"), "80") << "empty catalogue";
    Categories->Add("0", "Blues");
    Categories->Add("17", "Rock");
    Categories->Add("18", "rock");
    EXPECT_EQ(GetGenreNumber("blues"), "0");
    EXPECT_EQ(GetGenreNumber("ROCK"), "17") << "the first match wins";
    EXPECT_EQ(GetGenreNumber("Polka"), "80");
    EXPECT_EQ(GetGenreNumber(" Rock"), "80") << "no trimming";
}

TEST_F(Mp3TagsTest, BitRateRule)
{
    struct Case {
        int32_t bitRate, lengthMs;
        qint64 bytes, seconds;
    };
    const Case cases[] = {
        {64000, 240000, 1920000, 240},  // size as the length predicts
        {64000, 240000, 3500000, 106},  // 1920 / 18
        {64000, 240000, 1929999, 240},  // 1929 lies inside 1910..1930
        {64000, 240000, 1930000, 106},  // 1930 does not (strict)
        {48000, 460000, 900000, 200},   // 460000 / 2300
        {48000, 460000, 2760000, 460},  // est 2760 = actual
        {128000, 200500, 1, 200},       // other rates: the length
        {128000, 200500, 99999999, 200},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlayTimeByBitRate(c.bitRate, c.lengthMs, c.bytes), c.seconds)
            << c.bitRate << " " << c.lengthMs << " " << c.bytes;
}

TEST_F(Mp3TagsTest, TimeNoteInTheComment)
{
    struct Case {
        const char* comment;
        int16_t seconds;
        int errors;
    };
    const Case cases[] = {
        {"[Time=4:33]", 273, 0},
        {"[time=4:33]", 273, 0},
        {"Ripped [Time=12:05] from my CD", 725, 0},
        {"Time=04:33", 5, 0},   // the CD encoder's form: the length decides
        {"[Time=4:33", 5, 0},   // no closing bracket
        {"[Time=1:02:03]", 62, 0},
        {"[Time=433]", 43, 1},  // no ":": minutes fail, seconds from the first two characters
        {"[Time=x:33]", 33, 1},
        {"[Time=600:00]", 0, 1}, // does not fit 16 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.comment);
        setComment(song, c.comment);
        const int before = errorsLogged();
        EXPECT_EQ(GetMP3PlayTime(song), c.seconds);
        EXPECT_EQ(errorsLogged() - before, c.errors);
        EXPECT_FALSE(MainMp3Play().IsOpen());
    }
}

TEST_F(Mp3TagsTest, UnreadableFileIsZeroAndTheControlIsClosed)
{
    writeAll(homeDir() + "text.mp3", "not audio");
    EXPECT_EQ(GetMP3PlayTime(homeDir() + "text.mp3"), 0);
    EXPECT_EQ(GetMP3PlayTime(homeDir() + "missing.mp3"), 0);
    EXPECT_FALSE(MainMp3Play().IsOpen());
    EXPECT_EQ(errorsLogged(), 0);
}

TEST_F(Mp3TagsTest, LowRateFileWithCoverKeepsItsLength)
{
    // 64 kbit/s, 20 s: about 160,000 bytes of audio, and a 60 KB cover picture.
    const QString mp3 = homeDir() + QStringLiteral("low.mp3");
    ASSERT_TRUE(makeMp3(mp3, 22050, 2, 20.0, 64));
    {
        TagLib::MPEG::File f(QFile::encodeName(mp3).constData());
        auto* pic = new TagLib::ID3v2::AttachedPictureFrame;
        pic->setMimeType("image/jpeg");
        pic->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        pic->setPicture(TagLib::ByteVector(60000, 'x'));
        f.ID3v2Tag(true)->addFrame(pic);
        ASSERT_TRUE(f.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v3));
    }
    ASSERT_GT(QFileInfo(mp3).size(), 220000);
    EXPECT_EQ(GetMP3PlayTime(mp3), 20);

    // Extra bytes that are no tag still count: the rule of the size check holds.
    QByteArray bytes = readAll(mp3);
    writeAll(mp3, bytes + QByteArray(200000, '\0'));
    EXPECT_EQ(GetMP3PlayTime(mp3), (20000 * 64 / 8000) / 18);
}

TEST_F(Mp3TagsTest, WrittenTagReadsBackAndAudioIsUntouched)
{
    const std::vector<short> before = decode(song);
    ASSERT_FALSE(before.empty());
    MP3WriteTag(song, "Tone (1)", "Sine Wave Quartet", "Test Tones", "[Time=0:05]", "17");
    EXPECT_EQ(errorsLogged(), 0);
    {
        TagLib::MPEG::File f(QFile::encodeName(song).constData());
        ASSERT_TRUE(f.hasID3v1Tag());
        ASSERT_TRUE(f.hasID3v2Tag());
        for (TagLib::Tag* t : {static_cast<TagLib::Tag*>(f.ID3v2Tag()), static_cast<TagLib::Tag*>(f.ID3v1Tag())}) {
            EXPECT_EQ(t->title(), "Tone (1)");
            EXPECT_EQ(t->artist(), "Sine Wave Quartet");
            EXPECT_EQ(t->album(), "Test Tones");
            EXPECT_EQ(t->comment(), "[Time=0:05]");
        }
        EXPECT_EQ(f.ID3v1Tag()->genreNumber(), 17u);
        EXPECT_EQ(f.ID3v2Tag()->genre(), "Rock");
    }
    EXPECT_EQ(decode(song), before);
    EXPECT_EQ(GetMP3PlayTime(song), 5);

    // Genre 2.5 rounds to the even 2; a genre out of range is logged and left as it was.
    MP3WriteTag(song, "Tone (1)", "Sine Wave Quartet", "Test Tones", "c", "2.5");
    MP3WriteTag(song, "Tone (2)", "Sine Wave Quartet", "Test Tones", "c", "256");
    EXPECT_EQ(errorsLogged(), 1);
    TagLib::MPEG::File f(QFile::encodeName(song).constData());
    EXPECT_EQ(f.ID3v1Tag()->genreNumber(), 2u);
    EXPECT_EQ(f.ID3v2Tag()->title(), "Tone (2)");
}

TEST_F(Mp3TagsTest, TagOfAFileThatCannotBeOpenedGoesNowhere)
{
    // The control last opened song; a failed open must not tag it.
    EXPECT_EQ(GetMP3PlayTime(song), 5);
    MP3WriteTag(homeDir() + "missing.mp3", "Other", "Other", "Other", "", "17");
    EXPECT_EQ(errorsLogged(), 1);
    TagLib::MPEG::File f(QFile::encodeName(song).constData());
    EXPECT_FALSE(f.hasID3v1Tag());
    EXPECT_FALSE(f.hasID3v2Tag());
}

TEST_F(Mp3TagsTest, TotalPlayTime)
{
    struct Case {
        QStringList rows;
        const char* total;
        int errors;
    };
    const Case cases[] = {
        {{}, "0:00", 0},
        {{"0:59", "0:02"}, "1:01", 0},
        {{"60:00", "2:05"}, "62:05", 0},
        {{"4:33", "", "04:33"}, "9:06", 0},
        {{"4:33", "abc", "0:27"}, "5:00", 1}, // a malformed row counts 0
        {{"5", "1:00"}, "1:00", 1},
        {{"600:00", "0:01"}, "0:01", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows.join(',').toStdString());
        ListView lv;
        lv.setColumnCount(4);
        for (const QString& r : c.rows)
            new ListItem(&lv, QStringList{"title", "artist", r, "1"});
        const int before = errorsLogged();
        EXPECT_EQ(fncGetPlayTime(lv), c.total);
        EXPECT_EQ(errorsLogged() - before, c.errors);
    }
}

} // namespace
