#pragma once
// The INI editing core behind WriteAnalyzerSetting, kept free of file access so
// that every rule of the Windows private-profile writer can be checked on bytes.

#include <QByteArray>

// Returns content with key set to value in section, touching nothing else:
// - CR, LF and CRLF each end a line, mixed freely;
// - section and key names match ASCII case-insensitively, ignoring blanks
//   around them; only the first matching section and its first matching key
//   count;
// - a found key's line becomes "<key as spelled in the file>=value", keeping
//   that line's own ending;
// - a missing key is added after the last non-blank line of its section;
// - a missing section is added at the end, after one blank line when the
//   content is non-empty and does not already end with a blank line;
// - added lines use the content's first line ending, CRLF when it has none.
QByteArray SetIniValue(const QByteArray& content, const QByteArray& section, const QByteArray& key,
                       const QByteArray& value);
