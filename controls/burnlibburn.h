#pragma once
// The CD writer backend for real drives, over libburn: session-at-once audio tracks
// from the WAV files' PCM, test mode as the drive's simulated write.
#include <QByteArray>
#include <QString>
#include <QStringList>
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

// The libburn calls the writer makes. libburn keeps one drive list for the process, so
// one drive at a time is grabbed and these calls act on it. The real one calls libburn;
// tests put one in its place that plays a drive's part.
class LibburnCalls {
public:
    enum DiscStatus { DiscUnready, DiscEmpty, DiscBlank, DiscOther };
    // Closing covers closing a track or session and writing lead-in or lead-out.
    enum DriveStatus { DriveIdle, DriveSpawning, DriveWriting, DriveClosing, DriveBusy };
    struct Progress {
        int track = 0;   // from 0
        int sector = 0;  // sectors of that track written so far
        int sectors = 0; // sectors of that track (0 or less while not known)
    };
    struct Message {
        QString text;
        QByteArray severity; // "NOTE", "SORRY", "FAILURE", ...
        int code = 0;        // libburn's message code
    };
    // The code of "Cannot open busy device '/dev/...'": a scan skipped a drive that
    // another program (or a mounted file system) holds open.
    static constexpr int kBusyDeviceCode = 0x00020001;
    // The code of "A drive operation is still going on (want to write)": the library
    // refused to start a write while a scan or another operation of the drive runs. It
    // starts no write thread then and leaves the drive's last result as it was.
    static constexpr int kOperationGoingOnCode = 0x00020102;

    virtual ~LibburnCalls() = default;
    // Starts the library once; false when it cannot start.
    virtual bool initialize() = 0;
    // Lets the next scan look at every drive again (a grab restricts scans to its drive).
    virtual void clearWhitelist() = 0;
    // Scans the machine's drives and lets go of them again; false when the scan failed.
    virtual bool scan(std::vector<LibburnDriveInfo>& found) = 0;
    virtual bool grab(const QString& address) = 0;
    virtual void release() = 0;
    // The grabbed drive's disc and its profile number (0x09 CD-R, 0x0a CD-RW). The status
    // is what libburn last saw; reassess() asks the drive again.
    virtual DiscStatus discStatus() = 0;
    virtual void reassess() = 0;
    virtual int discProfile() = 0;
    // Write speed in kB/s (1000 bytes); 0 = the drive's fastest.
    virtual void setWriteSpeed(int kBps) = 0;
    // Bytes the disc can take in a write of this kind; 0 or less when not known.
    virtual qint64 availableBytes(bool simulate) = 0;
    // Builds the session of the job's tracks and starts writing it. false (with the
    // reason and a text) when the tracks or the drive refuse.
    virtual bool startWrite(const BurnJob& job, BurnOutcome::Reason* reason, QString* why) = 0;
    virtual DriveStatus driveStatus(Progress& p) = 0;
    // Whether the library's write thread has ended. It may run on a while after the drive
    // reports idle (after a cancel it waits half a second, then marks the write failed);
    // until it has ended, the result is not final and the drive is not to be let go.
    virtual bool writeEnded() { return true; }
    virtual void cancel() = 0;
    // Whether this write went well; false for a write that never started.
    virtual bool wroteWell() = 0;
    // Frees what startWrite built (after the drive is idle again).
    virtual void endWrite() = 0;
    // The next queued message of the library; false when the queue is empty.
    virtual bool nextMessage(Message& m) = 0;
    // While writing, a signal that would end the program first shuts the drive down.
    virtual void setSignalHandling(bool writing) = 0;
    // Whether such a signal arrived; the program ends once the drive is idle.
    virtual bool signalled() = 0;
    virtual void endAfterSignal() = 0;
};

// The calls in use: a test's replacement, else the real library.
LibburnCalls& Libburn();
void setLibburn(LibburnCalls* calls);

// libburn counts 1x CD as 176.4 kB/s and wants fractional speeds rounded up.
int cdSpeedKBps(int times);

// What a scan found: the drives libburn can use, and the devices it skipped as busy.
struct LibburnScan {
    std::vector<LibburnDriveInfo> drives;
    QStringList busy; // canonical device paths
};

// Scans the machine's drives through libburn (blocks while it scans; no drive stays
// locked afterwards). Empty when libburn cannot start.
LibburnScan libburnScanDrives();

// For tests of the real library without a drive: the writer for a libburn address
// ("stdio:PATH", libburn's file pseudo-drive), and whether such a pseudo-drive's
// blank file counts as a blank disc (its profile is 0xffff, no CD).
CdWriterPtr makeLibburnWriterAt(const QString& address, const QString& name);
void setLibburnAcceptsPseudoDrive(bool accept);
// For tests only (the program never sets it): the tracks go out as MODE1 data tracks
// (2048-byte blocks) of the same PCM, which a pseudo-drive takes where it refuses audio
// (one track a write). The rest of the write (the sources, the progress, fixation,
// cancel) is the audio burn's.
void setLibburnDataTracksForTests(bool on);

// The writer for an enumerated drive when libburn found it and it can write CD-R;
// nullptr otherwise.
CdWriterPtr makeLibburnWriter(const CdDriveInfo& drive, const std::vector<LibburnDriveInfo>& scanned);
