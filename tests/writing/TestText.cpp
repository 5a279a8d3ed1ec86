// Helpers of the writing tests.
#include "TestText.h"

#include <string_view>

#include "GbkText.h"

namespace {

constexpr std::string_view kMarkSign = "¶";

} // namespace

std::string G(const std::string &utf8)
{
    std::string text;
    for (std::size_t i = 0; i < utf8.size();) {
        if (std::string_view(utf8).substr(i, kMarkSign.size()) == kMarkSign) {
            text.push_back('\r');
            i += kMarkSign.size();
        } else {
            text.push_back(utf8[i++]);
        }
    }
    return Utf8ToGbk(text);
}

std::string DumpRows(const std::vector<std::string> &rows)
{
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0)
            out.push_back('|');
        for (char byte : GbkToUtf8(rows[i])) {
            if (byte == '\r')
                out.append(kMarkSign);
            else
                out.push_back(byte);
        }
    }
    return out;
}

std::string DumpRows(const CWriteDoc &doc) { return DumpRows(doc.Rows()); }

std::string DumpMarks(const KeywordMarks &marks)
{
    std::string out;
    for (const auto &[key, id] : marks.Entries()) {
        if (!out.empty())
            out.push_back(' ');
        out.append(std::to_string(key & 0xFFFFu));
        out.push_back(':');
        out.append(std::to_string(key >> 16));
        out.push_back('=');
        out.append(std::to_string(id));
    }
    return out;
}
