#include "audiofiles.h"
#include "fixture.h"

#include "controls/acdwrite_types.h"
#include "controls/wavcheck.h"

using namespace testaudio;

namespace {

class WavCheckTest : public AppFixture {};

TEST_F(WavCheckTest, OnlyCdFormatPcmPasses)
{
    struct Case {
        const char* name;
        int rate, channels, bits;
        bool good;
    };
    const Case cases[] = {
        {"cd.wav", 44100, 2, 16, true},     {"mono.wav", 44100, 1, 16, false},
        {"low.wav", 22050, 2, 16, false},   {"dat.wav", 48000, 2, 16, false},
        {"eight.wav", 44100, 2, 8, false},  {"twelve.wav", 44100, 12, 16, false},
        {"again.wav", 44100, 2, 16, true}, // a second check starts afresh
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = homeDir() + c.name;
        ASSERT_TRUE(writeWav(path, c.rate, c.channels, 0.2, c.bits));
        EXPECT_EQ(CheckWAVFormat(path), c.good);
    }
}

TEST_F(WavCheckTest, OtherFilesFailCleanly)
{
    writeAll(homeDir() + "text.wav", "RIFF? no, just some text that ends in .wav\r\n");
    EXPECT_FALSE(CheckWAVFormat(homeDir() + "text.wav"));
    EXPECT_FALSE(CheckWAVFormat(homeDir() + "missing.wav"));
    EXPECT_FALSE(CheckWAVFormat(QString()));

    // An AIFF of the right rate, size and channels under a .wav name is not a WAV.
    SF_INFO si{};
    si.samplerate = 44100;
    si.channels = 2;
    si.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    const QString aiff = homeDir() + "aiff.wav";
    SNDFILE* f = sf_open(QFile::encodeName(aiff).constData(), SFM_WRITE, &si);
    ASSERT_NE(f, nullptr);
    short zero[4] = {};
    sf_writef_short(f, zero, 2);
    sf_close(f);
    EXPECT_FALSE(CheckWAVFormat(aiff));
}

// A WAV whose header tells of no whole frame of sound is refused by the check and by the
// burner's track check; a data chunk claiming more than the file holds counts what is there.
TEST_F(WavCheckTest, HeadersAreTakenOnlyAsFarAsTheFileGoes)
{
    const auto wav = [](quint32 claimed, qsizetype present) {
        const auto le32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char*>(&v), 4); };
        const auto le16 = [](quint16 v) { return QByteArray(reinterpret_cast<const char*>(&v), 2); };
        return "RIFF" + le32(36 + claimed) + "WAVEfmt " + le32(16) + le16(1) + le16(2) + le32(44100) +
               le32(44100 * 4) + le16(4) + le16(16) + "data" + le32(claimed) + QByteArray(present, '\x11');
    };
    struct Case {
        const char* name;
        QByteArray bytes;
        qint64 frames; // 0: refused
    } cases[] = {
        {"bare header", wav(0, 0), 0},
        {"three bytes of data", wav(3, 3), 0},
        {"claims a second, holds three bytes", wav(44100 * 4, 3), 0},
        {"one frame", wav(4, 4), 1},
        {"claims 100 MB, holds a second", wav(100'000'000, 44100 * 4), 44100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = homeDir() + "header.wav";
        writeAll(path, c.bytes);
        EXPECT_EQ(CheckWAVFormat(path), c.frames > 0);
        BurnTrack track{path};
        QString why;
        EXPECT_EQ(inspectBurnTrack(track, &why), c.frames > 0);
        EXPECT_EQ(track.frames, c.frames);
        EXPECT_EQ(why, c.frames > 0 ? QString() : BurnText::badTrack(path));
    }
}

} // namespace
