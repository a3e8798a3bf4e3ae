#pragma once
#include <QString>

// The launcher sound: "Whoosh.wav" from the program folder, played without waiting.
// A missing file plays nothing and is not an error.
void PlayLauncherSound();
// Plays a sound file of the program folder the same way.
void PlayProgramSound(const QString& fileName);
