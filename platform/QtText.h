// The one pair of conversions between the program's GBK text and the QString of the widgets.
#pragma once

#include <QString>
#include <string>

QString GbkToQString(const std::string &gbk);
std::string QStringToGbk(const QString &text);

// QStringToGbk for text typed or pasted into an essay: a character that GBK cannot hold (an
// emoji, a rare character, a broken surrogate) is left out instead of becoming '?', so the
// rest of the text goes in unchanged and the essay never holds a character nobody typed.
std::string QStringToGbkDroppingUnmapped(const QString &text);

// The text with every character GBK cannot hold left out (the same rule as above, for text that
// stays in a field): what a field shows is then what is stored and sent.
QString KeepGbkCharacters(const QString &text);
