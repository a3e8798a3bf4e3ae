#include "platform/uisound.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace {
UiSound* g_sound = nullptr;
}

bool RealUiSound::play(const QString& path, int)
{
    if (!QFileInfo(path).isFile())
        return false;
    // One effect for the whole program: a new sound replaces the running one.
    static QSoundEffect* effect = new QSoundEffect();
    effect->stop();
    effect->setSource(QUrl::fromLocalFile(path));
    effect->play();
    return true;
}

UiSound& UiSounds()
{
    static RealUiSound real;
    return g_sound ? *g_sound : real;
}
void setUiSound(UiSound* s) { g_sound = s; }

bool sndPlaySoundA(const QString& path, int flags) { return UiSounds().play(path, flags); }
