#pragma once
// Steps one window asks of another that it may not include (the window folders never include
// each other, and no two windows include each other). The program wires each step to the window that does it at start-up; a step
// whose window is not loaded does nothing, and an unwired step does nothing either.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

struct WindowLinks {
    // The MP3 player stops its song because the CD player starts playing.
    std::function<void()> stopMp3ForCd;
    // The MP3 player's own Stop, run before the player is loaded again.
    std::function<void()> mp3Stop;
    // The CD window's Stop button, because the MP3 player starts playing.
    std::function<void()> stopCdPlayer;
    // The CD window shows output mode 1, 2 or 3 and switches its encoder choices to match
    // (off for 2, WAV only).
    std::function<void(int mode)> cdOutputMode;
    // The encoder selection captions of the CD window and of the WAV-to-MP3 window.
    std::function<void(const QString& selection)> cdEncoderSelection;
    std::function<void(const QString& selection)> wavEncoderSelection;
    // The settings dialog shown at one of its tabs.
    std::function<void(int tab)> showSettings;
    // The playlist editor's current song row shows an edited song's texts: title, artist,
    // length, CD title and category (the song editor's Save).
    std::function<void(const QStringList& texts)> showEditedSong;
    // The name of the playlist row current in the playlist editor; none when no row is current
    // (the playlist cover dialog's Save).
    std::function<std::optional<QString>()> chosenPlaylist;
};

// The one set of links of the program.
WindowLinks& Links();

// Runs a link's step when it is wired.
template <class F, class... A> void runLink(const F& step, A&&... args)
{
    if (step)
        step(std::forward<A>(args)...);
}
