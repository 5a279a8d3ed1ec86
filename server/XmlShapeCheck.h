// Counts the elements of an XML body and the attributes of each start tag as the bytes arrive,
// so that a request shaped to make the parser work hard is refused before it is parsed.
#pragma once

#include <cstddef>

class XmlShapeCheck
{
public:
    XmlShapeCheck(std::size_t maxElements, std::size_t maxAttributesPerElement);

    // Scans the next bytes of the body; false once a bound has been passed (and from then on).
    bool Feed(const char *data, std::size_t size);
    bool WithinBounds() const { return m_withinBounds; }
    std::size_t Elements() const { return m_elements; }

private:
    enum class State
    {
        Text,
        TagOpen,      // after '<'
        StartTagName, // the element's name
        InStartTag,   // between attributes
        AttributeValue,
        EndTag,
        Markup, // after "<!": a comment, CDATA or a declaration, not yet told apart
        Comment,
        CData,
        Declaration,
        Instruction, // "<?...?>"
    };
    void Step(char c);
    void CountAttribute();

    std::size_t m_maxElements;
    std::size_t m_maxAttributes;
    State m_state = State::Text;
    std::size_t m_elements = 0;
    std::size_t m_attributes = 0;  // of the current start tag
    bool m_afterSeparator = false; // the next name character begins a new attribute
    char m_quote = 0;
    char m_markup[7] = {}; // what follows "<!", to tell a comment from CDATA
    std::size_t m_markupLength = 0;
    char m_last[2] = {}; // the two bytes before, to find "-->", "]]>" and "?>"
    bool m_withinBounds = true;
};
