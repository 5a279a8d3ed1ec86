// CxImage: loading with format recognition, copying and drawing of decoded pictures.
#include "xImage.h"

#include "ImageDecoders.h"

#include <QPainter>
#include <cstdio>
#include <cstring>

std::string NormalisePicturePath(const std::string &path)
{
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '\\')
            c = '/';
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    return out;
}

bool ReadPictureFile(const std::string &path, std::vector<unsigned char> &bytes, size_t limit)
{
    bytes.clear();
    std::FILE *f = std::fopen(NormalisePicturePath(path).c_str(), "rb");
    if (!f)
        return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size > 0 && size_t(size) <= limit && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(size_t(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    std::fclose(f);
    if (!ok)
        bytes.clear();
    return ok;
}

uint32_t CxImage::RecogniseFormat(const unsigned char *data, size_t size)
{
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0)
        return kFormatPng;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return kFormatJpg;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return kFormatGif;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return kFormatBmp;
    return kFormatUnknown;
}

void CxImage::Clear()
{
    m_valid = false;
    m_alpha = false;
    m_format = kFormatUnknown;
    m_frames.clear();
    m_delays.clear();
}

bool CxImage::DecodeAs(uint32_t format, const unsigned char *data, size_t size)
{
    DecodedPicture picture;
    bool ok = false;
    switch (format) {
    case kFormatPng:
        ok = DecodePng(data, size, picture);
        break;
    case kFormatJpg:
        ok = DecodeJpeg(data, size, picture);
        break;
    case kFormatGif:
        ok = DecodeGif(data, size, picture);
        break;
    case kFormatBmp:
        ok = DecodeBmp(data, size, picture);
        break;
    default:
        return false;
    }
    if (!ok || picture.frames.empty())
        return false;
    m_frames = std::move(picture.frames);
    m_delays = std::move(picture.delays);
    m_alpha = picture.alpha;
    m_format = format;
    m_valid = true;
    return true;
}

bool CxImage::decodeFromMemory(const void *buffer, size_t size, uint32_t format)
{
    Clear();
    if (!buffer || size == 0)
        return false;
    const auto *data = static_cast<const unsigned char *>(buffer);
    if (format != kFormatUnknown && DecodeAs(format, data, size))
        return true;
    const uint32_t recognised = RecogniseFormat(data, size);
    return recognised != format && DecodeAs(recognised, data, size);
}

bool CxImage::load(const std::string &path, uint32_t format)
{
    Clear();
    std::vector<unsigned char> bytes;
    if (!ReadPictureFile(path, bytes, kMaxFileBytes))
        return false;
    return decodeFromMemory(bytes.data(), bytes.size(), format);
}

void CxImage::copyFrom(const CxImage &other)
{
    if (&other == this)
        return;
    m_valid = other.m_valid;
    m_alpha = other.m_alpha;
    m_format = other.m_format;
    m_frames = other.m_frames;
    m_delays = other.m_delays;
}

const QImage &CxImage::Frame(size_t frame) const
{
    static const QImage kEmpty;
    return frame < m_frames.size() ? m_frames[frame] : kEmpty;
}

bool CxImage::draw(QPainter *target, int x, int y, int width, int height, const QRect *clip, bool smooth) const
{
    if (!m_valid || !target)
        return false;
    const QImage &img = m_frames[0];
    const QRect dest(x, y, width == -1 ? img.width() : width, height == -1 ? img.height() : height);
    if (dest.width() <= 0 || dest.height() <= 0)
        return false;
    target->save();
    if (clip)
        target->setClipRect(*clip, Qt::IntersectClip);
    target->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    // Pictures without alpha replace what is below; with alpha they are blended over it.
    target->setCompositionMode(m_alpha ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source);
    if (dest.size() == img.size())
        target->drawImage(dest.topLeft(), img);
    else
        target->drawImage(dest, img);
    target->restore();
    return true;
}

bool CxImage::stretchDraw(QPainter *target, int x, int y, int width, int height, uint32_t rop) const
{
    if (!m_valid || !target || width <= 0 || height <= 0)
        return false;
    target->save();
    target->setCompositionMode(rop == kSrcCopy ? QPainter::CompositionMode_Source : QPainter::CompositionMode_SourceOver);
    target->drawImage(QRect(x, y, width, height), m_frames[0]);
    target->restore();
    return true;
}
