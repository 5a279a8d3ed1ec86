// CxImage: loading with format recognition, copying and drawing of decoded pictures.
#include "xImage.h"

#include "ImageDecoders.h"

#include <QMutex>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

namespace {
QMutex g_upscaledLock;
std::set<std::string> g_upscaled;
} // namespace

qreal PainterDeviceRatio(const QPainter *painter)
{
    const QPaintDevice *device = painter ? painter->device() : nullptr;
    return device ? device->devicePixelRatioF() : 1.0;
}

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
    m_twice.clear();
    m_delays.clear();
    m_path.clear();
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
    if (!ReadPictureFile(path, bytes, kMaxFileBytes) || !decodeFromMemory(bytes.data(), bytes.size(), format))
        return false;
    m_path = NormalisePicturePath(path);
    LoadTwice(path);
    return true;
}

std::string CxImage::TwiceName(const std::string &path)
{
    const std::string normal = NormalisePicturePath(path);
    const size_t slash = normal.rfind('/');
    const size_t dot = normal.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return normal + "@2x";
    return normal.substr(0, dot) + "@2x" + normal.substr(dot);
}

// The 2× file is as untrusted as the 1× one: it is used only when it decodes into the same number
// of frames, each exactly twice the 1× size; anything else leaves the picture at 1×.
void CxImage::LoadTwice(const std::string &path)
{
    CxImage twice;
    std::vector<unsigned char> bytes;
    if (!ReadPictureFile(TwiceName(path), bytes, kMaxFileBytes) || !twice.decodeFromMemory(bytes.data(), bytes.size(), m_format))
        return;
    if (twice.m_frames.size() != m_frames.size())
        return;
    for (size_t i = 0; i < m_frames.size(); ++i)
        if (twice.m_frames[i].size() != m_frames[i].size() * 2)
            return;
    m_twice = std::move(twice.m_frames);
    for (QImage &frame : m_twice)
        frame.setDevicePixelRatio(2);
}

std::vector<std::string> CxImage::UpscaledPictures()
{
    QMutexLocker lock(&g_upscaledLock);
    return std::vector<std::string>(g_upscaled.begin(), g_upscaled.end());
}

void CxImage::ResetUpscaledPictures()
{
    QMutexLocker lock(&g_upscaledLock);
    g_upscaled.clear();
}

void CxImage::copyFrom(const CxImage &other)
{
    if (&other == this)
        return;
    m_valid = other.m_valid;
    m_alpha = other.m_alpha;
    m_format = other.m_format;
    m_frames = other.m_frames;
    m_twice = other.m_twice;
    m_delays = other.m_delays;
    m_path = other.m_path;
}

const QImage &CxImage::Frame(size_t frame) const
{
    static const QImage kEmpty;
    return frame < m_frames.size() ? m_frames[frame] : kEmpty;
}

const QImage &CxImage::Frame(size_t frame, qreal deviceRatio) const
{
    if (deviceRatio > 1 && frame < m_twice.size())
        return m_twice[frame];
    if (deviceRatio > 1 && frame < m_frames.size()) {
        QMutexLocker lock(&g_upscaledLock);
        g_upscaled.insert(m_path.empty() ? std::string("(from memory)") : m_path);
    }
    return Frame(frame);
}

bool CxImage::NeedsSmoothing(const QImage &frame, qreal deviceRatio, const QSize &logicalDest, const QSize &logicalSize)
{
    return logicalDest != logicalSize || std::abs(frame.devicePixelRatio() - deviceRatio) > 1e-6;
}

bool CxImage::draw(QPainter *target, int x, int y, int width, int height, const QRect *clip, bool smooth) const
{
    if (!m_valid || !target)
        return false;
    const QSize size = m_frames[0].size(); // logical size: the 1× pixels
    const QRect dest(x, y, width == -1 ? size.width() : width, height == -1 ? size.height() : height);
    if (dest.width() <= 0 || dest.height() <= 0)
        return false;
    const qreal ratio = PainterDeviceRatio(target);
    const QImage &img = Frame(0, ratio);
    target->save();
    if (clip)
        target->setClipRect(*clip, Qt::IntersectClip);
    // At 125 % or 150 % the 2× picture is scaled down: smoothly, whatever the caller asked for the
    // stretch of a 1× picture.
    const bool twice = img.devicePixelRatio() > 1;
    target->setRenderHint(QPainter::SmoothPixmapTransform, smooth || (twice && NeedsSmoothing(img, ratio, dest.size(), size)));
    // Pictures without alpha replace what is below; with alpha they are blended over it.
    target->setCompositionMode(m_alpha ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source);
    if (dest.size() == size)
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
    const QImage &img = Frame(0, PainterDeviceRatio(target));
    if (img.devicePixelRatio() > 1)
        target->setRenderHint(QPainter::SmoothPixmapTransform);
    target->drawImage(QRect(x, y, width, height), img);
    target->restore();
    return true;
}
