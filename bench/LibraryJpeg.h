#pragma once

// Bench pictures encoded as the program's conversions encode them.

#include "engine/MagickImage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

// `image` as a JPEG of `quality` written by the loaded MagickCore; empty with `failure` set
// when the library refuses.
inline QByteArray EncodeJpegWithLibrary(const QImage &image, int quality, QString *failure)
{
    QBuffer raw;
    raw.open(QIODevice::WriteOnly);
    image.save(&raw, "PPM");
    raw.close();

    QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("made.jpg"));
    try {
        TMagickImage made;
        QBuffer input(&raw.buffer());
        input.open(QIODevice::ReadOnly);
        made.LoadFrames(input);
        made.SetQuality(quality);
        made.SaveFrames(path);
    } catch (const TError &error) {
        *failure = error.text();
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *failure = QStringLiteral("cannot read back ") + path;
        return {};
    }
    return file.readAll();
}
