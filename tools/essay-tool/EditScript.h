// The edit language of essay-tool: one command a line driving a CWriteDoc as the editor view
// does (settext TEXT, insert ROW COL TEXT, reflow W, undo, redo, checkpoint, print).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "WriteDoc.h"

// A whole decimal number, nothing before or after it.
std::optional<std::int32_t> ParseDecimalInt(std::string_view text);

// TEXT of a script line: UTF-8, with \r for the paragraph mark, \xHH for a raw byte and \\.
// Returns the GBK bytes, or nothing for a malformed escape.
std::optional<std::string> DecodeScriptText(std::string_view text);

// One line a row: its number, a tab, its bytes in hexadecimal.
void PrintRows(const CWriteDoc &doc, std::ostream &out);

class EditScript
{
public:
    EditScript(std::int32_t width, std::ostream &out) : m_width(width), m_out(out) {}

    // Runs one command line (without its line end); false when it is no command of the language.
    bool Run(const std::string &line);

    const CWriteDoc &Document() const { return m_doc; }
    std::int32_t Width() const { return m_width; }
    // The position returned by the last insert, if any.
    const std::optional<DocPosition> &LastInsert() const { return m_lastInsert; }

private:
    bool Insert(std::string_view arguments);

    CWriteDoc m_doc;
    std::int32_t m_width;
    std::ostream &m_out;
    std::optional<DocPosition> m_lastInsert;
};
