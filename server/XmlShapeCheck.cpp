// Element and attribute counting over a request body, one byte at a time.
#include "XmlShapeCheck.h"

#include <cstring>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

constexpr char kCDataOpen[] = "[CDATA[";

} // namespace

XmlShapeCheck::XmlShapeCheck(std::size_t maxElements, std::size_t maxAttributesPerElement)
    : m_maxElements(maxElements), m_maxAttributes(maxAttributesPerElement)
{
}

bool XmlShapeCheck::Feed(const char *data, std::size_t size)
{
    for (std::size_t i = 0; i < size && m_withinBounds; ++i)
        Step(data[i]);
    return m_withinBounds;
}

void XmlShapeCheck::CountAttribute()
{
    if (++m_attributes > m_maxAttributes)
        m_withinBounds = false;
}

void XmlShapeCheck::Step(char c)
{
    const bool closesAfter = [&] {
        switch (m_state) {
        case State::Comment:
            return c == '>' && m_last[0] == '-' && m_last[1] == '-';
        case State::CData:
            return c == '>' && m_last[0] == ']' && m_last[1] == ']';
        case State::Instruction:
            return c == '>' && m_last[1] == '?';
        default:
            return false;
        }
    }();
    m_last[0] = m_last[1];
    m_last[1] = c;
    if (closesAfter) {
        m_state = State::Text;
        return;
    }
    switch (m_state) {
    case State::Text:
        if (c == '<')
            m_state = State::TagOpen;
        break;
    case State::TagOpen:
        if (c == '/') {
            m_state = State::EndTag;
        } else if (c == '?') {
            m_state = State::Instruction;
            m_last[1] = 0; // "<?>" does not close itself
        } else if (c == '!') {
            m_state = State::Markup;
            m_markupLength = 0;
        } else {
            if (++m_elements > m_maxElements)
                m_withinBounds = false;
            m_attributes = 0;
            m_state = c == '>' ? State::Text : State::StartTagName;
        }
        break;
    case State::StartTagName:
        if (c == '>')
            m_state = State::Text;
        else if (IsBlank(c) || c == '/') {
            m_state = State::InStartTag;
            m_afterSeparator = true;
        }
        break;
    case State::InStartTag:
        if (c == '>') {
            m_state = State::Text;
        } else if (c == '"' || c == '\'') {
            m_quote = c;
            m_state = State::AttributeValue;
        } else if (IsBlank(c) || c == '/') {
            m_afterSeparator = true;
        } else if (c == '=') {
            m_afterSeparator = false;
        } else if (m_afterSeparator) {
            // A name with or without a value: either way the parser has one more to look at.
            CountAttribute();
            m_afterSeparator = false;
        }
        break;
    case State::AttributeValue:
        if (c == m_quote) {
            m_state = State::InStartTag;
            m_afterSeparator = true;
        }
        break;
    case State::EndTag:
    case State::Declaration:
        if (c == '>')
            m_state = State::Text;
        break;
    case State::Markup:
        m_markup[m_markupLength++] = c;
        if (m_markupLength == 2 && m_markup[0] == '-' && m_markup[1] == '-') {
            m_state = State::Comment;
            m_last[0] = m_last[1] = 0; // "<!-->" does not close itself
        } else if (std::memcmp(m_markup, kCDataOpen, m_markupLength) == 0) {
            if (m_markupLength == sizeof kCDataOpen - 1) {
                m_state = State::CData;
                m_last[0] = m_last[1] = 0;
            }
        } else if (!(m_markupLength == 1 && m_markup[0] == '-')) {
            m_state = c == '>' ? State::Text : State::Declaration;
        }
        break;
    case State::Comment:
    case State::CData:
    case State::Instruction:
        break;
    }
}
