#pragma once
// Window sounds ("Whoosh.wav", "quillory.wav"): played without waiting, a new sound replacing
// the one still playing; a missing file or no sound device plays nothing. Tests replace the
// player with the recording one.
#include <QString>
#include <vector>

namespace Snd {
constexpr int Async = 1;     // return at once
constexpr int NoDefault = 2; // no default sound when the file is missing
} // namespace Snd

class UiSound {
public:
    virtual ~UiSound() = default;
    virtual bool play(const QString& path, int flags) = 0;
};
class RealUiSound : public UiSound {
public:
    bool play(const QString& path, int flags) override;
};
class RecordingUiSound : public UiSound {
public:
    struct Played {
        QString path;
        int flags;
    };
    std::vector<Played> played;
    bool play(const QString& path, int flags) override
    {
        played.push_back({path, flags});
        return true;
    }
};
UiSound& UiSounds();
// Installs a sound player (a test's recording one); nullptr restores the real one.
void setUiSound(UiSound* s);

// Plays a sound file in the original's manner (flags Snd::Async | Snd::NoDefault = 3).
bool sndPlaySoundA(const QString& path, int flags);
