// Writes an animated GIF (all frames, per-frame delays, endless loop) with giflib.
#pragma once
#include <QImage>
#include <QString>
#include <vector>

struct GifFrame
{
    QImage image;        // same size for every frame
    int delayHundredths; // frame delay in 1/100 s
};

// Frames are quantised to one shared palette of at most 256 colours; returns false on any error.
bool WriteAnimatedGif(const QString &path, const std::vector<GifFrame> &frames);
