#pragma once
// Low-level pieces of the ".mpd" record files shared by every catalogue: text decoding,
// the character-4 rule, the record parser and the atomic file write.
#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <functional>

namespace RecordFile {

// The field separator; a record ends with one more of it.
inline constexpr QChar kSep = QChar(4);

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

// How a parse ended.
struct ParseResult {
    qsizetype records = 0;     // complete records handed on
    bool damaged = false;      // a tail that is not a complete record was left unread
};

// Splits the text into records of fieldCount fields (each field followed by character 4,
// the record by one more) and hands each record's fields to add, in order. The text ends
// after the last record, optionally followed by line-end characters (CR LF, LF, CR).
// Always consumes its input: it stops at the first incomplete record.
// Every pumpEvery records it runs pump (when given) so window events are handled while loading.
ParseResult ParseRecords(const QString& text, int fieldCount, const std::function<void(const QStringList&)>& add,
                         const std::function<void()>& pump = {}, int pumpEvery = 1024);

// Writes bytes to path + ".tmp", flushes it to disk, renames it over path and syncs the
// folder, so the record file is either the old one or the complete new one, also after a
// power loss. Creates path when it is missing. On failure the temporary file is removed and
// AppError is thrown; path is untouched.
void WriteAtomically(const QString& path, const QByteArray& bytes);

// Test seam: runs after the temporary file is complete and closed, just before the rename.
// A hook that throws stands for a save cut off at that point.
using BeforeRenameHook = std::function<void(const QString& tempPath, const QString& recordPath)>;
void setBeforeRenameHook(BeforeRenameHook hook);

} // namespace RecordFile
