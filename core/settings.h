#pragma once
#include <cstdint>

// Reads the music folder setting ("MWFolders.ini") into MusicFolder.
void GetMWFolders();
// Reads CDDBEmail, CDDBServer and CDDBPort from "cddb.ini" into the variables and the
// settings dialog's boxes; mode 1 asks for a missing e-mail address and then returns 1.
int16_t funGetCDDBINI(const int16_t& mode);
