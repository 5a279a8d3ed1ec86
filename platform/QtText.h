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
