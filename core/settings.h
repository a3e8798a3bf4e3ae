#pragma once

// Reads the music folder setting ("MWFolders.ini") into MusicFolder.
void GetMWFolders();
