// Fuzz target: the essay document under an edit script (one command a line, the essay-tool edit
// language, starting at width 8), with the rows' invariants checked after every command.
#include "EditScript.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

namespace {

constexpr std::int32_t kStartWidth = 8;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// After a reflow every row fits the width and a paragraph mark can only end a row; the text is
// the one before.
void CheckFlowed(const CWriteDoc &doc, std::int32_t width, const std::string &textBefore)
{
    const std::size_t limit = static_cast<std::size_t>(std::max(width, CWriteDoc::kMinRowWidth));
    for (const std::string &row : doc.Rows()) {
        Require(row.size() <= limit);
        const std::size_t mark = row.find(CWriteDoc::kParagraphMark);
        Require(mark == std::string::npos || mark + 1 == row.size());
    }
    Require(doc.GetText() == textBefore);
}

// Text the program can hold: every lead byte has a GBK trail byte after it. The service's texts
// and the clipboard arrive converted from Unicode, and the view inserts whole characters; only a
// script's raw bytes (\xHH) can leave a lead byte alone, and then no caret rule can hold.
bool WholeCharacters(const std::string &text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!BeginsDoubleByte(static_cast<unsigned char>(text[i])))
            continue;
        if (++i == text.size())
            return false;
        const auto trail = static_cast<unsigned char>(text[i]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF)
            return false;
    }
    return true;
}

// An insertion adds exactly its bytes and leaves the caret inside the rows, on a character
// start when the text is whole characters.
void CheckInserted(const EditScript &script, std::size_t sizeBefore, std::size_t inserted)
{
    const CWriteDoc &doc = script.Document();
    const std::string text = doc.GetText();
    Require(text.size() == sizeBefore + inserted);
    const DocPosition &caret = *script.LastInsert();
    Require(caret.row >= 0 && caret.row < doc.RowCount());
    const std::string &row = doc.Rows()[static_cast<std::size_t>(caret.row)];
    Require(caret.column >= 0 && static_cast<std::size_t>(caret.column) <= row.size());
    if (WholeCharacters(text))
        Require(CWriteDoc::ClassifyByte(row, caret.column) != ByteClass::SecondByte);
}

std::size_t InsertedBytes(std::string_view line)
{
    // "insert ROW COL TEXT": the text after the third space.
    std::size_t at = 0;
    for (int spaces = 0; spaces < 3; ++spaces) {
        at = line.find(' ', at);
        if (at == std::string_view::npos)
            return 0;
        ++at;
    }
    const auto text = DecodeScriptText(line.substr(at));
    return text ? text->size() : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::ostringstream printed;
    EditScript script(kStartWidth, printed);
    std::string_view input(reinterpret_cast<const char *>(data), size);
    while (!input.empty()) {
        const std::size_t end = std::min(input.find('\n'), input.size());
        const std::string line(input.substr(0, end));
        input.remove_prefix(std::min(end + 1, input.size()));

        const std::string before = script.Document().GetText();
        if (!script.Run(line))
            continue;
        const CWriteDoc &doc = script.Document();
        Require(doc.RowCount() >= 1);
        if (line.rfind("reflow ", 0) == 0)
            CheckFlowed(doc, script.Width(), before);
        else if (line.rfind("insert ", 0) == 0)
            CheckInserted(script, before.size(), InsertedBytes(line));
        printed.str({});
    }
    return 0;
}
