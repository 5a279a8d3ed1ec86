// Keyword colour and line breaks of the corpus excerpts.
#include "CorpusMarkup.h"

#include "HtmlMarkup.h"

std::string WrapKeyword(const std::string &gbkText, const std::string &gbkKeyword)
{
    if (gbkKeyword.empty())
        return gbkText;
    std::string out;
    out.reserve(gbkText.size());
    std::size_t pos = 0;
    while (pos < gbkText.size()) {
        if (gbkText[pos] == '<') {
            if (const auto tag = ReadMarkupTag(gbkText, pos)) {
                out.append(gbkText, pos, tag->length);
                pos += tag->length;
                continue;
            }
        }
        if (gbkText.compare(pos, gbkKeyword.size(), gbkKeyword) == 0) {
            out += kKeywordOpenTag;
            out += gbkKeyword;
            out += kKeywordCloseTag;
            pos += gbkKeyword.size();
            continue;
        }
        const std::size_t length = MarkupCharLength(gbkText, pos);
        out.append(gbkText, pos, length);
        pos += length;
    }
    return out;
}

std::string InsertLineBreaks(const std::string &gbkText, std::size_t every)
{
    std::string out;
    out.reserve(gbkText.size() + gbkText.size() / (every ? every : 1) * 4);
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < gbkText.size()) {
        if (gbkText[pos] == '<') {
            if (const auto tag = ReadMarkupTag(gbkText, pos)) {
                // A line that already ends here starts the count again.
                if (!tag->closing && (tag->tag == MarkupTag::Break || tag->tag == MarkupTag::Paragraph))
                    count = 0;
                out.append(gbkText, pos, tag->length);
                pos += tag->length;
                continue;
            }
        }
        const std::size_t length = MarkupCharLength(gbkText, pos);
        out.append(gbkText, pos, length);
        pos += length;
        count += length;
        if (every != 0 && count >= every) {
            out += "<br>";
            count = 0;
        }
    }
    return out;
}

std::string BoundedExcerpt(const std::string &gbkText, std::size_t limit)
{
    if (gbkText.size() <= limit)
        return gbkText;
    std::size_t pos = 0;
    while (pos < gbkText.size()) {
        const std::size_t length = MarkupCharLength(gbkText, pos);
        if (pos + length > limit)
            break;
        pos += length;
    }
    return gbkText.substr(0, pos);
}

std::string LineBreaksAsMarkup(const std::string &gbkText)
{
    std::string out;
    out.reserve(gbkText.size());
    for (std::size_t pos = 0; pos < gbkText.size(); ++pos) {
        const char c = gbkText[pos];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && pos + 1 < gbkText.size() && gbkText[pos + 1] == '\n')
                ++pos;
            out += "<br>";
        } else {
            out += c; // CR and LF are never the second byte of a character
        }
    }
    return out;
}

std::string MarkUpExcerpt(const std::string &gbkText, const std::string &gbkKeyword)
{
    return InsertLineBreaks(WrapKeyword(LineBreaksAsMarkup(BoundedExcerpt(gbkText)), gbkKeyword));
}
