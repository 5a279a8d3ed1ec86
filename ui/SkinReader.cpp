// Skin layout reading: size and nesting checks before TinyXML parses, lookups by element name.
#include "SkinReader.h"

#include "xImage.h"

#include <tinyxml.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <vector>

int SkinAtoi(const char *text)
{
    if (!text)
        return 0;
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' || *text == '\v')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}

namespace {

SkinElement ReadElement(const TiXmlElement *e)
{
    SkinElement s;
    s.x = SkinAtoi(e->Attribute("x"));
    s.y = SkinAtoi(e->Attribute("y"));
    s.width = SkinAtoi(e->Attribute("width"));
    s.height = SkinAtoi(e->Attribute("height"));
    auto text = [e](const char *name) {
        const char *v = e->Attribute(name);
        return v ? std::string(v) : std::string();
    };
    s.normal = text("normal");
    s.up = text("up");
    s.down = text("down");
    s.disable = text("disable");
    s.img = text("img");
    return s;
}

// The skin is parsed as UTF-8, and TinyXML steps over a multi-byte character by the length its
// first byte announces without looking at the bytes it steps over: a sequence cut short by the
// end of the text sends it past the terminating null. So only well-formed UTF-8 is parsed.
bool IsWellFormedUtf8(const std::string &text)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        if (length == 0 || text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

std::optional<SkinElement> Wrap(const TiXmlElement *e)
{
    if (!e)
        return std::nullopt;
    return ReadElement(e);
}

// Index just past the terminator, or npos.
size_t SkipPast(const std::string &text, size_t from, const char *terminator)
{
    const size_t at = text.find(terminator, from);
    return at == std::string::npos ? at : at + std::strlen(terminator);
}

} // namespace

std::string SkinPath(const std::string &appFolder)
{
    return NormalisePicturePath(appFolder + "\\img\\skin.xml");
}

int CSkinReader::NestingDepth(const std::string &text)
{
    int depth = 0, deepest = 0;
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string::npos) {
        if (text.compare(i, 4, "<!--") == 0) {
            i = SkipPast(text, i + 4, "-->");
        } else if (text.compare(i, 9, "<![CDATA[") == 0) {
            i = SkipPast(text, i + 9, "]]>");
        } else if (text.compare(i, 2, "<?") == 0) {
            i = SkipPast(text, i + 2, "?>");
        } else if (text.compare(i, 2, "<!") == 0) {
            i = SkipPast(text, i + 2, ">");
        } else if (text.compare(i, 2, "</") == 0) {
            i = SkipPast(text, i + 2, ">");
            if (depth > 0)
                --depth;
        } else {
            // An opening tag: find its end outside quoted attribute values.
            char quote = 0;
            size_t j = i + 1;
            for (; j < text.size(); ++j) {
                const char c = text[j];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (j >= text.size())
                return -1;
            if (text[j - 1] != '/')
                deepest = std::max(deepest, ++depth);
            i = j + 1;
        }
        if (i == std::string::npos)
            return -1;
    }
    return deepest;
}

CSkinReader::CSkinReader() = default;
CSkinReader::~CSkinReader() = default;

bool CSkinReader::Load(const std::string &path)
{
    m_doc.reset();
    std::vector<unsigned char> bytes;
    if (!ReadPictureFile(path, bytes, kMaxBytes))
        return false;
    return Parse(std::string(bytes.begin(), bytes.end()));
}

bool CSkinReader::Parse(const std::string &text)
{
    m_doc.reset();
    if (text.size() > kMaxBytes || text.find('\0') != std::string::npos || !IsWellFormedUtf8(text))
        return false;
    const int depth = NestingDepth(text);
    if (depth < 0 || depth > kMaxDepth)
        return false;
    auto doc = std::make_unique<TiXmlDocument>();
    doc->Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (doc->Error() || !doc->RootElement())
        return false;
    m_doc = std::move(doc);
    return true;
}

bool CSkinReader::IsLoaded() const
{
    return m_doc != nullptr;
}

const TiXmlElement *CSkinReader::Root() const
{
    return m_doc ? m_doc->RootElement() : nullptr;
}

const TiXmlElement *CSkinReader::EnterElement() const
{
    const TiXmlElement *root = Root();
    const TiXmlElement *group = root ? root->FirstChildElement() : nullptr;
    return group ? group->FirstChildElement() : nullptr;
}

std::optional<SkinElement> CSkinReader::StartEnterButton() const
{
    return Wrap(EnterElement());
}

std::optional<SkinElement> CSkinReader::StartCheckBox() const
{
    const TiXmlElement *enter = EnterElement();
    return Wrap(enter ? enter->FirstChildElement("CheckBox") : nullptr);
}

std::optional<SkinElement> CSkinReader::StartText() const
{
    const TiXmlElement *enter = EnterElement();
    return Wrap(enter ? enter->FirstChildElement("Text") : nullptr);
}

std::optional<SkinElement> CSkinReader::RootChild(const char *name) const
{
    const TiXmlElement *root = Root();
    return Wrap(root ? root->FirstChildElement(name) : nullptr);
}

std::optional<SkinElement> CSkinReader::LoadPageChild(const char *name) const
{
    const TiXmlElement *root = Root();
    const TiXmlElement *page = root ? root->FirstChildElement("LoadPage") : nullptr;
    return Wrap(page ? page->FirstChildElement(name) : nullptr);
}
