#pragma once
// Readers of the small settings files in the program folder ("MWFolders.ini",
// "cddb.ini", "cdrip.ini"); they read with FieldReader (core/fieldreader.h).
#include <QString>
#include <cstdint>

// Sets MusicFolder (always ending in "/") from "MWFolders.ini", repairing the setting
// when the folder has gone; also fills the settings dialog's folder box.
void GetMWFolders();
// Reads CDDBEmail, CDDBServer and CDDBPort from "cddb.ini" into the variables and the
// settings dialog. mode 1 asks for a missing e-mail address; returns 1 when it did (the
// caller must then not start its CDDB conversation), else 0.
int16_t funGetCDDBINI(const int16_t& mode);
// The chosen CD drive's 0-based index from "cdrip.ini" (the stored number minus 1,
// never negative; 0 when it cannot be read).
int16_t getdriveletterno();
