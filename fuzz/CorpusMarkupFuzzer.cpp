// Fuzz target: an excerpt's text and keyword from the service, marked up for the corpus panel
// (keyword in green, line breaks every 34 visible bytes) and laid out as the list draws it.
#include "CorpusMarkup.h"
#include "HtmlMarkup.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Measuring text needs the font database of a GUI application; the offscreen platform
    // gives one without a display.
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says how long the keyword is; the keyword comes next, then the excerpt.
    const std::size_t keywordLength = std::min<std::size_t>(data[0] % 16, size - 1);
    const std::string keyword(reinterpret_cast<const char *>(data + 1), keywordLength);
    const std::string text(reinterpret_cast<const char *>(data + 1 + keywordLength), size - 1 - keywordLength);

    const std::string bounded = BoundedExcerpt(text, 512);
    if (bounded.size() > 512 || text.compare(0, bounded.size(), bounded) != 0)
        std::abort(); // the cut must be a prefix within the bound

    const std::string marked = MarkUpExcerpt(text, keyword);
    const std::string broken = InsertLineBreaks(text);
    QFont font(QStringLiteral("Noto Serif CJK SC"));
    font.setPixelSize(14);
    const MarkupLayout layout = LayoutMarkup(marked, font, QColor(0, 0, 0), 300);
    const MarkupLayout plain = LayoutMarkup(broken, font, QColor(0, 0, 0), 300);
    if (layout.height < 0 || plain.height < 0 || layout.lines < 0)
        std::abort();
    for (const MarkupRun &run : layout.runs)
        if (run.x < 0)
            std::abort(); // nothing is drawn left of the item
    return 0;
}
