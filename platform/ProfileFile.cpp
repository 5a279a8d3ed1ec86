// Reader and writer of private-profile settings files.
#include "ProfileFile.h"

#include "AtomicFile.h"
#include "GbkText.h"

#include <climits>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

struct Line
{
    std::string text;   // without its line end
    std::string ending; // "\r\n", "\n", "\r" or "" (last line without one)
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string &text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool SameName(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::optional<std::string> ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<Line> SplitLines(const std::string &content)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = start;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n')
            ++end;
        Line line{content.substr(start, end - start), ""};
        if (end < content.size()) {
            const bool crlf = content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n';
            line.ending = content.substr(end, crlf ? 2 : 1);
        }
        start = end + line.ending.size();
        lines.push_back(std::move(line));
    }
    return lines;
}

// The section name of a "[Name]" line, if the line is one.
std::optional<std::string> SectionName(const std::string &text)
{
    const std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed[0] != '[')
        return std::nullopt;
    const std::size_t close = trimmed.find(']');
    return Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

bool IsComment(const std::string &text)
{
    const std::string trimmed = Trim(text);
    return !trimmed.empty() && trimmed[0] == ';';
}

// Key and raw value of a "Key=Value" line.
std::optional<std::pair<std::string, std::string>> KeyValue(const std::string &text)
{
    if (IsComment(text))
        return std::nullopt;
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos)
        return std::nullopt;
    return std::make_pair(Trim(text.substr(0, equals)), Trim(text.substr(equals + 1)));
}

// Where a section's lines are: its header line and one past its last line.
struct SectionSpan
{
    std::size_t header;
    std::size_t end;
};

std::optional<SectionSpan> FindSection(const std::vector<Line> &lines, const std::string &section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].text);
        if (!name || !SameName(*name, Trim(section)))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end].text))
            ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line> &lines, const SectionSpan &span, const std::string &key)
{
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        const auto entry = KeyValue(lines[i].text);
        if (entry && SameName(entry->first, Trim(key)))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> ReadValue(const std::string &section, const std::string &key, const std::string &path)
{
    const auto content = ReadFile(path);
    if (!content)
        return std::nullopt;
    const std::vector<Line> lines = SplitLines(*content);
    const auto span = FindSection(lines, section);
    if (!span)
        return std::nullopt;
    const auto index = FindKey(lines, *span, key);
    if (!index)
        return std::nullopt;
    return KeyValue(lines[*index].text)->second;
}

std::string Unquote(const std::string &value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// At most maxBytes bytes of GBK text, never ending in the first half of a double-byte character.
std::string CutGbk(const std::string &text, std::size_t maxBytes)
{
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t length =
            IsGbkLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
        if (end + length > maxBytes)
            break;
        end += length;
    }
    return text.substr(0, end);
}

int ParseProfileInt(const std::string &text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        value = value * base + digit;
        if (value > int64_t(INT_MAX) + 1) // saturate: a huge number never wraps to a small one
            value = int64_t(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}

std::string LineEndingOf(const std::vector<Line> &lines)
{
    for (const Line &line : lines) {
        if (!line.ending.empty())
            return line.ending;
    }
    return "\r\n";
}

// Replaces the file's content as one step, so a failed write never leaves half a file. The file
// keeps its permissions; a new one is 0600.
bool ReplaceFile(const std::string &path, const std::string &content)
{
    return ReplaceFileAtomically(path, content, 0600) == 0;
}

std::string JoinLines(const std::vector<Line> &lines)
{
    std::string content;
    for (const Line &line : lines)
        content += line.text + line.ending;
    return content;
}

} // namespace

int GetProfileInt(const std::string &section, const std::string &key, int defaultValue, const std::string &path)
{
    const auto value = ReadValue(section, key, path);
    if (!value || value->empty())
        return defaultValue;
    return ParseProfileInt(*value);
}

std::string GetProfileString(const std::string &section, const std::string &key, const std::string &defaultValue,
                             std::size_t maxChars, const std::string &path)
{
    const auto value = ReadValue(section, key, path);
    return CutGbk(value ? Unquote(*value) : defaultValue, maxChars);
}

bool WriteProfileString(const std::string &section, const std::string &key, const std::string &value,
                        const std::string &path)
{
    std::string content;
    if (const auto existing = ReadFile(path))
        content = *existing;
    else if (::access(path.c_str(), F_OK) == 0)
        return false; // there but unreadable: never overwrite what we could not read

    std::vector<Line> lines = SplitLines(content);
    const std::string eol = LineEndingOf(lines);
    const std::string safeValue = value.substr(0, value.find_first_of("\r\n"));
    const std::string keyName = Trim(key);

    const auto span = FindSection(lines, section);
    if (!span) {
        if (!lines.empty() && lines.back().ending.empty())
            lines.back().ending = eol;
        std::string header = "[";  // appended step by step: GCC 12 warns falsely on "[" + x + "]"
        header += Trim(section);
        header += ']';
        lines.push_back({header, eol});
        lines.push_back({keyName + "=" + safeValue, eol});
        return ReplaceFile(path, JoinLines(lines));
    }
    if (const auto index = FindKey(lines, *span, key)) {
        const std::string spelling = KeyValue(lines[*index].text)->first; // keep the file's own spelling
        lines[*index].text = spelling + "=" + safeValue;
        return ReplaceFile(path, JoinLines(lines));
    }
    // A new key goes after the section's last non-blank line, before any blank lines that
    // separate it from the next section.
    std::size_t insertAt = span->end;
    while (insertAt > span->header + 1 && Trim(lines[insertAt - 1].text).empty())
        --insertAt;
    if (lines[insertAt - 1].ending.empty())
        lines[insertAt - 1].ending = eol;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), Line{keyName + "=" + safeValue, eol});
    return ReplaceFile(path, JoinLines(lines));
}
