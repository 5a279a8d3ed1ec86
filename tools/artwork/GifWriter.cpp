// Animated GIF output through giflib: one global palette, a graphics control block per frame.
#include "GifWriter.h"

#include <gif_lib.h>

#include <map>

namespace {

using Palette = std::vector<QRgb>;

// Collects the distinct colours; when there are too many, keeps a 6x7x6 colour cube instead.
Palette BuildPalette(const std::vector<GifFrame> &frames)
{
    std::map<QRgb, int> seen;
    for (const auto &f : frames)
        for (int y = 0; y < f.image.height(); ++y)
            for (int x = 0; x < f.image.width(); ++x)
                seen[f.image.pixel(x, y) | 0xff000000u] = 0;
    Palette palette;
    if (seen.size() <= 256) {
        for (const auto &kv : seen)
            palette.push_back(kv.first);
        return palette;
    }
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back(qRgb(r * 51, g * 42, b * 51));
    return palette;
}

int Nearest(const Palette &palette, QRgb c)
{
    int best = 0;
    long bestDist = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        const long dr = qRed(c) - qRed(palette[i]), dg = qGreen(c) - qGreen(palette[i]), db = qBlue(c) - qBlue(palette[i]);
        const long d = dr * dr + dg * dg + db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

bool PutLoopExtension(GifFileType *gif)
{
    unsigned char app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    unsigned char loop[] = {1, 0, 0}; // sub-block 1, loop count 0 = forever
    return EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
           EGifPutExtensionBlock(gif, sizeof app, app) == GIF_OK && EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_OK &&
           EGifPutExtensionTrailer(gif) == GIF_OK;
}

} // namespace

bool WriteAnimatedGif(const QString &path, const std::vector<GifFrame> &frames)
{
    if (frames.empty())
        return false;
    const Palette palette = BuildPalette(frames);
    int bits = 1;
    while ((1 << bits) < static_cast<int>(palette.size()))
        ++bits;
    std::vector<GifColorType> colours(1u << bits);
    for (size_t i = 0; i < palette.size(); ++i)
        colours[i] = {static_cast<GifByteType>(qRed(palette[i])), static_cast<GifByteType>(qGreen(palette[i])),
                      static_cast<GifByteType>(qBlue(palette[i]))};
    int error = 0;
    GifFileType *gif = EGifOpenFileName(path.toLocal8Bit().constData(), false, &error);
    if (!gif)
        return false;
    EGifSetGifVersion(gif, true);
    ColorMapObject *map = GifMakeMapObject(1 << bits, colours.data());
    const int w = frames[0].image.width(), h = frames[0].image.height();
    bool ok = EGifPutScreenDesc(gif, w, h, bits, 0, map) == GIF_OK && PutLoopExtension(gif);
    std::map<QRgb, int> cache;
    for (const auto &frame : frames) {
        if (!ok)
            break;
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_DO_NOT;
        gcb.DelayTime = frame.delayHundredths;
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType ext[4];
        const size_t len = EGifGCBToExtension(&gcb, ext);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
        std::vector<GifPixelType> line(w);
        for (int y = 0; ok && y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const QRgb c = frame.image.pixel(x, y) | 0xff000000u;
                auto it = cache.find(c);
                if (it == cache.end())
                    it = cache.emplace(c, Nearest(palette, c)).first;
                line[x] = static_cast<GifPixelType>(it->second);
            }
            ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
        }
    }
    GifFreeMapObject(map);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}
