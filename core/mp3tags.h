#pragma once
// MP3 tag writing and play times, shared by every window that lists, rips or tags songs.
#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <functional>

class Mp3Play;
class ListView;

// The main window's MP3 control (frmMain.Mp3Play1): the one instance on which
// MP3WriteTag and GetMP3PlayTime open files. It never plays or decodes.
Mp3Play& MainMp3Play();

// The genre number (as text) of the first category whose name equals genre, ignoring
// case; "80" when none does.
QString GetGenreNumber(const QString& genre);

// Writes title, artist, album, comment and genre (a number 0 to 255 as text) into the
// tag of file. A file that cannot be opened is logged and left alone; a genre that is
// not such a number is logged and left unset while the other fields are written. With report
// given (a job's call), each failure goes to it with its number and description instead of
// the log and the error box.
using TagErrorReport = std::function<void(int number, const QString& description)>;
void MP3WriteTag(const QString& file, const QString& title, const QString& artist, const QString& album,
                 const QString& comment, const QString& genre, const TagErrorReport& report = {});

// Whole seconds the MP3 file plays: a "[Time=m:ss]" note in the tag comment wins;
// otherwise the length, with the size check for 48 and 64 kbit/s files. 0 when the
// file cannot be opened or the time does not fit 16 bits.
int16_t GetMP3PlayTime(const QString& file);

// What a listing shows of an MP3 file that the catalogue does not know, from the facts read
// from it (core/mp3listing.h): the play time by GetMP3PlayTime's rules (its errors logged as
// GetMP3PlayTime's), and the tag's artist, album and genre name, empty when the file has no
// tag. opened is false when the file cannot be opened.
struct Mp3ListEntry {
    bool opened = false;
    int16_t seconds = 0;
    QString artist, album, genre;
};
struct Mp3ListFacts;
Mp3ListEntry Mp3ListEntryOf(const Mp3ListFacts& facts);

// The bit-rate rule of GetMP3PlayTime: seconds from the bit rate (bits a second), the
// length in ms and the bytes of MPEG audio (the file less its tags).
qint64 PlayTimeByBitRate(int32_t bitRate, int32_t lengthMs, qint64 audioBytes);

// "m:ss" for a number of seconds: whole minutes, ":" and two-digit seconds. The length
// column of every song list and the play-time totals are written this way.
QString MinutesSeconds(qint64 seconds);

// Total of the "m:ss" texts in the third column (sub-item 2) of a list view, as
// minutes, ":" and two-digit seconds. Empty texts are skipped; a malformed one is
// logged and counts 0.
QString fncGetPlayTime(const ListView& listView);
