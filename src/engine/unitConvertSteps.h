#pragma once

// What a conversion run does to the frames of one source: redraw, orient, resize,
// print profile, quality, write. Project settings are read when each step runs.

#include "engine/MagickImage.h"
#include "engine/unitRunSettings.h"
#include "project/unitGeneral.h"
#include "project/unitOutputOptions.h"

#include <QString>
#include <QStringList>

#include <memory>

// The files of one output, written into a hidden folder of this process beside their
// destination, where they wait for their final name; whatever is not placed goes with it.
class TStagedOutput
{
    Q_DISABLE_COPY_MOVE(TStagedOutput)

public:
    explicit TStagedOutput(const QString &plainOutputPath);
    ~TStagedOutput();

    // Writes the frames under the plain output's name; with several frames the writer
    // names one file per frame.
    void Write(TMagickImage &image);
    // Moves every file into place as `outputPath`, per-frame files renamed as the writer
    // would have named them. When one of the names is a source or, unless `mayReplace`,
    // a file (also one that appears meanwhile), nothing is placed and the text says which;
    // empty when placed. Throws when a move fails otherwise.
    QString Place(const QString &outputPath, const TSourcePaths &sources, bool mayReplace);
    // The staged files' paths, until they are placed.
    QStringList Files() const;
    // The encoder's warning, if any.
    QString Warning() const { return m_warning; }

private:
    QString m_plain;
    QString m_folder;
    QStringList m_files;
    QString m_warning;
};

// What ConvertSource does before it writes: the frames and options of the output file.
void PrepareOutput(TMagickImage &image, const QString &sourcePath, const QString &outputPath,
                   const TRunSettings &run);
// One output per source: every frame redrawn (several frames only), oriented and
// resized, the print profile for JPEG to TIFF, then written one file per frame. No file
// it writes replaces a source of the run, nor an existing file unless the project counts
// its outputs; such a write fails with a message and changes nothing. Returns the
// encoder's warning, if any.
QString ConvertSource(TMagickImage &image, const QString &sourcePath, const QString &outputPath,
                      const TRunSettings &run);
// The same transform and write, left staged under the plain output name for the run to
// place once the names of the rows before it are settled.
std::unique_ptr<TStagedOutput> StageSource(TMagickImage &image, const QString &sourcePath,
                                           const QString &plainOutputPath, const TRunSettings &run);
// Multipage: prepares the source just appended, whose last frame is current.
void CollectSource(TMagickImage &image, const QString &sourcePath, const TRunSettings &run);
// Multipage: what WriteCollection does to the collected frames before it writes them.
void PrepareCollection(TMagickImage &image, const QString &outputPath, const TRunSettings &run);
// Multipage: orients and resizes every collected frame and writes them into one file,
// which may replace an existing file but never a source of the run. Returns the encoder's
// warning, if any.
QString WriteCollection(TMagickImage &image, const QString &outputPath, const TRunSettings &run);

void AffineRedrawFrame(TMagickImage &image);
// Turns the pixels as the frame's EXIF orientation says and resets it to top-left.
void UprightFrame(TMagickImage &image);
void OrientFrame(TMagickImage &image, const TCnvJob &job);
// The project's size mode, or without one its width and height rules.
void ResizeFrame(TMagickImage &image, const TCnvJob &job, FilterTypes filter, double blur,
                 bool noEnlarge = false);
// Resizes the current frame as a size mode worked out, then keeps the crop it names.
void ResizeFrameTo(TMagickImage &image, const TFrameGeometry &geometry, FilterTypes filter, double blur);
// Hands the target's encoder options to the library for the next write.
void ApplyEncoderSettings(TMagickImage &image, const TEncoderSettings &encoder);
// The size ResizeFrame gives a frame of w x h; Resize is false when it keeps its size.
struct TOutputSize
{
    size_t Columns = 0;
    size_t Rows = 0;
    bool Resize = false;
};
TOutputSize ResizedSize(size_t w, size_t h, const TCnvJob &job, bool noEnlarge);
// What a name pattern needs of a source: when it was taken and the size its output will
// have, from the file's header without decoding the pixels.
TSourceFacts ProbeSource(const QString &sourcePath, const TRunSettings &run);
// Whether an output of this format (code or extension) keeps an alpha channel.
bool FormatKeepsAlpha(const QString &code);
// Lays a frame with an alpha channel onto the background colour and drops the channel.
void FlattenFrameOnto(TMagickImage &image, const TEncoderSettings &encoder);
// Pixels for a size in the project's measure (0 pixels, 1 cm, 2 inches) at 72 pixels
// per inch, rounded half to even.
qint64 SizeToPixels(long double value, int measure);
// A JPEG source (extension holds "JP") written as TIFF (target code holds "TIF").
bool IsJpegToTiff(const QString &sourcePath, const QString &targetExt);
// With both profile files in the folder, converts the frame to CMYK with the SWOP profile
// embedded: from its own embedded profile, or from sRGB when it has none. Otherwise, or
// when the conversion fails, the frame keeps its pixels and its profile.
void ConvertToPrintProfile(TMagickImage &image, const QString &profileFolder);

// The eighths (1 to 4, or 8 for the full size) a JPEG of w x h may be decoded at and still
// come out of the resize at the same size, only ever shrunk, whichever way it is turned.
size_t DecodeEighths(size_t w, size_t h, const TRunSettings &run);
