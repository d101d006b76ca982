#pragma once

// What the run would write for one source, made in memory: the window shows it before
// any run. Also the library's own thumbnails of files Qt cannot read. Qt Core types
// only, so that the windows need no library header.

#include "engine/unitRunSettings.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>

// Pixels ready for the screen: 8-bit RGBA, rows without padding.
struct TPixels
{
    QSize Size;
    QByteArray Rgba;
    bool IsNull() const { return Size.isEmpty(); }
};

struct TPreview
{
    // The source's first frame as the run decodes it (a large JPEG at a reduced scale
    // when the output is smaller), and the source's own size.
    TPixels Source;
    QSize SourceSize;
    qint64 SourceBytes = 0;
    int SourceFrames = 0;
    // The first file of the output, decoded again from the bytes the run would write;
    // CMYK shown as it prints.
    TPixels Output;
    // Every file the run would write for this source, in bytes.
    qint64 OutputBytes = 0;
    int OutputFiles = 0;
    // Why there is no output: the text the row would show.
    QString Error;
};

// The source converted as a run with these settings would, through the run's own steps,
// encoded in memory and written nowhere. Returns an empty preview with no error when
// `cancel` is set between two steps.
TPreview MakePreview(const QString &sourcePath, const TRunSettings &run, const std::atomic_bool *cancel = nullptr);

// The file's first frame scaled by the library to fit `edge`, upright; null when the
// library cannot or may not read it.
TPixels LibraryThumbnail(const QString &path, int edge);
// Whether the loaded library reads files of this extension under the program's policy.
bool LibraryReadsExtension(const QString &extension);
