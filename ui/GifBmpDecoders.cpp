// GIF (giflib, every frame composed with its delay and disposal) and BMP decoding for CxImage.
#include "ImageDecoders.h"

#include "xImage.h"

#include <gif_lib.h>

#include <QBuffer>
#include <QImageReader>
#include <cstring>

namespace {

struct GifSource
{
    const unsigned char *data;
    size_t size;
    size_t pos;
};

int GifRead(GifFileType *gif, GifByteType *out, int length)
{
    auto *src = static_cast<GifSource *>(gif->UserData);
    if (length < 0)
        return 0;
    const size_t n = std::min(size_t(length), src->size - src->pos);
    std::memcpy(out, src->data + src->pos, n);
    src->pos += n;
    return static_cast<int>(n);
}

struct GifControl
{
    int delay = 0;
    int disposal = DISPOSAL_UNSPECIFIED;
    int transparent = NO_TRANSPARENT_COLOR;
};

// Reads the raster of one image descriptor into colour indices, deinterlacing when needed.
bool ReadRaster(GifFileType *gif, std::vector<GifPixelType> &raster)
{
    const int w = gif->Image.Width, h = gif->Image.Height;
    raster.assign(size_t(w) * h, 0);
    if (gif->Image.Interlace) {
        static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = kStart[pass]; y < h; y += kStep[pass])
                if (DGifGetLine(gif, raster.data() + size_t(y) * w, w) != GIF_OK)
                    return false;
    } else {
        for (int y = 0; y < h; ++y)
            if (DGifGetLine(gif, raster.data() + size_t(y) * w, w) != GIF_OK)
                return false;
    }
    return true;
}

// Paints a frame's indices over the running canvas (transparent index leaves the canvas).
void Compose(QImage &canvas, const GifFileType *gif, const std::vector<GifPixelType> &raster, const GifControl &control)
{
    const ColorMapObject *map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    const int left = gif->Image.Left, top = gif->Image.Top, w = gif->Image.Width, h = gif->Image.Height;
    for (int y = 0; y < h; ++y) {
        const int cy = top + y;
        if (cy < 0 || cy >= canvas.height())
            continue;
        auto *line = reinterpret_cast<QRgb *>(canvas.scanLine(cy));
        for (int x = 0; x < w; ++x) {
            const int cx = left + x;
            if (cx < 0 || cx >= canvas.width())
                continue;
            const int index = raster[size_t(y) * w + x];
            if (index == control.transparent)
                continue;
            if (!map || index >= map->ColorCount) {
                line[cx] = qRgba(0, 0, 0, 255);
                continue;
            }
            const GifColorType &c = map->Colors[index];
            line[cx] = qRgba(c.Red, c.Green, c.Blue, 255);
        }
    }
}

bool ReadGif(GifFileType *gif, DecodedPicture &out)
{
    const int sw = gif->SWidth, sh = gif->SHeight;
    if (sw <= 0 || sh <= 0 || uint32_t(sw) > CxImage::kMaxSide || uint32_t(sh) > CxImage::kMaxSide)
        return false;
    const uint64_t framePixels = uint64_t(sw) * uint64_t(sh);
    QImage canvas;
    GifControl control;
    std::vector<GifPixelType> raster;
    GifRecordType record;
    do {
        if (DGifGetRecordType(gif, &record) != GIF_OK)
            return false;
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType *ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) != GIF_OK)
                return false;
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
                GraphicsControlBlock gcb;
                if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) {
                    control.delay = gcb.DelayTime;
                    control.disposal = gcb.DisposalMode;
                    control.transparent = gcb.TransparentColor;
                }
            }
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) != GIF_OK)
                    return false;
            }
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK)
                return false;
            const GifImageDesc &d = gif->Image;
            // A frame may reach past the logical screen (it is clipped), but never past the size limit.
            if (d.Width <= 0 || d.Height <= 0 || uint32_t(d.Width) > CxImage::kMaxSide ||
                uint32_t(d.Height) > CxImage::kMaxSide || d.Left < 0 || d.Top < 0)
                return false;
            if (out.frames.size() >= CxImage::kMaxFrames || framePixels * (out.frames.size() + 1) > CxImage::kMaxTotalPixels)
                return false;
            if (canvas.isNull()) {
                canvas = QImage(sw, sh, QImage::Format_ARGB32);
                if (canvas.isNull())
                    return false;
                canvas.fill(Qt::transparent);
            }
            if (!ReadRaster(gif, raster))
                return false;
            const QImage before = control.disposal == DISPOSE_PREVIOUS ? canvas.copy() : QImage();
            Compose(canvas, gif, raster, control);
            out.frames.push_back(canvas.convertToFormat(QImage::Format_ARGB32_Premultiplied));
            out.delays.push_back(control.delay);
            if (control.transparent != NO_TRANSPARENT_COLOR)
                out.alpha = true;
            if (control.disposal == DISPOSE_BACKGROUND) {
                for (int y = std::max(0, d.Top); y < std::min(sh, d.Top + d.Height); ++y)
                    for (int x = std::max(0, d.Left); x < std::min(sw, d.Left + d.Width); ++x)
                        canvas.setPixel(x, y, qRgba(0, 0, 0, 0));
                out.alpha = true;
            } else if (control.disposal == DISPOSE_PREVIOUS) {
                canvas = before;
            }
            control = GifControl{};
        }
    } while (record != TERMINATE_RECORD_TYPE);
    return !out.frames.empty();
}

// BITMAPFILEHEADER (14 bytes) then the info header: width and height are checked before decoding.
bool BmpHeaderSane(const unsigned char *data, size_t size)
{
    if (size < 26 || data[0] != 'B' || data[1] != 'M')
        return false;
    auto le32 = [&](size_t at) {
        return int32_t(uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16 |
                       uint32_t(data[at + 3]) << 24);
    };
    const int32_t header = le32(14);
    int64_t w = 0, h = 0;
    if (header == 12) { // OS/2 core header: 16-bit sizes
        w = data[18] | data[19] << 8;
        h = data[20] | data[21] << 8;
    } else {
        if (size < 26 || header < 40)
            return false;
        w = le32(18);
        h = le32(22);
        if (h < 0)
            h = -h; // top-down rows
    }
    return w > 0 && h > 0 && w <= CxImage::kMaxSide && h <= CxImage::kMaxSide;
}

} // namespace

bool DecodeGif(const unsigned char *data, size_t size, DecodedPicture &out)
{
    if (size < 13 || std::memcmp(data, "GIF", 3) != 0)
        return false;
    GifSource src{data, size, 0};
    int error = 0;
    GifFileType *gif = DGifOpen(&src, GifRead, &error);
    if (!gif)
        return false;
    DecodedPicture picture;
    const bool ok = ReadGif(gif, picture);
    DGifCloseFile(gif, &error);
    if (!ok)
        return false;
    out = std::move(picture);
    return true;
}

bool DecodeBmp(const unsigned char *data, size_t size, DecodedPicture &out)
{
    if (!BmpHeaderSane(data, size))
        return false;
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "BMP");
    QImage img;
    if (!reader.read(&img) || img.isNull())
        return false;
    out.alpha = img.hasAlphaChannel();
    out.frames = {img.convertToFormat(QImage::Format_ARGB32_Premultiplied)};
    out.delays = {0};
    return true;
}
