// RTF writer of the essay document.
#include "WordExport.h"

#include "AtomicFile.h"
#include "GbkText.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Long lines are broken between tokens; readers ignore the line ends inside RTF text.
constexpr std::size_t kLineBreakAfter = 200;

// Code points of a UTF-8 text that GbkToUtf8 produced (well formed by construction; anything
// else becomes U+FFFD rather than being trusted).
std::vector<char32_t> CodePoints(const std::string &utf8)
{
    std::vector<char32_t> points;
    points.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > utf8.size()) {
            points.push_back(0xFFFD);
            ++i;
            continue;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k)
            point = (point << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        points.push_back(point);
        i += length;
    }
    return points;
}

void AppendUnicodeEscape(std::string &out, char32_t unit)
{
    // RTF takes the code unit as a signed 16-bit number; "?" is what a reader without Unicode shows.
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "\\u%d?", static_cast<int>(static_cast<std::int16_t>(unit)));
    out += buffer;
}

void AppendCharacter(std::string &out, char32_t point)
{
    if (point == '\\' || point == '{' || point == '}') {
        out += '\\';
        out += static_cast<char>(point);
    } else if (point == '\t') {
        out += "\\tab ";
    } else if (point < 0x20 || point == 0x7F) {
        // no other control character belongs in a document
    } else if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point > 0xFFFF) {
        const char32_t value = point - 0x10000;
        AppendUnicodeEscape(out, 0xD800 + (value >> 10));
        AppendUnicodeEscape(out, 0xDC00 + (value & 0x3FF));
    } else {
        AppendUnicodeEscape(out, point);
    }
}

// The font table names the font in the document's own code page, as readers expect.
std::string HexEscaped(const std::string &bytes)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char byte : bytes) {
        out += "\\'";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
    }
    return out;
}

std::string Header()
{
    return "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang2052\\deflangfe2052\\uc1\r\n"
           "{\\fonttbl{\\f0\\fnil\\fcharset134 " +
           HexEscaped(Utf8ToGbk("宋体")) +
           ";}}\r\n"
           "\\paperw11906\\paperh16838\\margl1800\\margr1800\\margt1440\\margb1440\\viewkind1\r\n"
           // The title paragraph: centred, bold, 16 points.
           "\\pard\\qc\\sa240\\plain\\f0\\b\\fs32 ";
}

// Every paragraph after the title: left aligned, 12 points, one and a half lines apart.
const char kBodyParagraph[] = "\\par\r\n\\pard\\ql\\sl360\\slmult1\\plain\\f0\\fs24 ";
const char kNextParagraph[] = "\\par\r\n";

} // namespace

std::string BuildWordDocument(const std::string &gbkText)
{
    const std::vector<char32_t> points = CodePoints(GbkToUtf8(gbkText));
    std::string out = Header();
    out.reserve(out.size() + points.size() * 8 + 64);
    bool inTitle = true;
    std::size_t blankRun = 0;
    std::size_t lineStart = out.rfind('\n') + 1;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const char32_t point = points[i];
        if (point == '\r' || point == '\n') {
            if (point == '\r' && i + 1 < points.size() && points[i + 1] == '\n')
                ++i;
            out += inTitle ? kBodyParagraph : kNextParagraph;
            inTitle = false;
            blankRun = 0;
            lineStart = out.rfind('\n') + 1;
            continue;
        }
        // Some readers do not keep a run of literal blanks whole; every second blank of a run is
        // written as an escape, which they all read as one blank.
        blankRun = point == ' ' ? blankRun + 1 : 0;
        if (blankRun % 2 == 0 && blankRun > 0)
            out += "\\u32?";
        else
            AppendCharacter(out, point);
        if (out.size() - lineStart > kLineBreakAfter) {
            out += "\r\n";
            lineStart = out.size();
        }
    }
    out += "}\r\n";
    return out;
}

bool ExportWordDocument(const std::string &path, const std::string &gbkText, int *error)
{
    // A document the student saves is an ordinary file: readable by others as the umask allows.
    const int result = ReplaceFileAtomically(path, BuildWordDocument(gbkText), 0666);
    if (error != nullptr)
        *error = result;
    return result == 0;
}

const std::string &WordExportFailureMessage()
{
    static const std::string kMessage = Utf8ToGbk("\t  保存失败，请换一个位置再试！");
    return kMessage;
}
