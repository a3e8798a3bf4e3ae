#pragma once
// CD drive helpers. Drives are named by device path ("/dev/sr0", or an image's NAME.cue)
// and listed by the one enumerator, CdDrives, in its order.
#include <QString>
#include <cstdint>

// mode 1: tells SettingsRead the drives and the chosen one (getdriveletterno), for the
// settings dialog's DriveLetter list; mode 0: sets CDDriveLetter to the chosen drive. Both tell the user
// when there is no CD drive at all.
void DetectCDDrives(const int16_t& mode);
// The volume label of a drive: "Audio CD" for an audio disc, the file system's label for
// a data disc ("(no label)" when it is blank), "" when there is no disc, the disc is
// blank or the label cannot be read.
QString GetVolumeLabel(const QString& path);
// 0 when the disc in drive counts as blank (or there is no such drive), 1 when it is not
// blank; the user is told then.
int16_t CheckCDMedia(const QString& drive);
// Opens the door of drive; tells the user when the disc is in use and stays in. true when
// the door opened.
bool EjectCDNumber(const QString& drive);
// Tells the user that the disc cannot be ejected while it is in use when an eject's
// media-control result says so; true then.
bool ReportDiscInUse(unsigned mciResult);
// When the machine has CD drives this user may not open: a line that says so (starting
// with a line feed), to follow a "no drive found" message; "" otherwise.
QString CdAccessNote();
