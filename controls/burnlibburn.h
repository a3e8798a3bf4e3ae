#pragma once
// The CD writer backend for real drives, over libburn: session-at-once audio tracks
// from the WAV files' PCM, test mode as the drive's simulated write.
#include <QString>
#include <vector>

#include "controls/acdwrite_types.h"

struct CdDriveInfo;

// One drive as libburn's scan found it.
struct LibburnDriveInfo {
    QString address;   // libburn's device address ("/dev/sr0")
    QString canonical; // the same with symbolic links resolved
    QString vendor;
    QString product;
    bool writesCdR = false;
};

// Scans the machine's drives through libburn (blocks while it scans; no drive stays
// locked afterwards). Empty when libburn cannot start.
std::vector<LibburnDriveInfo> libburnScanDrives();

// The writer for an enumerated drive when libburn found it and it can write CD-R;
// nullptr otherwise.
CdWriterPtr makeLibburnWriter(const CdDriveInfo& drive, const std::vector<LibburnDriveInfo>& scanned);
