#pragma once
#include <QString>

// Whether a file is a standard PCM WAV of 44,100 Hz, 16 bits and 2 channels: the
// only kind the WAV-to-MP3 converter and the burner take. Anything else, and any
// file that cannot be read as a WAV (missing, not a WAV, another format under a
// ".wav" name, no whole frame of sound), is bad. Reads the file's header only; nothing stays open.
bool CheckWAVFormat(const QString& path);
