// Fuzz target: a picture file decoded from memory. First byte: the format tried first (0 lets
// the content decide); the rest: the file. A decoded picture must keep the decoders' limits.
#include "xImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckDecoded(const CxImage &image)
{
    Require(image.FrameCount() >= 1 && image.FrameCount() <= CxImage::kMaxFrames);
    Require(image.imageWidth() >= 1 && image.imageWidth() <= CxImage::kMaxSide);
    Require(image.imageHeight() >= 1 && image.imageHeight() <= CxImage::kMaxSide);
    for (std::size_t i = 0; i < image.FrameCount(); ++i) {
        const QImage &frame = image.Frame(i);
        Require(frame.width() == int(image.imageWidth()) && frame.height() == int(image.imageHeight()));
        // Every pixel of every frame is readable.
        const auto *last = frame.constScanLine(frame.height() - 1);
        volatile std::uint8_t sink = last[frame.bytesPerLine() - 1];
        (void)sink;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint32_t format = data[0] % 5; // kFormatUnknown .. kFormatPng
    CxImage image;
    if (image.decodeFromMemory(data + 1, size - 1, format)) {
        CheckDecoded(image);
        CxImage copy;
        copy.copyFrom(image);
        Require(copy.FrameCount() == image.FrameCount());
    }
    return 0;
}
