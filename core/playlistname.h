#pragma once
// The one rule for the name of a new playlist, wherever one is named: it becomes the name
// of a marker file in the music folder, and no two playlists share a name.
#include <QString>

// True when name may name a new playlist; else tells the user why (a name the file-name
// rule refuses, or one a playlist already has, letter case ignored) and returns false.
bool AcceptNewPlaylistName(const QString& name);
