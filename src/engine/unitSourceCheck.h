#pragma once

// What the read step checks of a source's header before decoding: the size it declares,
// and that a TIFF's pixel data lie within the file.

#include <QByteArray>
#include <QList>
#include <QString>

struct TImageCaps
{
    qint64 Width = 0;  // pixels
    qint64 Height = 0;
    qint64 Area = 0;
    // %1x%2 the declared size, %3x%4 the width and height caps, %5 the area in megapixels.
    QString TooLargeText;

    // WidthLimit, HeightLimit and AreaLimit with the built-in English text.
    static TImageCaps Current();
    QString TooLarge(qint64 width, qint64 height) const;
};

struct TDeclaredFrame
{
    qint64 Width = 0;
    qint64 Height = 0;
};

// What a source's header declares, read once for every check before decoding. WEBP, PSD
// and BMP headers are read here, since the library decodes them whole, or reads every
// pixel byte, to learn their size; other formats are pinged. No frames when the header cannot be read.
struct TSourceHeader
{
    QList<TDeclaredFrame> Frames;
    bool Jpeg = false;
};
TSourceHeader ReadSourceHeader(const QByteArray &bytes);

// Throws TSourceRefused when the header declares a frame beyond the caps. A header that
// could not be read passes: the decode reports it.
void CheckDeclaredSize(const TSourceHeader &header, const TImageCaps &caps);

// The pixel-cache bytes decoding and transforming the source takes: every frame, and one
// more copy of the largest for the frame being transformed. 0 when nothing was declared.
quint64 PixelBytesNeeded(const TSourceHeader &header);

// Empty unless the bytes are a TIFF with a strip or tile beyond their end, which the
// library, reading from memory, leaves blank without a word; then the reason.
QString MissingTiffData(const QByteArray &bytes);
