#include <sndfile.h>

#include <QFile>

#include "fixture.h"
#include "platform/appcontext.h"
#include "shell/uisound.h"

// The build makes the window sounds into the ready program folder.
TEST(WindowSounds, ShippedSoundsAreStereoWavs)
{
    for (const char* name : {"Whoosh.wav", "quillory.wav"}) {
        const QString path = QStringLiteral(QUILLORY_PROGRAM_DIR) + '/' + QString::fromLatin1(name);
        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(info.samplerate, 44100) << name;
        EXPECT_EQ(info.channels, 2) << name;
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16) << name;
        EXPECT_GT(info.frames, 44100 / 4) << name;
        EXPECT_LT(info.frames, 44100 * 2) << name;
        sf_close(f);
    }
}

// The real player is tolerant: a missing or broken file plays nothing and is no error.
TEST_F(AppFixture, RealSoundPlayerToleratesMissingAndBrokenFiles)
{
    writeAll(programFile(QStringLiteral("Broken.wav")), "RIFF but not really");
    RealUiSound real;
    EXPECT_FALSE(real.play(programFile(QStringLiteral("missing.wav")), Snd::Async));
    EXPECT_FALSE(real.play(programFile(QStringLiteral("broken.WAV")), Snd::Async));
    EXPECT_TRUE(prompt.asked.empty());
    PlayLauncherSound(); // through the fixture's recorder
    ASSERT_EQ(sounds.played.size(), 1u);
    EXPECT_EQ(sounds.played[0].path, programFile(QStringLiteral("Whoosh.wav")));
}
