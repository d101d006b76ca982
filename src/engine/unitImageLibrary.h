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
    X(GetMagickInfo)                    \
    X(IsRightsAuthorized)               \
    X(AutoOrientImage)                  \
    X(SetImageAlphaChannel)             \
    X(SetImageProperty)                 \
    X(GetImageProfile)                  \
    X(AcquireExceptionInfo)             \
    X(DestroyExceptionInfo)             \
    X(ClearMagickException)             \
    X(SetMagickResourceLimit)           \
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
    X(GetMagickAdjoin)

struct TMagickEntryPoints
{
#define PICTAVO_DECLARE_ENTRY(name) decltype(&::name) name = nullptr;
    PICTAVO_MAGICK_ENTRY_POINTS(PICTAVO_DECLARE_ENTRY)
#undef PICTAVO_DECLARE_ENTRY
};

// The library's file name, looked up through the standard search or inside a folder.
QString ImageLibraryFileName();
// "Not found " and the file name: the text shown when the library is missing.
QString ImageLibraryMissingText();

// Loads and initialises the library on the first successful call; every call takes a
// reference. An empty folder uses the standard library search. True when loaded after.
bool LoadImageLibrary(const QString &folder);
// Drops one reference; shuts the library down and unloads it at zero.
// True when the library is not loaded after the call.
bool UnloadImageLibrary();
bool ImageLibraryIsLoaded();
int ImageLibraryReferenceCount();

// The result of the start-up load.
extern bool ImageLibraryLoaded;

// The policy installed when the library is loaded: no delegate programs, no "@file"
// indirection, no coder that reaches the network or reads files other than the image,
// no format that only a delegate could read, and a cap on frames per image. Formats a
// system policy lets the library write stay writable; nothing it refuses is allowed.
QString LibrarySecurityPolicy();
// Frames one decoded image may hold.
constexpr int kMaxFramesPerImage = 2000;

// The library's temporary files go into a folder of this process inside the current
// temporary folder (TMPDIR), made on first use and removed when the library is stopped;
// folders left by processes that are gone are removed on the way. Call it before a run.
void PrepareLibraryTemporaryFolder();
// The folder in use, empty before the first call.
QString LibraryTemporaryFolder();

// Whether the process that made a file named "<prefix><pid>-..." is gone. Used to tidy
// what killed runs left behind.
bool LeftByVanishedProcess(const QString &fileName, const QString &prefix);

// The start-up load: from the folder named by PICTAVO_MAGICK_DIR when that is set,
// otherwise through the standard search. Sets ImageLibraryLoaded.
bool StartImageLibrary();
// The exit sequence: drops references until none is left.
void StopImageLibrary();

// The entry-point table; every entry is null while the library is not loaded.
const TMagickEntryPoints &Magick();

// Sets memory, map and pixel-area limits from MemoryLimit and MapLimit (megabytes);
// does nothing while the library is not loaded.
void ApplyResourceLimits();

// Decodes `count` bytes of the stream from its position. An in-memory stream (QBuffer)
// is decoded in place and its position does not move; any other stream is read.
// Throws TError("Size is not available in stream!") when fewer bytes remain.
Image *ReadImageFromStream(QIODevice &stream, const ImageInfo *info, qint64 count,
                           ExceptionInfo *exception);

// The library's FileToBlob; the caller releases the block with RelinquishMagickMemory.
void *FileToBlob(const QString &fileName, size_t maxLength, size_t *length,
                 ExceptionInfo *exception);
