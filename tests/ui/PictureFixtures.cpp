// Encoders for the picture tests' fixtures.
#include "PictureFixtures.h"

#include <gif_lib.h>

#include <QBuffer>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

std::vector<unsigned char> EncodeWithQt(const QImage &img, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, format);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

namespace {
int GifWrite(GifFileType *gif, const GifByteType *data, int length)
{
    auto *out = static_cast<std::vector<unsigned char> *>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}
} // namespace

std::vector<unsigned char> EncodeGif(int w, int h, const std::vector<int> &delays, int fw, int fh)
{
    if (fw < 0)
        fw = w;
    if (fh < 0)
        fh = h;
    std::vector<unsigned char> out;
    int error = 0;
    GifFileType *gif = EGifOpen(&out, GifWrite, &error);
    GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    ColorMapObject *map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, w, h, 2, 0, map);
    std::vector<GifPixelType> line(fw);
    for (size_t f = 0; f < delays.size(); ++f) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_DO_NOT;
        gcb.DelayTime = delays[f];
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        EGifPutImageDesc(gif, 0, 0, fw, fh, false, nullptr);
        std::fill(line.begin(), line.end(), GifPixelType(f % 3));
        for (int y = 0; y < fh; ++y)
            EGifPutLine(gif, line.data(), fw);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

void WriteBytes(const std::string &path, const std::vector<unsigned char> &bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<unsigned char> ReadBytes(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(f), {});
}

std::string SourceImgDir()
{
    return PENLARK_SOURCE_IMG;
}
