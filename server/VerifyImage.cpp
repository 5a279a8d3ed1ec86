// Draws the verification code with a built-in 5 x 7 digit font into a GIF through giflib.
#include "VerifyImage.h"

#include <gif_lib.h>

#include <array>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 72;
constexpr int kHeight = 22;
constexpr int kScale = 2;

// Rows of each digit, five bits wide, the leftmost pixel in bit 4.
constexpr std::array<std::array<unsigned char, 7>, 10> kDigits = {{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}, // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}, // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}, // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}, // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}, // 9
}};

// Palette: 0 background, 1-3 noise, 4-7 ink.
constexpr std::array<GifColorType, 8> kPalette = {{
    {0xF6, 0xF8, 0xE3}, {0xC8, 0xD8, 0xC0}, {0xB0, 0xC4, 0xE0}, {0xE0, 0xC0, 0xB0},
    {0x0E, 0x80, 0x3B}, {0x1D, 0x4A, 0x9A}, {0x9A, 0x1D, 0x3B}, {0x3E, 0x3A, 0x39},
}};

std::mt19937 &Random()
{
    thread_local std::mt19937 generator{std::random_device{}()};
    return generator;
}

int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random()); }

int AppendToString(GifFileType *gif, const GifByteType *bytes, int length)
{
    static_cast<std::string *>(gif->UserData)->append(reinterpret_cast<const char *>(bytes), length);
    return length;
}

void DrawDigit(std::vector<GifByteType> &pixels, int digit, int left, int top, GifByteType ink)
{
    for (int row = 0; row < 7; ++row)
        for (int column = 0; column < 5; ++column) {
            if (!(kDigits[digit][row] & (0x10 >> column)))
                continue;
            for (int dy = 0; dy < kScale; ++dy)
                for (int dx = 0; dx < kScale; ++dx) {
                    int x = left + column * kScale + dx, y = top + row * kScale + dy;
                    if (x >= 0 && x < kWidth && y >= 0 && y < kHeight)
                        pixels[y * kWidth + x] = ink;
                }
        }
}

} // namespace

std::string NewVerifyCode()
{
    std::string code;
    for (int i = 0; i < 4; ++i)
        code.push_back(static_cast<char>('0' + Uniform(0, 9)));
    return code;
}

std::string DrawVerifyGif(const std::string &code)
{
    std::vector<GifByteType> pixels(kWidth * kHeight, 0);
    for (int i = 0; i < 120; ++i)
        pixels[Uniform(0, kWidth * kHeight - 1)] = static_cast<GifByteType>(Uniform(1, 3));
    for (std::size_t i = 0; i < code.size() && i < 6; ++i) {
        if (code[i] < '0' || code[i] > '9')
            continue;
        int left = 6 + static_cast<int>(i) * 16 + Uniform(-1, 2);
        DrawDigit(pixels, code[i] - '0', left, Uniform(2, 6), static_cast<GifByteType>(Uniform(4, 7)));
    }

    std::string out;
    int error = 0;
    GifFileType *gif = EGifOpen(&out, AppendToString, &error);
    if (!gif)
        return {};
    ColorMapObject *map = GifMakeMapObject(static_cast<int>(kPalette.size()), kPalette.data());
    bool ok = map && EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < kHeight; ++y)
        ok = EGifPutLine(gif, &pixels[y * kWidth], kWidth) == GIF_OK;
    if (EGifCloseFile(gif, &error) != GIF_OK)
        ok = false;
    GifFreeMapObject(map);
    return ok ? out : std::string();
}
