// The texts of the contest's requirement panels: the second round's requirements built from the
// chosen topic, and the labelled lines whose labels the panels show in green.
#pragma once

#include "OperationsComposition.h"

#include <QString>
#include <string>
#include <vector>

class QTextEdit;

// "命题评委：%s\r\n\r\n文体：%s\r\n\r\n题目：%s\r\n\r\n创作要求：%s\r\n\r\n%s" with the topic's writer,
// type, title and desc and the round's supplementary text (GBK in, GBK out).
std::string SecondRoundRequirements(const ContestTopic &topic, const std::string &supinfo);

// The topic card's text: "文体：%s\r\n题目：%s\r\n创作要求：%s" (GBK).
std::string TopicCardText(const ContestTopic &topic);

// A label in a text: its first character and its length, in characters.
struct LabelSpan
{
    int start = 0;
    int length = 0;
    bool operator==(const LabelSpan &) const = default;
};

// The label of every line that holds the full-width colon "：": from the line's first character
// through the colon. Positions count characters, a double-byte character once, a line break
// ("\r\n", "\r" or "\n") as one position.
std::vector<LabelSpan> LabelSpans(const std::string &gbkText);

// The panel's text as shown: GBK to Unicode with every line break as one paragraph break, so the
// editor's positions are LabelSpans' positions.
QString PanelText(const std::string &gbkText);

// Puts the text into a read-only rich text and colours its labels #1E8439 (not bold, not
// underlined, the text's size); the rest keeps the editor's look. Leaves the text at its top.
void ShowRequirements(QTextEdit *edit, const std::string &gbkText);
