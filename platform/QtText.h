// The one pair of conversions between the program's GBK text and the QString of the widgets.
#pragma once

#include <QString>
#include <string>

QString GbkToQString(const std::string &gbk);
std::string QStringToGbk(const QString &text);
