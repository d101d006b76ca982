#pragma once

// Images for tests, made and inspected through the loaded MagickCore.

#include "engine/unitMagickHandles.h"

#include <QByteArray>
#include <QString>

#include <ostream>

// Frames drawn by a library pattern such as "gradient:red-blue" or "xc:white".
TImageListPtr MakeFrames(const QString &pattern, int width, int height, int count = 1);
// Writes frames; the encoder follows the extension.
void WriteFrames(Image *frames, const QString &path, bool adjoin = true, int quality = 0);
// A file's worth of encoded bytes, made through a temporary file.
QByteArray MakeImageBytes(const QString &pattern, int width, int height, const QString &ext,
                          int count = 1);
TImageListPtr ReadImageFile(const QString &path);
// A GIF of `count` 1x1 frames, written byte by byte.
QByteArray GifOfFrames(int count);
int ImageFileFrameCount(const QString &path);
// The embedded ICC profile, empty when there is none.
QByteArray IccProfileOf(const Image *image);
void EmbedIccProfile(Image *image, const QByteArray &profile);

struct TRgb
{
    int red, green, blue;
};
// 8-bit channel values of one pixel.
TRgb PixelAt(const Image *image, int x, int y);

// The ghostscript stand-ins for the program's print profiles.
QString SystemSrgbProfile();
QString SystemCmykProfile();
// Copies them into `folder` as sRGB.icm and USWebCoatedSWOP.icc.
void InstallPrintProfiles(const QString &folder);

void PrintTo(const QString &text, std::ostream *out);
