#pragma once
// The sequential field reader the settings files are read with.
#include <QString>

// Reads a file (UTF-8, or Windows-1252 for files of the old system) value by value, the
// way the settings files are read back: leading blanks are skipped; an unquoted value
// ends at a comma or at the end of the line (trailing blanks dropped); a value that
// starts with a double quote runs to the closing quote.
class FieldReader {
public:
    // Opens path; throws AppError 53 when the file does not exist, 75 when it cannot be read.
    explicit FieldReader(const QString& path);
    // A reader over text (tests).
    static FieldReader fromText(const QString& text);
    // The next value; throws AppError 62 past the end of the file.
    QString next();
    bool atEnd() const;

    // The setting held by a value: the text after the first "=" of the value, or the whole
    // value when it has none (the key before "=" is ignored).
    static QString setting(const QString& value);

private:
    FieldReader() = default;
    QString m_text;
    qsizetype m_pos = 0;
};

// Converts a setting to a whole number as the settings readers do: blanks around it are
// ignored, a fraction rounds half to even; throws AppError 13 when it is no number and
// AppError 6 when it lies outside [min, max].
long ToWholeNumber(const QString& text, long min, long max);

