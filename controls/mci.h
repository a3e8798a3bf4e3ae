#pragma once
// The media control string interface: commands such as "play cd from 3 to 4" sent as
// text to a device opened under an alias, answered with a reply text and an error number.
//
// One interpreter serves the whole process. It knows the "cdaudio" device: a CD drive
// (a device path such as "/dev/sr0") or a disc image (a NAME.cue path). The table of
// contents and the door come from libcdio; playing is digital: audio frames are read on a
// worker thread and written to the program's AudioSink, so a disc plays on any drive and
// on images. An image simulates its door: "set ALIAS door open" leaves it without a disc
// until "set ALIAS door closed". The disc's presence and the door are asked of the drive
// at every command, so a disc taken out, put in or swapped with the drive's own button is
// seen; a change seen without the door open (or an image's files replaced) reads as
// "open" for a moment, then the new disc's table of contents is read.
//
// Commands understood (ALIAS is the name given at open; "wait" is accepted everywhere):
//   open DRIVE type cdaudio alias ALIAS [wait] [shareable]   reply "1"
//   close ALIAS | close all
//   set ALIAS time format msf | tmsf | milliseconds | ms
//   set ALIAS door open | set ALIAS door closed
//   status ALIAS position | position track N | length | length track N
//   status ALIAS number of tracks | media present | mode | current track
//   play ALIAS [from POS] [to POS] | seek ALIAS to POS | stop ALIAS | pause ALIAS
// Positions are written in the device's time format: msf "mm:ss:ff" (absolute disc
// address, track 1 normally at 00:02:00), tmsf "tt:mm:ss:ff" (relative to the track; a
// bare number is the start of that track), milliseconds (absolute). Positions outside
// the disc (a negative time, a track past the last) are clamped to the disc.
// Mode words: "playing", "stopped", "paused", "open", "not ready".
#include <QString>

namespace MciErr {
constexpr unsigned InvalidDeviceId = 257;
constexpr unsigned UnrecognizedKeyword = 259;
constexpr unsigned UnrecognizedCommand = 261;
constexpr unsigned Hardware = 262;
constexpr unsigned InvalidDeviceName = 263;
constexpr unsigned MissingParameter = 273;
constexpr unsigned DeviceNotReady = 276;
constexpr unsigned OutOfRange = 282;
constexpr unsigned DeviceLocked = 288;  // the disc is in use (mounted) and stays in
constexpr unsigned DuplicateAlias = 289;
constexpr unsigned BadTimeFormat = 293;
} // namespace MciErr

// Something that carries out MCI command strings. The interpreter is the real one;
// tests put a recording one in its place.
class MciHandler {
public:
    virtual ~MciHandler() = default;
    // Carries out one command; reply receives the reply text (empty when there is none).
    // Returns 0 or an MciErr number.
    virtual unsigned command(const QString& command, QString& reply) = 0;
};

// The process-wide interpreter.
MciHandler& MciInterpreter();
// The handler commands go to: a test's replacement, else the interpreter.
MciHandler& MciDevices();
void setMciHandler(MciHandler* h);

// Sends a command the way the original string interface did: the reply is copied into
// the caller's buffer of replyLength bytes (at most replyLength - 1 characters and a NUL;
// nothing is written when replyLength is 0). A failed command writes an empty reply.
unsigned mciSendString(const QString& command, char* reply, int replyLength);
