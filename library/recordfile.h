#pragma once
// Low-level pieces of the ".mpd" record files shared by every catalogue: text decoding,
// the character-4 rule, the record parser and the atomic file write.
#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

#include "platform/atomicfile.h"

class QFile;

namespace RecordFile {

// The field separator; a record ends with one more of it.
inline constexpr QChar kSep = QChar(4);

// Marks a text known to hold no character 4 (a field read from a record file, a text
// already stripped): it is stored without looking for one.
struct NoSep {};

// Removes every character 4, which the format cannot carry.
inline QString StripSep(const QString& value)
{
    if (!value.contains(kSep))
        return value;
    QString out = value;
    out.remove(kSep);
    return out;
}

// Appends one field and its separator (character 4 in the value is left out).
inline void AppendField(QString& out, const QString& value)
{
    if (value.contains(kSep))
        out += StripSep(value);
    else
        out += value;
    out += kSep;
}

// Decodes a record file: UTF-8, and Windows-1252 for each byte that is not part of a valid
// UTF-8 sequence (files written by older versions). A leading UTF-8 byte-order mark is skipped.
QString DecodeText(const QByteArray& bytes);

// The record file's bytes after the byte-order mark that decoding drops, ready for
// ParseRecords, without a copy.
QByteArrayView RecordText(QByteArrayView bytes);

// How a parse ended.
struct ParseResult {
    qsizetype records = 0;     // complete records handed on
    bool damaged = false;      // a tail that is not a complete record was left unread
    bool readFailed = false;   // reading failed before the end: the records after the last one handed on are missing
};

// Splits record text (RecordText: UTF-8, and Windows-1252 for each byte that is not part of
// a valid sequence) into records of fieldCount fields (each field followed by character 4,
// the record by one more) and hands each record's fields to add, in order (add gets an
// array of fieldCount texts it may move from). The text ends after the last record,
// optionally followed by line-end characters (CR LF, LF, CR). Always consumes its input:
// it stops at the first incomplete record. The last field of a record ends at the first
// pair of separators; a single separator inside it is dropped. No field handed on holds one.
// Every pumpEvery records it runs pump (when given) so window events are handled while loading.
ParseResult ParseRecords(QByteArrayView utf8, int fieldCount, const std::function<void(QString* fields)>& add,
                         const std::function<void()>& pump = {}, int pumpEvery = 1024);

// Reads up to max bytes into buffer; the count read, 0 at the end (or -1 on failure).
using ReadMore = std::function<qsizetype(char* buffer, qsizetype max)>;
// The same, with the text read piece by piece through one buffer of about chunk bytes, so
// a large file is never held whole in memory. The text begins after any byte-order mark.
// A failed read ends the parse with readFailed set; the incomplete record before it is dropped.
ParseResult ParseRecordsFrom(const ReadMore& read, int fieldCount, const std::function<void(QString* fields)>& add,
                             const std::function<void()>& pump = {}, int pumpEvery = 1024,
                             qsizetype chunk = 256 * 1024);

// Reads up to max bytes of an open record file: the count read, 0 at the end, -1 on failure.
using FileRead = std::function<qsizetype(QFile& file, char* buffer, qsizetype max)>;
// Reads from a record file being loaded, through the hook when one is set.
qsizetype ReadFile(QFile& file, char* buffer, qsizetype max);
// Test seam: how record files are read while they load (a read that fails part-way).
void setFileReadHook(FileRead read);

// Builds a record file in UTF-8, written straight into one buffer.
//   RecordWriter w(bound);           // bound: the sum of Bound() (or LooseBound()) of every field written
//   w.field(title); ... w.endRecord();
//   QByteArray bytes = w.finish();
// or, to save a file, in pieces through a buffer of its own that is used again and again:
//   WriteAtomically(path, [&](const AtomicFile::Put& put) {
//       RecordWriter w(64 * 1024, put); ... w.finish(); });
class RecordWriter {
public:
    explicit RecordWriter(qsizetype bound);
    // Hands the file to put whenever about chunk bytes are ready.
    RecordWriter(qsizetype chunk, AtomicFile::Put put);
    // The most bytes field(value) writes.
    static qsizetype Bound(QStringView value);
    // A quick bound, never below Bound(value): 3 bytes a UTF-16 unit and the separator.
    static qsizetype LooseBound(QStringView value) { return 3 * value.size() + 1; }
    // The value (without any character 4) and its separator.
    void field(QStringView value);
    // The separator that ends a record.
    void endRecord();
    // The file's bytes: the records and CR LF. In pieces, the rest goes to put and the
    // result is empty.
    QByteArray finish();

private:
    // Room for bytes more before the closing CR LF: the buffer is handed on, or grows.
    void makeRoom(qsizetype bytes);
    QByteArray m_bytes;
    AtomicFile::Put m_put;
    char* m_out;
    bool m_atStart = true;
};

// Writes the bytes produce hands over piece by piece to path + ".tmp", flushes it to disk,
// renames it over path and syncs the folder, so the record file is either the old one or the
// complete new one, also after a power loss. Creates path when it is missing. On failure the
// temporary file is removed and AppError is thrown; path is untouched.
void WriteAtomically(const QString& path, const std::function<void(const AtomicFile::Put& put)>& produce);

// Test seam: runs after the temporary file is complete and closed, just before the rename.
// A hook that throws stands for a save cut off at that point.
using BeforeRenameHook = std::function<void(const QString& tempPath, const QString& recordPath)>;
void setBeforeRenameHook(BeforeRenameHook hook);

} // namespace RecordFile
