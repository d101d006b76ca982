#pragma once

// What the read step checks of a source's header before decoding: the size it declares,
// and that a TIFF's pixel data lie within the file.

#include <QByteArray>
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

// Throws TSourceRefused when the header declares a frame beyond the caps. WEBP and PSD
// headers are read here, since the library decodes them whole to learn their size; other
// formats are pinged. A header the library cannot read passes: the decode reports it.
void CheckDeclaredSize(const QByteArray &bytes, const TImageCaps &caps);

// Empty unless the bytes are a TIFF with a strip or tile beyond their end, which the
// library, reading from memory, leaves blank without a word; then the reason.
QString MissingTiffData(const QByteArray &bytes);
