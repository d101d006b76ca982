#pragma once

// The one place that knows how MagickCore is reached: loaded at run time, every entry
// point looked up by name. Only engine units include this header.

#include <QString>

#include <magick/MagickCore.h>

class QIODevice;

// Entry points the system calls. A missing one makes the load fail.
#define PICTAVO_MAGICK_ENTRY_POINTS(X) \
    X(MagickCoreGenesis)                \
    X(MagickCoreTerminus)               \
    X(GetModuleList)                    \
    X(GetMagickVersion)                 \
    X(ListPolicyInfo)                   \
    X(GetMagickInfo)                    \
    X(IsRightsAuthorized)               \
    X(AutoOrientImage)                  \
    X(SetImageAlphaChannel)             \
    X(SetImageProperty)                 \
    X(GetImageProfile)                  \
    X(SetImageProfile)                  \
    X(DeleteImageProfile)               \
    X(ResetImageProfileIterator)        \
    X(GetNextImageProfile)              \
    X(GetImageProperty)                 \
    X(DeleteImageProperty)              \
    X(ResetImagePropertyIterator)       \
    X(GetNextImageProperty)             \
    X(BlobToStringInfo)                 \
    X(DestroyStringInfo)                \
    X(GetStringInfoDatum)               \
    X(GetStringInfoLength)              \
    X(AcquireExceptionInfo)             \
    X(DestroyExceptionInfo)             \
    X(ClearMagickException)             \
    X(SetMagickResourceLimit)           \
    X(GetMagickResourceLimit)           \
    X(BlobToImage)                      \
    X(FileToBlob)                       \
    X(ProfileImage)                     \
    X(RelinquishMagickMemory)           \
    X(AcquireImageInfo)                 \
    X(CloneImageInfo)                   \
    X(DestroyImageInfo)                 \
    X(SetImageOption)                   \
    X(PingBlob)                         \
    X(DestroyImageList)                 \
    X(GetImageListLength)               \
    X(GetImageFromList)                 \
    X(AppendImageToList)                \
    X(ReplaceImageInList)               \
    X(ResizeImage)                      \
    X(CropImage)                        \
    X(CloneImageList)                   \
    X(CloneString)                      \
    X(MagnifyImage)                     \
    X(MinifyImage)                      \
    X(SampleImage)                      \
    X(ScaleImage)                       \
    X(ThumbnailImage)                   \
    X(WriteImages)                      \
    X(RotateImage)                      \
    X(AffineTransformImage)             \
    X(SetMagickSecurityPolicy)          \
    X(ImageToBlob)                      \
    X(ImagesToBlob)                     \
    X(GetMagickAdjoin)                  \
    X(ExportImagePixels)                \
    X(TransformImageColorspace)         \
    X(CloneImage)                       \
    X(SetMagickAlignedMemoryMethods)

struct TMagickEntryPoints
{
#define PICTAVO_DECLARE_ENTRY(name) decltype(&::name) name = nullptr;
    PICTAVO_MAGICK_ENTRY_POINTS(PICTAVO_DECLARE_ENTRY)
#undef PICTAVO_DECLARE_ENTRY
};

// The entry-point table; every entry is null while the library is not loaded.
const TMagickEntryPoints &Magick();

// Decodes `count` bytes of the stream from its position. An in-memory stream (QBuffer)
// is decoded in place and its position does not move; any other stream is read.
// Throws TError("Size is not available in stream!") when fewer bytes remain.
Image *ReadImageFromStream(QIODevice &stream, const ImageInfo *info, qint64 count,
                           ExceptionInfo *exception);

// The library's FileToBlob; the caller releases the block with RelinquishMagickMemory.
void *FileToBlob(const QString &fileName, size_t maxLength, size_t *length,
                 ExceptionInfo *exception);
