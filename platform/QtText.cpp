// GBK <-> QString through the program's own code page 936 conversion, so both directions agree
// with what goes on the wire.
#include "QtText.h"

#include "GbkText.h"

#include <QList>

QString GbkToQString(const std::string &gbk)
{
    const std::string utf8 = GbkToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string QStringToGbk(const QString &text)
{
    return Utf8ToGbk(text.toUtf8().toStdString());
}

std::string QStringToGbkDroppingUnmapped(const QString &text)
{
    // One conversion of the whole text, then a walk over its characters beside the bytes: a
    // character outside ASCII comes out as two bytes, as 0x80 (the euro sign), or as '?' when
    // GBK has no form for it.
    const std::string converted = QStringToGbk(text);
    const QList<uint> characters = text.toUcs4();
    std::string kept;
    kept.reserve(converted.size());
    std::size_t at = 0;
    for (const uint character : characters) {
        if (at >= converted.size())
            break;
        const auto lead = static_cast<unsigned char>(converted[at]);
        if (character < 0x80) {
            kept.push_back(converted[at++]);
        } else if (lead == '?') {
            ++at;
        } else if (lead == 0x80 || at + 1 >= converted.size()) {
            kept.push_back(converted[at++]);
        } else {
            kept.append(converted, at, 2);
            at += 2;
        }
    }
    return kept;
}

QString KeepGbkCharacters(const QString &text)
{
    return GbkToQString(QStringToGbkDroppingUnmapped(text));
}
