// Artwork generator: paints every picture of the interface into <output>/img (default: ./img).
#include <QDir>
#include <QFileInfo>
#include <QDirIterator>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <cstdio>

#include "ArtPainter.h"

namespace art {
void PaintFaces();
void PaintScreens();
void ProgramIcons();
} // namespace art

namespace {
QString g_output;
}

QString OutputPath(const QString &relative)
{
    const QString path = g_output + "/" + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}

// Review aid: lays every small picture of a folder out on one PNG sheet with its name, on a checker
// background so transparency shows; big pictures are converted to PNG beside the sheet.
int WriteSheet(const QString &dir, const QString &out)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    QImage sheet(1400, 2200, QImage::Format_RGB32);
    sheet.fill(QColor(90, 90, 96));
    QPainter p(&sheet);
    p.setFont(art::SansFont(11));
    int x = 8, y = 8, rowH = 0;
    for (const QString &f : files) {
        QImage img = QImageReader(f).read();
        if (img.isNull())
            continue;
        if (img.width() > 400) {
            img.save(out + "." + QFileInfo(f).fileName() + ".png");
            continue;
        }
        const int w = qMax(img.width(), 120), h = img.height() + 16;
        if (x + w > sheet.width()) {
            x = 8;
            y += rowH + 10;
            rowH = 0;
        }
        for (int cy = 0; cy < img.height(); cy += 6)
            for (int cx = 0; cx < img.width(); cx += 6)
                p.fillRect(x + cx, y + cy, qMin(6, img.width() - cx), qMin(6, img.height() - cy),
                           ((cx + cy) / 6) % 2 ? QColor(200, 200, 200) : QColor(235, 235, 235));
        p.drawImage(x, y, img);
        p.setPen(Qt::white);
        p.drawText(x, y + img.height() + 12, QDir(dir).relativeFilePath(f));
        x += w + 12;
        rowH = qMax(rowH, h);
    }
    p.end();
    return sheet.copy(0, 0, 1400, qMin(2200, y + rowH + 10)).save(out) ? 0 : 1;
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    if (argc == 4 && QString(argv[1]) == "--sheet")
        return WriteSheet(argv[2], argv[3]);
    g_output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    art::SetOutputRoot(g_output);
    // Every picture at 1× for 100 % screens, then the same drawing at 2× ("name@2x.png") for
    // high-density ones; the 1× files do not depend on the second pass.
    for (int scale : {1, 2}) {
        art::SetScale(scale);
        art::PaintFaces();
        art::PaintScreens();
    }
    art::SetScale(1);
    art::ProgramIcons();
    std::printf("artwork: %d pictures and two animations written under %s/img\n", art::SavedCount(), qPrintable(g_output));
    return 0;
}
