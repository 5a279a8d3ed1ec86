// Fuzz target: the composition-paper layout of an untrusted essay (first byte: the sheet; then the
// title up to the first LF and the body, as bytes that need not be UTF-8), with the shape of the
// pages, the count marks and the character count checked.
#include "PaperLayout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckLayout(const PaperLayout &layout, const std::string &body)
{
    Require(!layout.pages.empty());
    const auto columns = static_cast<std::size_t>(layout.grid.columns);
    const auto rows = static_cast<std::size_t>(layout.grid.rows);
    for (const PaperPage &page : layout.pages) {
        Require(page.rows.size() == rows);
        for (const PaperRow &row : page.rows) {
            Require(row.size() == columns);
            for (const PaperCell &cell : row)
                Require(cell.text.size() <= 2);
        }
    }
    int last = 0;
    for (const PaperCountMark &mark : layout.countMarks) {
        Require(mark.count == last + 100);
        Require(mark.page >= 0 && mark.page < static_cast<int>(layout.pages.size()));
        Require(mark.row >= 0 && mark.row < layout.grid.rows);
        Require(mark.column >= 0 && mark.column < layout.grid.columns);
        last = mark.count;
    }
    Require(layout.characterCount == CountPaperCharacters(DecodeUtf8(body)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0 || size > 20000)
        return 0;
    const PaperGrid grid = CommonPaperGrids()[data[0] % CommonPaperGrids().size()];
    const std::string rest(reinterpret_cast<const char *>(data + 1), size - 1);
    const std::size_t lineEnd = rest.find('\n');
    const std::string title = rest.substr(0, lineEnd);
    const std::string body = lineEnd == std::string::npos ? std::string() : rest.substr(lineEnd + 1);
    CheckLayout(LayOutPaper(title, body, grid), body);
    return 0;
}
