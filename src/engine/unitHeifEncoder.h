#pragma once

// AVIF and HEIC written through libheif itself, for what the image library's coder does
// not hand on to it: the encoder's speed. libheif is loaded at run time on first use;
// without it (or an entry point, or the format's encoder) the speed is not offered.

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

// Whether the library file (a name for the standard search, or a path) holds every entry
// point used here and an encoder for the family ("avif" or "heic") that takes a speed:
// the AV1 encoder's "speed", the HEVC encoder's "preset".
bool HeifLibraryOffersSpeed(const QString &libraryFile, const QString &family);
// The same for the system's libheif, looked up once per family.
bool HeifSpeedOffered(const QString &family);

struct THeifSettings
{
    QString Family;  // "avif" or "heic"
    int Quality = 0; // 1..100 as the image library's coder means it; 0 leaves libheif's own
    int Speed = 0;   // 0 (slowest, smallest) .. 9 (fastest)
};

// One picture of the file, Width x Height, 8 bits a channel, RGB or RGBA.
struct THeifPicture
{
    int Width = 0;
    int Height = 0;
    bool Alpha = false;
    // Fills row y straight into libheif's plane; throws TError when it cannot.
    std::function<void(int y, uint8_t *row)> ReadRow;
    QByteArray Icc;      // the colour profile, or empty
    QByteArray Exif;     // the EXIF block, "Exif\0\0" lead or not, or empty
    int Orientation = 0; // EXIF's 1..8, written as the file's own rotation; 0: none
};

// The pictures encoded into one file in memory, the first the primary image. Throws
// TError "Can not encode image: " and libheif's reason.
QByteArray EncodeHeif(const QList<THeifPicture> &pictures, const THeifSettings &settings);

// The probe the option table asks: whether "avif.speed" or "heic.speed" can be written.
bool HeifOptionOffered(const QString &optionName);
