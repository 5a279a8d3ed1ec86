// CxImage: a decoded picture (PNG, JPEG, GIF with all frames, BMP) that screens load once and draw.
#pragma once
#include <QImage>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;

class CxImage
{
public:
    // Format codes of the loading interface.
    enum Format : uint32_t
    {
        kFormatUnknown = 0,
        kFormatBmp = 1,
        kFormatGif = 2,
        kFormatJpg = 3,
        kFormatPng = 4
    };
    // Refused before any pixel memory is allocated.
    static constexpr uint32_t kMaxSide = 4096;
    static constexpr size_t kMaxFrames = 512;
    static constexpr uint64_t kMaxTotalPixels = uint64_t(1) << 26; // all frames together (256 MiB)
    static constexpr size_t kMaxFileBytes = size_t(64) << 20;
    static constexpr uint32_t kSrcCopy = 0x00CC0020;

    CxImage() = default;

    // Reads the file; with a non-zero format that decoder is tried first, then recognition by content.
    // A sibling "name@2x.ext" of exactly twice the size (same frame count) is read too, for screens
    // above 100 %; without one the picture still works, drawn from its 1× pixels.
    bool load(const std::string &path, uint32_t format = kFormatUnknown);
    bool decodeFromMemory(const void *buffer, size_t size, uint32_t format = kFormatUnknown);
    void copyFrom(const CxImage &other);

    bool IsValid() const { return m_valid; }
    uint32_t imageWidth() const { return m_valid ? uint32_t(m_frames[0].width()) : 0; }
    uint32_t imageHeight() const { return m_valid ? uint32_t(m_frames[0].height()) : 0; }
    bool HasAlpha() const { return m_valid && m_alpha; }
    size_t FrameCount() const { return m_valid ? m_frames.size() : 0; }
    // Delay of a frame in hundredths of a second (0 for still pictures).
    int FrameDelay(size_t frame) const { return frame < m_delays.size() ? m_delays[frame] : 0; }
    const QImage &Frame(size_t frame) const;
    // The frame to draw on a device of the given pixel ratio: the 2× frame (marked with ratio 2, so
    // it covers the 1× size in logical pixels) when the ratio is above 1 and one was read; else the
    // 1× frame, and a ratio above 1 notes the picture in UpscaledPictures().
    const QImage &Frame(size_t frame, qreal deviceRatio) const;
    bool HasTwiceFrames() const { return !m_twice.empty(); }
    uint32_t DecodedFormat() const { return m_format; }
    const std::string &Path() const { return m_path; }

    // Draws the first frame with its top-left corner at (x, y); -1 for a size keeps the natural size.
    // Alpha is blended over the target; a clip rectangle limits the drawing when given.
    bool draw(QPainter *target, int x, int y, int width = -1, int height = -1, const QRect *clip = nullptr,
              bool smooth = false) const;
    // Draws scaled to the rectangle with a raster operation (SRCCOPY replaces the target's pixels).
    bool stretchDraw(QPainter *target, int x, int y, int width, int height, uint32_t rop = kSrcCopy) const;

    // Format recognised from the first bytes (kFormatUnknown when none matches).
    static uint32_t RecogniseFormat(const unsigned char *data, size_t size);

    // Files of the pictures drawn from 1× pixels on a device of ratio above 1 since the last
    // reset (the skin's own pictures all have 2× files: one listed here is drawn jagged).
    static std::vector<std::string> UpscaledPictures();
    static void ResetUpscaledPictures();
    // "img/x.png" -> "img/x@2x.png" (the name the artwork writes for the 2× picture).
    static std::string TwiceName(const std::string &path);

private:
    bool DecodeAs(uint32_t format, const unsigned char *data, size_t size);
    void Clear();
    void LoadTwice(const std::string &path);
    // Smooth scaling when the drawn frame's pixels do not map one to one onto the device's.
    static bool NeedsSmoothing(const QImage &frame, qreal deviceRatio, const QSize &logicalDest, const QSize &logicalSize);

    bool m_valid = false;
    bool m_alpha = false;
    uint32_t m_format = kFormatUnknown;
    std::vector<QImage> m_frames; // ARGB32 premultiplied, all of the picture's size
    std::vector<QImage> m_twice;  // the same frames at twice the size (ratio 2), or none
    std::vector<int> m_delays;
    std::string m_path;
};

// Reads a whole file, refusing anything over the byte limit; false when missing or unreadable.
bool ReadPictureFile(const std::string &path, std::vector<unsigned char> &bytes, size_t limit);
// "\img\x.png" and doubled separators resolve to the same file as "img/x.png".
std::string NormalisePicturePath(const std::string &path);
// The pixel ratio of what a painter draws on (1 without a device).
qreal PainterDeviceRatio(const QPainter *painter);
