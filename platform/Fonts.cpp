// The face substitution table and font helpers.
#include "Fonts.h"

#include <QFontMetrics>

namespace {

struct FaceSubstitution
{
    const char *face;        // UTF-8, as the windows name it
    const char *families[3]; // installed families, best first
};

// "宋体" (a serif CJK face) and "微软雅黑" (a sans CJK face) come from the Noto CJK fonts, with
// AR PL UMing behind the serif; "Tahoma" is a sans Latin face.
const FaceSubstitution kSubstitutions[] = {
    {"宋体", {"Noto Serif CJK SC", "AR PL UMing CN", nullptr}},
    {"微软雅黑", {"Noto Sans CJK SC", "Noto Serif CJK SC", nullptr}},
    {"Tahoma", {"DejaVu Sans", nullptr, nullptr}},
};

// Families whose Latin letters are exactly half their ideograph's width, for faces whose installed
// substitutes break that rule. "AR PL UMing CN" keeps it too and stands behind.
const FaceSubstitution kHalfWidthSubstitutions[] = {
    {"宋体", {"Noto Sans Mono CJK SC", "AR PL UMing CN", nullptr}},
    {"微软雅黑", {"Noto Sans Mono CJK SC", nullptr, nullptr}},
};

QStringList FamiliesFrom(const FaceSubstitution &entry)
{
    QStringList families;
    for (const char *family : entry.families) {
        if (family)
            families << QString::fromUtf8(family);
    }
    return families;
}

QFont FontOf(const QStringList &families, int pixelHeight, int weight)
{
    QFont font;
    font.setFamilies(families);
    font.setPixelSize(pixelHeight > 0 ? pixelHeight : 12);
    font.setWeight(static_cast<QFont::Weight>(weight > 0 ? weight : kFontWeightNormal));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace

QStringList SubstituteFamilies(const QString &face)
{
    for (const FaceSubstitution &entry : kSubstitutions) {
        if (face.compare(QString::fromUtf8(entry.face), Qt::CaseInsensitive) == 0)
            return FamiliesFrom(entry);
    }
    return {face};
}

QFont MakeFont(const QString &face, int pixelHeight, int weight)
{
    return FontOf(SubstituteFamilies(face), pixelHeight, weight);
}

QFont MakeHalfWidthFont(const QString &face, int pixelHeight, int weight)
{
    for (const FaceSubstitution &entry : kHalfWidthSubstitutions) {
        if (face.compare(QString::fromUtf8(entry.face), Qt::CaseInsensitive) == 0)
            return FontOf(FamiliesFrom(entry), pixelHeight, weight);
    }
    return MakeFont(face, pixelHeight, weight);
}

int AverageCharWidth(const QFont &font)
{
    const QFontMetrics metrics(font);
    const int average = metrics.averageCharWidth();
    // The installed CJK fonts state the full-width cell as their average; the designed CJK faces
    // state the half-width cell, on which every layout rule of the program counts (a double-byte
    // character is two averages wide). Such a font's average is half its ideograph advance.
    const QChar ideograph(0x4E2D);
    const int fullWidth = metrics.inFont(ideograph) ? metrics.horizontalAdvance(ideograph) : 0;
    if (fullWidth > 1 && average >= fullWidth)
        return fullWidth / 2;
    return average;
}
