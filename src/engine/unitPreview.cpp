#include "engine/unitPreview.h"

#include "engine/MagickImage.h"
#include "engine/unitConvertSteps.h"
#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitMagickApi.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool cancelled(const std::atomic_bool *cancel)
{
    return cancel && cancel->load();
}

QByteArray readWhole(const QString &path)
{
    QFile file;
    OpenSource(file, path);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TError(file.errorString() + QStringLiteral(": ") + path);
    return bytes;
}

// Decodes from memory as the run does: a format known only by its extension is read by
// the name.
void decode(TMagickImage &image, QByteArray &bytes, const QString &name)
{
    QBuffer buffer(&bytes);
    buffer.setObjectName(name);
    buffer.open(QIODevice::ReadOnly);
    image.LoadFrames(buffer);
}

// CMYK goes to the screen through its own profile, as a proof of the print.
void toScreenColours(Image *frame, const QString &profileFolder)
{
    if (frame->colorspace == CMYKColorspace && Magick().GetImageProfile(frame, "icc")) {
        TExceptionPtr exception = NewException();
        size_t length = 0;
        const TMagickMemoryPtr srgb(FileToBlob(QDir(profileFolder).filePath(QStringLiteral("sRGB.icm")), 5000,
                                               &length, exception.get()));
        if (srgb && length > 0)
            Magick().ProfileImage(frame, "icc", srgb.get(), length, MagickFalse);
    }
    if (frame->colorspace != sRGBColorspace && frame->colorspace != RGBColorspace)
        Magick().TransformImageColorspace(frame, sRGBColorspace);
}

TPixels screenPixels(const Image *frame, const QString &profileFolder)
{
    TPixels pixels;
    if (!frame || frame->columns == 0 || frame->rows == 0)
        return pixels;
    TExceptionPtr exception = NewException();
    const TImageListPtr copy(Magick().CloneImage(frame, 0, 0, MagickTrue, exception.get()));
    if (!copy)
        return pixels;
    toScreenColours(copy.get(), profileFolder);
    QByteArray rgba(qsizetype(copy->columns * copy->rows * 4), Qt::Uninitialized);
    if (!Magick().ExportImagePixels(copy.get(), 0, 0, copy->columns, copy->rows, "RGBA", CharPixel,
                                    rgba.data(), exception.get()))
        return pixels;
    pixels.Size = QSize(int(copy->columns), int(copy->rows));
    pixels.Rgba = std::move(rgba);
    return pixels;
}

// By the content only; a format known by its name alone gives no size here.
// Encodes as the run's writer would for a source of this project.
QList<TEncodedFile> encodeOutput(TMagickImage &image, const QString &sourcePath, const TRunSettings &run)
{
    const TCnvJob &project = run.Project;
    // Never written: the name gives the encoder and the alpha rule only.
    const QString output = QDir::temp().filePath(QStringLiteral("preview.") + project.TargetExt);
    if (project.MultiPages) {
        CollectSource(image, sourcePath, run);
        PrepareCollection(image, output, run);
    } else {
        PrepareOutput(image, sourcePath, output, run);
    }
    return image.EncodeFrames(output);
}

} // namespace

TPreview MakePreview(const QString &sourcePath, const TRunSettings &run, const std::atomic_bool *cancel)
{
    TPreview preview;
    try {
        if (!HasWritableTarget(run.Project))
            throw TError(QStringLiteral("Incorrect new extension"));
        QByteArray bytes = readWhole(sourcePath);
        preview.SourceBytes = bytes.size();
        const TSourceHeader header = ReadSourceHeader(bytes);
        CheckDeclaredSize(header, run.Caps);
        TMagickImage image;
        if (!header.Frames.isEmpty()) {
            const size_t w = size_t(header.Frames.first().Width), h = size_t(header.Frames.first().Height);
            preview.SourceSize = QSize(int(w), int(h));
            if (run.ShrinkOnLoad && header.Jpeg)
                image.SetShrinkOnLoad(w, h, DecodeEighths(w, h, run));
        }
        decode(image, bytes, sourcePath);
        bytes.clear();
        preview.SourceFrames = image.FrameCount();
        if (preview.SourceFrames == 0)
            throw TError(QStringLiteral("Can not encode image"));
        preview.Source = screenPixels(image.FrameAt(0), run.ProfileFolder);
        if (preview.SourceSize.isEmpty())
            preview.SourceSize = preview.Source.Size;
        if (cancelled(cancel))
            return {};

        QList<TEncodedFile> files = encodeOutput(image, sourcePath, run);
        image.Reset();
        if (cancelled(cancel) || files.isEmpty())
            return {};
        for (const TEncodedFile &file : std::as_const(files))
            preview.OutputBytes += file.Bytes.size();
        preview.OutputFiles = int(files.size());

        TMagickImage written;
        decode(written, files.first().Bytes, files.first().Path);
        preview.Output = screenPixels(written.FrameAt(0), run.ProfileFolder);
    } catch (const TError &error) {
        preview.Error = error.text();
    } catch (const std::exception &error) {
        preview.Error = QString::fromLocal8Bit(error.what());
    }
    return preview;
}

TPixels LibraryThumbnail(const QString &path, int edge)
{
    try {
        QByteArray bytes = readWhole(path);
        TMagickImage image;
        image.Info()->number_scenes = 1;
        decode(image, bytes, path);
        if (image.FrameCount() == 0)
            return {};
        UprightFrame(image);
        const size_t w = image.FrameWidth(), h = image.FrameHeight();
        if (w > size_t(edge) || h > size_t(edge)) {
            const QSize fitted = QSize(int(w), int(h)).scaled(edge, edge, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
            image.ResizeCurrentFrame(size_t(fitted.width()), size_t(fitted.height()), 5, UndefinedFilter, 1.0);
        }
        return screenPixels(image.CurrentFrame(), DefaultProfileFolder());
    } catch (const std::exception &) {
        return {};
    }
}

bool LibraryReadsExtension(const QString &extension)
{
    if (!ImageLibraryLoaded || extension.isEmpty())
        return false;
    for (const TFilterItemType &format : std::as_const(AvailableFormats)) {
        if (format.Code.compare(extension, Qt::CaseInsensitive) == 0)
            return format.Mode.contains(QLatin1Char('R'));
    }
    return false;
}
