#pragma once

// The program's start: fixes the screen scale, shows the splash, turns away a second
// copy, loads the five catalogues, keeps the splash up at least 3 seconds, settles the
// default music folder and loads the main window. Returns with the main window shown;
// the caller then runs the event loop.
void Main();

// Horizontal twips per pixel of the primary screen (1440 / its logical dots per inch).
double ScreenTwipsPerPixelX();

// How long the splash stays up at least, in milliseconds.
inline constexpr int kSplashMinimumMs = 3000;
