// The edit language of essay-tool, shared by the tool and the document's fuzz target.
#include "EditScript.h"

#include <charconv>
#include <ostream>
#include <utility>

#include "GbkText.h"

std::optional<std::int32_t> ParseDecimalInt(std::string_view text)
{
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

void PrintRows(const CWriteDoc &doc, std::ostream &out)
{
    static const char kHex[] = "0123456789abcdef";
    const auto &rows = doc.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string line = std::to_string(i) + '\t';
        for (unsigned char byte : rows[i]) {
            line.push_back(kHex[byte >> 4]);
            line.push_back(kHex[byte & 0xF]);
        }
        out << line << '\n';
    }
}

std::optional<std::string> DecodeScriptText(std::string_view text)
{
    std::string gbk;
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            plain.push_back(text[i]);
            continue;
        }
        gbk += Utf8ToGbk(plain);
        plain.clear();
        if (i + 1 >= text.size())
            return std::nullopt;
        const char kind = text[++i];
        if (kind == 'r') {
            gbk.push_back('\r');
        } else if (kind == '\\') {
            gbk.push_back('\\');
        } else if (kind == 'x' && i + 2 < text.size()) {
            unsigned value = 0;
            const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
            if (error != std::errc() || end != text.data() + i + 3)
                return std::nullopt;
            gbk.push_back(static_cast<char>(value));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return gbk + Utf8ToGbk(plain);
}

namespace {

// Splits "word rest": the first word and everything after the one space that follows it.
std::pair<std::string_view, std::string_view> SplitWord(std::string_view line)
{
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return {line, {}};
    return {line.substr(0, space), line.substr(space + 1)};
}

} // namespace

bool EditScript::Run(const std::string &line)
{
    const auto [command, rest] = SplitWord(line);
    if (command == "settext") {
        const auto text = DecodeScriptText(rest);
        if (!text)
            return false;
        m_doc.SetText(*text);
    } else if (command == "insert") {
        return Insert(rest);
    } else if (command == "reflow") {
        const auto width = ParseDecimalInt(rest);
        if (!width)
            return false;
        m_width = *width;
        m_doc.Reflow(m_width);
    } else if (command == "undo" && rest.empty()) {
        m_doc.Undo();
    } else if (command == "redo" && rest.empty()) {
        m_doc.Redo();
    } else if (command == "checkpoint" && rest.empty()) {
        m_doc.CheckPoint();
    } else if (command == "print" && rest.empty()) {
        PrintRows(m_doc, m_out);
        if (m_lastInsert)
            m_out << "pos\t" << m_lastInsert->row << '\t' << m_lastInsert->column << '\n';
    } else {
        return false;
    }
    return true;
}

bool EditScript::Insert(std::string_view arguments)
{
    const auto [rowText, afterRow] = SplitWord(arguments);
    const auto [columnText, textPart] = SplitWord(afterRow);
    const auto row = ParseDecimalInt(rowText);
    const auto column = ParseDecimalInt(columnText);
    const auto text = DecodeScriptText(textPart);
    if (!row || !column || !text)
        return false;
    m_lastInsert = m_doc.InsertText(*row, *column, *text, m_width);
    // As the view does: the caret goes to the returned position and is recorded for the
    // next check point.
    m_doc.RecordViewState({m_lastInsert->row, m_lastInsert->column, 0});
    m_doc.SetModified(true);
    return true;
}
