// GBK <-> QString through the program's own code page 936 conversion, so both directions agree
// with what goes on the wire.
#include "QtText.h"

#include "GbkText.h"

QString GbkToQString(const std::string &gbk)
{
    const std::string utf8 = GbkToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string QStringToGbk(const QString &text)
{
    return Utf8ToGbk(text.toUtf8().toStdString());
}
