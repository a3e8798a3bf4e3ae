#pragma once

// Unloads and creates again the open player, playlist, converter and burner windows,
// keeping each one's visibility and window state (after the music folder changed).
void RefreshMP3();
// Unloads the player, playlist, burner and CD windows before a converter window opens.
// Errors pass to the caller. While a rip, encode or conversion runs it unloads nothing.
void CloseFeatureWindows();
// Remembers the window in front in LastWindow, so the converter chooser's Cancel can bring it back.
void GetLastForm();
