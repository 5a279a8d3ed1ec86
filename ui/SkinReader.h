// Reader of img/skin.xml, the layout of the start-up and sign-in screens, over TinyXML 1.
#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

class TiXmlDocument;
class TiXmlElement;

// One element of the skin: a position, and for buttons the four face files (relative to img/).
struct SkinElement
{
    int x = 0, y = 0, width = 0, height = 0;
    std::string normal, up, down, disable; // button faces; empty for a position element
    std::string img;                       // LoadPage's background
};

// Decimal number read the way atoi reads it: leading blanks, optional sign, digits up to the first
// other character; no digits gives 0. Values beyond int saturate instead of overflowing.
int SkinAtoi(const char *text);

class CSkinReader
{
public:
    static constexpr size_t kMaxBytes = size_t(1) << 20;
    static constexpr int kMaxDepth = 64;

    CSkinReader();
    ~CSkinReader();

    // Reads and parses the file; false when missing, unreadable, over 1 MiB, not UTF-8, nested
    // deeper than 64 elements (all checked before TinyXML sees it) or not well formed.
    bool Load(const std::string &path);
    bool Parse(const std::string &text);
    bool IsLoaded() const;

    // The start-up screen's group is the root's first child element whatever its name; its first
    // child element is the enter button, whose children CheckBox and Text follow.
    std::optional<SkinElement> StartEnterButton() const;
    std::optional<SkinElement> StartCheckBox() const;
    std::optional<SkinElement> StartText() const;
    // Elements under the root (LoadPage, Pic_Login) and under LoadPage (all sign-in controls).
    std::optional<SkinElement> RootChild(const char *name) const;
    std::optional<SkinElement> LoadPageChild(const char *name) const;

    // Deepest element nesting of an XML text, comments, declarations and CDATA skipped; -1 when a
    // tag never ends.
    static int NestingDepth(const std::string &text);

private:
    const TiXmlElement *Root() const;
    const TiXmlElement *EnterElement() const;

    std::unique_ptr<TiXmlDocument> m_doc;
};

// The skin's path under a program folder: folder + "\img\skin.xml".
std::string SkinPath(const std::string &appFolder);
