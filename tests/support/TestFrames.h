#pragma once

// The library's own frames for the tests of the engine.

#include "engine/unitMagickHandles.h"
#include "support/TestImages.h"

// Frames drawn by a library pattern such as "gradient:red-blue" or "xc:white".
TImageListPtr MakeFrames(const QString &pattern, int width, int height, int count = 1);
// Writes frames; the encoder follows the extension.
void WriteFrames(Image *frames, const QString &path, bool adjoin = true, int quality = 0);
TImageListPtr ReadImageFile(const QString &path);
// The embedded ICC profile, empty when there is none.
QByteArray IccProfileOf(const Image *image);
void EmbedIccProfile(Image *image, const QByteArray &profile);

struct TRgb
{
    int red, green, blue;
};
// 8-bit channel values of one pixel.
TRgb PixelAt(const Image *image, int x, int y);
