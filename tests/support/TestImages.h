#pragma once

// Images for tests, made and inspected through the loaded MagickCore, in Qt types.
// TestFrames.h has the library's own frames for the tests of the engine.

#include <QByteArray>
#include <QString>

#include <ostream>

// A file's worth of encoded bytes, made through a temporary file.
QByteArray MakeImageBytes(const QString &pattern, int width, int height, const QString &ext,
                          int count = 1);
// A GIF of `count` 1x1 frames, written byte by byte.
QByteArray GifOfFrames(int count);
int ImageFileFrameCount(const QString &path);
// The ghostscript stand-ins for the program's print profiles.
QString SystemSrgbProfile();
QString SystemCmykProfile();
// Copies them into `folder` as sRGB.icm and USWebCoatedSWOP.icc.
void InstallPrintProfiles(const QString &folder);

void PrintTo(const QString &text, std::ostream *out);
