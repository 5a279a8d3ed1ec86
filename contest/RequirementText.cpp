// Requirement texts and their green labels.
#include "RequirementText.h"

#include "GbkText.h"
#include "QtText.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

namespace {

// "：" in GBK.
constexpr unsigned char kColonLead = 0xA3;
constexpr unsigned char kColonTrail = 0xBA;

std::string Fill(const char *utf8Format, const std::vector<std::string> &values)
{
    // The format's own words are UTF-8 in the source; the values are GBK already.
    const std::string format = Utf8ToGbk(utf8Format);
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            out += next < values.size() ? values[next++] : std::string();
            ++i;
        } else {
            out.push_back(format[i]);
        }
    }
    return out;
}

} // namespace

std::string SecondRoundRequirements(const ContestTopic &topic, const std::string &supinfo)
{
    return Fill("命题评委：%s\r\n\r\n文体：%s\r\n\r\n题目：%s\r\n\r\n创作要求：%s\r\n\r\n%s",
                {topic.writer, topic.type, topic.title, topic.desc, supinfo});
}

std::string TopicCardText(const ContestTopic &topic)
{
    return Fill("文体：%s\r\n题目：%s\r\n创作要求：%s", {topic.type, topic.title, topic.desc});
}

std::vector<LabelSpan> LabelSpans(const std::string &text)
{
    std::vector<LabelSpan> spans;
    int position = 0;
    int lineStart = 0;
    bool labelled = false;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte == '\r' || byte == '\n') {
            i += (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            ++position;
            lineStart = position;
            labelled = false;
            continue;
        }
        const bool pair = IsGbkLeadByte(byte) && i + 1 < text.size();
        if (!labelled && pair && byte == kColonLead && static_cast<unsigned char>(text[i + 1]) == kColonTrail) {
            spans.push_back({lineStart, position + 1 - lineStart});
            labelled = true;
        }
        i += pair ? 2 : 1;
        ++position;
    }
    return spans;
}

QString PanelText(const std::string &gbkText)
{
    QString text = GbkToQString(gbkText);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void ShowRequirements(QTextEdit *edit, const std::string &gbkText)
{
    edit->setReadOnly(true);
    edit->setPlainText(PanelText(gbkText));
    QTextCharFormat label;
    label.setForeground(QColor(0x1E, 0x84, 0x39));
    label.setFontWeight(QFont::Normal);
    label.setFontUnderline(false);
    for (const LabelSpan &span : LabelSpans(gbkText)) {
        QTextCursor cursor(edit->document());
        cursor.setPosition(span.start);
        cursor.setPosition(span.start + span.length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(label);
    }
    // The caret at the start leaves the text scrolled to its top (no selection is painted over
    // the first label).
    edit->setTextCursor(QTextCursor(edit->document()));
    edit->ensureCursorVisible();
}
