#pragma once
// File-name and timing helpers used around the files the program makes and names.
#include <QString>
#include <cstdint>

// The path itself when it exists (Linux has no short names); else tells the user and
// returns an empty text.
QString shortpathname(const QString& path);
// Waits milliseconds while window events go on being handled.
void PAUSE(int16_t milliseconds);
// 1 when name holds one of \ / : * ? " < > | or is longer than 250 characters, else 0.
int16_t checkinvalid(const QString& name);
// fileName (a bare name ending in ".mp3") when no entry of MusicFolder has that name,
// letter case ignored, hidden entries and folders counted; else the first free
// "name(n).mp3".
QString checkduplmp3(const QString& fileName);
// The same for ".wav".
QString checkduplwav(const QString& fileName);
// A title made safe as a file name: the nine characters above and control characters
// become "_", a leading dot becomes "_", an empty name becomes "Untitled", and the name
// is cut to 250 characters; a name with multi-byte characters is cut further so that it
// still fits the file system's 255 bytes with an extension and a numbering suffix added.
QString removeinvalid(const QString& name);
// No effect: windows keep their place among the topmost windows.
void Not_Topmost();

// The byte room removeinvalid leaves a multi-byte name for ".mp3" plus a suffix up to "(9999)".
inline constexpr int kNameReserveBytes = 10;
inline constexpr int kMaxNameBytes = 255;
