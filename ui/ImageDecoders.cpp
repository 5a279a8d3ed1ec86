// PNG (libpng with user limits) and JPEG (libjpeg, header checked first) decoding for CxImage.
#include "ImageDecoders.h"

#include "xImage.h"

#include <png.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

namespace {

// ---- PNG ----

struct PngSource
{
    const unsigned char *data;
    size_t size;
    size_t pos;
};

void PngRead(png_structp png, png_bytep out, png_size_t length)
{
    auto *src = static_cast<PngSource *>(png_get_io_ptr(png));
    if (length > src->size - src->pos)
        png_error(png, "truncated");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

void PngError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

// Only trivially destructible locals live here: libpng leaves through longjmp on any error.
// The pixel and row buffers belong to the caller.
bool ReadPng(png_structp png, png_infop info, PngSource *src, std::vector<unsigned char> *pixels, std::vector<png_bytep> *rows,
             png_uint_32 *width, png_uint_32 *height, bool *alpha)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, src, PngRead);
    png_set_user_limits(png, CxImage::kMaxSide, CxImage::kMaxSide);
    png_set_chunk_cache_max(png, 256);
    png_set_chunk_malloc_max(png, 8u << 20);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (w == 0 || h == 0 || w > CxImage::kMaxSide || h > CxImage::kMaxSide)
        return false;
    const int colour = png_get_color_type(png, info);
    *alpha = (colour & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(w) * 4)
        return false;
    pixels->resize(size_t(w) * h * 4);
    rows->resize(h);
    for (png_uint_32 y = 0; y < h; ++y)
        (*rows)[y] = pixels->data() + size_t(y) * w * 4;
    png_read_image(png, rows->data());
    png_read_end(png, nullptr);
    *width = w;
    *height = h;
    return true;
}

QImage FromRgba(const std::vector<unsigned char> &rgba, int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    if (img.isNull())
        return img;
    for (int y = 0; y < h; ++y) {
        const unsigned char *s = rgba.data() + size_t(y) * w * 4;
        auto *d = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x, s += 4)
            d[x] = qRgba(s[0], s[1], s[2], s[3]);
    }
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// ---- JPEG ----

struct JpegError
{
    jpeg_error_mgr base;
    jmp_buf jump;
};

void JpegExit(j_common_ptr cinfo)
{
    longjmp(reinterpret_cast<JpegError *>(cinfo->err)->jump, 1);
}
void JpegMessage(j_common_ptr) {}

// Progressive files with thousands of scans cost time without bound: stop after a sane number.
// libjpeg reads every scan inside jpeg_start_decompress, so the check sits in its progress hook.
constexpr int kMaxJpegScans = 200;

void JpegProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
        JpegExit(cinfo);
}

bool ReadJpeg(jpeg_decompress_struct *cinfo, JpegError *err, const unsigned char *data, size_t size,
              std::vector<unsigned char> *pixels, unsigned *width, unsigned *height)
{
    if (setjmp(err->jump))
        return false;
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK)
        return false;
    if (cinfo->image_width == 0 || cinfo->image_height == 0 || cinfo->image_width > CxImage::kMaxSide ||
        cinfo->image_height > CxImage::kMaxSide)
        return false;
    if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
        cinfo->out_color_space = JCS_CMYK;
    } else {
        cinfo->out_color_space = JCS_RGB;
    }
    jpeg_start_decompress(cinfo);
    const unsigned w = cinfo->output_width, h = cinfo->output_height;
    const int comps = cinfo->output_components;
    if (comps != 3 && comps != 4)
        return false;
    pixels->resize(size_t(w) * h * 4);
    std::vector<unsigned char> *buf = pixels;
    unsigned char line[CxImage::kMaxSide * 4];
    while (cinfo->output_scanline < h) {
        JSAMPROW row = line;
        const unsigned y = cinfo->output_scanline;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
            return false;
        unsigned char *d = buf->data() + size_t(y) * w * 4;
        for (unsigned x = 0; x < w; ++x, d += 4) {
            if (comps == 3) {
                d[0] = line[x * 3];
                d[1] = line[x * 3 + 1];
                d[2] = line[x * 3 + 2];
            } else { // Adobe CMYK is stored inverted
                const unsigned k = line[x * 4 + 3];
                d[0] = static_cast<unsigned char>(line[x * 4] * k / 255);
                d[1] = static_cast<unsigned char>(line[x * 4 + 1] * k / 255);
                d[2] = static_cast<unsigned char>(line[x * 4 + 2] * k / 255);
            }
            d[3] = 0xff;
        }
    }
    jpeg_finish_decompress(cinfo);
    *width = w;
    *height = h;
    return true;
}

} // namespace

bool DecodePng(const unsigned char *data, size_t size, DecodedPicture &out)
{
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    PngSource src{data, size, 0};
    std::vector<unsigned char> pixels;
    std::vector<png_bytep> rows;
    png_uint_32 w = 0, h = 0;
    bool alpha = false;
    const bool ok = ReadPng(png, info, &src, &pixels, &rows, &w, &h, &alpha);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok)
        return false;
    QImage img = FromRgba(pixels, int(w), int(h));
    if (img.isNull())
        return false;
    out.frames = {img};
    out.delays = {0};
    out.alpha = alpha;
    return true;
}

bool DecodeJpeg(const unsigned char *data, size_t size, DecodedPicture &out)
{
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = JpegExit;
    err.base.output_message = JpegMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = JpegProgress;
    cinfo.progress = &progress;
    std::vector<unsigned char> pixels;
    unsigned w = 0, h = 0;
    const bool ok = ReadJpeg(&cinfo, &err, data, size, &pixels, &w, &h);
    jpeg_destroy_decompress(&cinfo);
    if (!ok)
        return false;
    QImage img = FromRgba(pixels, int(w), int(h));
    if (img.isNull())
        return false;
    out.frames = {img};
    out.delays = {0};
    out.alpha = false;
    return true;
}
