#pragma once
// Windows profile-file semantics over a plain text file: sections and keys match without
// regard to case, a missing key and an empty value both give the default, and writing
// one key keeps every other line of the file.
#include <QString>

namespace IniFile {
QString read(const QString& path, const QString& section, const QString& key, const QString& defaultValue);
bool write(const QString& path, const QString& section, const QString& key, const QString& value);
}
