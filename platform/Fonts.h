// Fonts by the designed face names and pixel heights, with the one substitution table that maps
// those faces onto fonts installed here.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// Weights as the original platform numbers them (400 normal, 700 bold); 0 means normal.
constexpr int kFontWeightNormal = 400;
constexpr int kFontWeightBold = 700;

// A font of the named face (for example "宋体" or "Tahoma") whose characters are pixelHeight
// pixels high.
QFont MakeFont(const QString &face, int pixelHeight, int weight = kFontWeightNormal);

// The installed families tried, in order, for a designed face; an unknown face is tried as itself.
QStringList SubstituteFamilies(const QString &face);

// The font a grid of byte cells draws the face's half-width (single-byte) characters with. The
// designed CJK faces give every Latin letter exactly half an ideograph's width; the installed
// serif CJK face does not (its Latin letters are proportional), so a text laid out one letter per
// half cell needs a face whose Latin letters keep that rule. Other faces are their own.
QFont MakeHalfWidthFont(const QString &face, int pixelHeight, int weight = kFontWeightNormal);

// The font's average character width in pixels, the unit of the program's text layout rules:
// the font's own average, except for a CJK font whose stated average is its full-width cell,
// where it is half that cell (as the designed CJK faces state it: 6 for "宋体" at 12 pixels).
int AverageCharWidth(const QFont &font);
