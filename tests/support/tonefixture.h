#pragma once
// A test fixture with a short tone MP3 made on the spot.
#include "audiofiles.h"
#include "fixture.h"

namespace testaudio {

// A test with a 5-second, 128 kbit/s, 44,100 Hz stereo tone MP3 ("tone.mp3" in the home folder).
class ToneMp3Fixture : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        song = homeDir() + QStringLiteral("tone.mp3");
        ASSERT_TRUE(makeMp3(song, 44100, 2, 5.0, 128));
    }
    QString song;
};

} // namespace testaudio
