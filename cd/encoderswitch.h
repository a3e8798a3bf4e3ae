#pragma once
// Switches the CD window's encoder choices off (WAV only) and on again.

// Disable / enable the CD window's bit-rate choices, their labels and the auto-playlist
// box (only when the CD window is loaded).
void turnoffEncOptions();
void turnonencoptions();
