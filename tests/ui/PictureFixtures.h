// Test pictures made with the real encoders: PNG/JPEG/BMP through Qt, GIF through giflib.
#pragma once
#include <QImage>
#include <QString>
#include <string>
#include <vector>

std::vector<unsigned char> EncodeWithQt(const QImage &img, const char *format);
// Frames of one colour each, given delays in hundredths; screen size w x h, frame rect at (0,0) fw x fh.
std::vector<unsigned char> EncodeGif(int w, int h, const std::vector<int> &delays, int fw = -1, int fh = -1);
void WriteBytes(const std::string &path, const std::vector<unsigned char> &bytes);
std::vector<unsigned char> ReadBytes(const std::string &path);
// The source tree's img/ folder.
std::string SourceImgDir();
