#include "inifile.h"

#include <vector>

namespace {

// Offsets into the content; [textBegin, textEnd) is the line without its ending,
// [textEnd, end) the ending itself ("\n", "\r\n", "\r" or nothing on the last line).
struct TLine {
    qsizetype textBegin;
    qsizetype textEnd;
    qsizetype end;
    bool HasEnding() const { return end > textEnd; }
};

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr qsizetype kUtf8BomSize = sizeof(kUtf8Bom) - 1;

std::vector<TLine> SplitLines(const QByteArray& content) {
    std::vector<TLine> lines;
    qsizetype pos = 0;
    const qsizetype size = content.size();
    while (pos < size) {
        TLine line{pos, size, size};
        // A BOM is no part of the first line's text, but its bytes stay put.
        if (pos == 0 && content.startsWith(kUtf8Bom)) line.textBegin = kUtf8BomSize;
        // CR, LF and CRLF each end a line: a file saved with old Mac endings, or
        // a stray CR, must not read as one long line.
        qsizetype eol = line.textBegin;
        while (eol < size && content[eol] != '\n' && content[eol] != '\r')
            ++eol;
        if (eol < size) {
            line.textEnd = eol;
            line.end = (content[eol] == '\r' && eol + 1 < size && content[eol + 1] == '\n')
                           ? eol + 2
                           : eol + 1;
        }
        lines.push_back(line);
        pos = line.end;
    }
    return lines;
}

QByteArray LineEndingOf(const std::vector<TLine>& lines, const QByteArray& content) {
    // The other reader of the file is a Windows program.
    if (lines.empty() || !lines.front().HasEnding()) return "\r\n";
    const TLine& first = lines.front();
    return content.mid(first.textEnd, first.end - first.textEnd);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

QByteArray Trimmed(const QByteArray& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Only ASCII letters fold: Qt's own case-insensitive byte compare folds Latin-1
// too, which would mangle UTF-8 sequences.
bool SameName(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

QByteArray TextOf(const QByteArray& content, const TLine& line) {
    return Trimmed(content.mid(line.textBegin, line.textEnd - line.textBegin));
}

bool IsSectionHeader(const QByteArray& text) {
    return text.startsWith('[');
}

// "[ name ]" gives "name"; an unclosed header runs to the end of the line.
QByteArray SectionName(const QByteArray& text) {
    const qsizetype close = text.indexOf(']');
    return Trimmed(close < 0 ? text.mid(1) : text.mid(1, close - 1));
}

// A line without '=' is a key with no value, as the Windows writer reads it.
QByteArray KeyName(const QByteArray& text) {
    const qsizetype eq = text.indexOf('=');
    return Trimmed(eq < 0 ? text : text.left(eq));
}

} // namespace

QByteArray SetIniValue(const QByteArray& content, const QByteArray& section, const QByteArray& key,
                       const QByteArray& value) {
    const std::vector<TLine> lines = SplitLines(content);
    const QByteArray eol = LineEndingOf(lines, content);
    const size_t count = lines.size();

    size_t header = 0;
    while (header < count) {
        const QByteArray text = TextOf(content, lines[header]);
        if (IsSectionHeader(text) && SameName(SectionName(text), section)) break;
        ++header;
    }

    if (header == count) {
        QByteArray out = content;
        if (count > 0) {
            const TLine& last = lines.back();
            if (!last.HasEnding() && last.textEnd > last.textBegin) out += eol;
            if (!TextOf(content, last).isEmpty()) out += eol;
        }
        return out + '[' + section + ']' + eol + key + '=' + value + eol;
    }

    size_t lastNonBlank = header;
    for (size_t i = header + 1; i < count; ++i) {
        const QByteArray text = TextOf(content, lines[i]);
        if (IsSectionHeader(text)) break;
        if (text.isEmpty()) continue;
        lastNonBlank = i;
        // A comment line (';', '#') never matches: no key written starts that way.
        const QByteArray name = KeyName(text);
        if (SameName(name, key)) {
            const TLine& line = lines[i];
            return content.left(line.textBegin) + name + '=' + value + content.mid(line.textEnd);
        }
    }

    const TLine& anchor = lines[lastNonBlank];
    QByteArray added = key + '=' + value + eol;
    if (!anchor.HasEnding()) added.prepend(eol);
    return content.left(anchor.end) + added + content.mid(anchor.end);
}
