// Shared palette, fonts, file output and drawing primitives of the artwork generator.
#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <functional>

namespace art {

// The product's palette.
inline const QColor kCream{0xF6, 0xF8, 0xE3};
inline const QColor kGreen{0x1D, 0xAA, 0x39};
inline const QColor kGreenMid{0x29, 0x9F, 0x3A};
inline const QColor kGreenDark{0x0E, 0x80, 0x3B};
inline const QColor kGreenDeep{0x21, 0x84, 0x39};
inline const QColor kGrey{0x9E, 0x9E, 0xA0};
inline const QColor kPale{0xA3, 0xD3, 0xAB};
inline const QColor kInk{0x3E, 0x3A, 0x39};

enum class Face
{
    Normal,
    Hover,
    Pressed,
    Disabled
};
enum class Tone
{
    Green,
    Light
};

// Draws an icon into the given square, in the given colour.
using IconFn = std::function<void(QPainter &, const QRectF &, const QColor &)>;

QFont SansFont(int pixelSize, bool bold = false);
QFont SerifFont(int pixelSize, bool bold = false);

// Pictures are painted once per scale: at 1 for 100 % screens, at 2 for high-density ones. A canvas
// carries the scale as its device pixel ratio, so every drawing below stays in the 1× coordinates
// and the painter puts twice the detail into a 2× canvas.
void SetScale(int scale);
int Scale();
// An empty picture of w × h (1× pixels) at the current scale.
QImage Canvas(int w, int h, const QColor &fill = Qt::transparent);
QImage Canvas(int w, int h, QImage::Format format, const QColor &fill);
// The file name of a picture at the current scale: "x.png" at 1, "x@2x.png" at 2.
QString ScaledName(const QString &relative);
void BeginPainter(QPainter &p, QImage &img);

// Writes the image under the output folder; the format follows the file name's extension.
void Save(const QImage &img, const QString &relative);
void SetOutputRoot(const QString &root);
int SavedCount();

// A rounded push-button face with optional icon and caption, for one state.
QImage PillFace(int w, int h, const QString &caption, Face face, Tone tone = Tone::Green, const IconFn &icon = nullptr,
                int radius = -1);
// Saves normal/hover/pressed faces under the given names (empty name = skip).
void PillSet(int w, int h, const QString &caption, const QStringList &names, Tone tone = Tone::Green,
             const IconFn &icon = nullptr, const QColor &jpegBack = kCream);

void DrawCentredText(QPainter &p, const QRectF &r, const QString &text, const QFont &f, const QColor &c);

// Icons.
void IconMinimise(QPainter &, const QRectF &, const QColor &);
void IconMaximise(QPainter &, const QRectF &, const QColor &);
void IconRestore(QPainter &, const QRectF &, const QColor &);
void IconClose(QPainter &, const QRectF &, const QColor &);
void IconBack(QPainter &, const QRectF &, const QColor &);
void IconUndo(QPainter &, const QRectF &, const QColor &);
void IconRedo(QPainter &, const QRectF &, const QColor &);
void IconSearch(QPainter &, const QRectF &, const QColor &);
void IconTrash(QPainter &, const QRectF &, const QColor &);
void IconUp(QPainter &, const QRectF &, const QColor &);
void IconPen(QPainter &, const QRectF &, const QColor &);
void IconBook(QPainter &, const QRectF &, const QColor &);
void IconHome(QPainter &, const QRectF &, const QColor &);
void IconUser(QPainter &, const QRectF &, const QColor &);
void IconTrophy(QPainter &, const QRectF &, const QColor &);
void IconStar(QPainter &, const QRectF &, const QColor &);
void IconPhone(QPainter &, const QRectF &, const QColor &);
void IconMail(QPainter &, const QRectF &, const QColor &);
void IconCheck(QPainter &, const QRectF &, const QColor &);
void IconLock(QPainter &, const QRectF &, const QColor &);
void IconDisk(QPainter &, const QRectF &, const QColor &);
void IconInfo(QPainter &, const QRectF &, const QColor &);
void IconClock(QPainter &, const QRectF &, const QColor &);
void IconChevron(QPainter &, const QRectF &, const QColor &);

} // namespace art
