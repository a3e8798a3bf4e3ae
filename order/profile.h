#pragma once
// Reads one value of a profile (INI) file by section and key, with the rules of the
// classic profile-string reader: names match ignoring case, blanks around the value are
// dropped, one pair of enclosing quotes (' or ") is removed, the value is cut to
// bufferSize - 1 characters, and a missing file, section or key gives the default.
#include <QString>

namespace orderapp {

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int bufferSize, const QString& filePath);

} // namespace orderapp
