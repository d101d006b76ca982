#pragma once

// The image library as the rest of the program sees it: loading, limits, policy and
// temporary files, in Qt types. The library's own types stay behind unitMagickApi.h.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

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
// Narrows the policy to exactly these coders, each with its mode ("R", "W" or "RW"): a
// source of any other format is refused before it is decoded. Once per load; rights the
// policy refused before are not to be named here.
void AllowOnlyCoders(const QList<QPair<QString, QString>> &coders);
// Whether the policy was narrowed to the offered coders since the library was loaded.
bool CodersNarrowed();
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

// Sets memory, map and pixel-area limits from MemoryLimit and MapLimit (megabytes), and
// the width, height and pixel-cache disk caps; does nothing while the library is not
// loaded.
void ApplyResourceLimits();
// Only the caps: WidthLimit and HeightLimit, CacheDiskLimit for the pixel caches and
// kMaxFramesPerImage. Also applied when the library is loaded.
void ApplyImageCaps();

// The limits the library holds now: memory, map and disk in bytes, the area, width and
// height in pixels; all 0 while it is not loaded.
struct TLibraryLimits
{
    quint64 Memory = 0;
    quint64 Map = 0;
    quint64 Area = 0;
    quint64 Width = 0; // pixels
    quint64 Height = 0;
    quint64 Disk = 0; // bytes
};
TLibraryLimits CurrentLibraryLimits();

// Tags of the library's installed coder modules; empty when it is not loaded.
QStringList InstalledCoderModules();
