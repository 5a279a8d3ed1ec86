// Format decoders behind CxImage; each refuses oversize or malformed input before allocating pixels.
#pragma once
#include <QImage>
#include <cstddef>
#include <vector>

struct DecodedPicture
{
    std::vector<QImage> frames; // ARGB32 premultiplied
    std::vector<int> delays;    // hundredths of a second, one per frame
    bool alpha = false;
};

bool DecodePng(const unsigned char *data, size_t size, DecodedPicture &out);
bool DecodeJpeg(const unsigned char *data, size_t size, DecodedPicture &out);
bool DecodeGif(const unsigned char *data, size_t size, DecodedPicture &out);
bool DecodeBmp(const unsigned char *data, size_t size, DecodedPicture &out);
