#pragma once

// The image in work: a list of frames decoded by the image library and the options
// it is written with. Only engine units include this header.

#include "engine/unitMagickHandles.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

class QIODevice;
class QString;

#include "project/unitGeneral.h"

class QFile;

// A source the run does not hand to the library at all, or a format the security policy
// refuses: the text says which, where an unreadable source says only that it failed.
class TSourceRefused : public TError
{
public:
    using TError::TError;
};

// The decoder said pixels are missing (an error, truncation or a read error): whatever
// frames came back are not the picture.
class TCorruptSource : public TError
{
public:
    using TError::TError;
};

// A file of the output could not be written. The text names the file and the system's
// reason; FileName is the name within its folder, Reason the system's text.
class TFileWriteError : public TError
{
public:
    TFileWriteError(const QString &path, const QString &reason);
    // The same failure told of another path, the one the user chose.
    TFileWriteError For(const QString &path) const { return TFileWriteError(path, m_reason); }
    QString Reason() const { return m_reason; }

private:
    QString m_reason;
};

// "reason\r\ndescription" of a record that holds an exception of any severity, as a
// TError; nothing when the record is clean. A refusal of the security policy becomes
// TSourceRefused("Format not allowed: " and the format).
void ThrowIfLibraryError(const ExceptionInfo *exception);

// Opens a source for reading without waiting on it: a pipe, a device or anything else
// that is not a regular file is refused with TSourceRefused before a byte is read.
void OpenSource(QFile &file, const QString &path);

// The frame's profile of that name ("icc", "exif"), empty when it has none.
QByteArray ImageProfileBytes(const Image *frame, const char *name);

// One file of an output, encoded in memory: its path and its bytes.
struct TEncodedFile
{
    QString Path;
    QByteArray Bytes;
    QString Warning; // the encoder's, if it gave one
};

class TMagickImage
{
    Q_DISABLE_COPY_MOVE(TMagickImage)

public:
    // Throws TError("ImageMagick library not loaded") when there is no library.
    TMagickImage();
    ~TMagickImage();

    void Reset();

    Image *Frames() const { return m_frames.get(); }
    ImageInfo *Info() const { return m_info.get(); }
    int FrameIndex() const { return m_frameIndex; }

    int FrameCount() const;
    Image *FrameAt(int index) const;
    Image *CurrentFrame() const { return FrameAt(m_frameIndex); }
    void SelectFrame(int index);
    size_t FrameWidth() const;
    size_t FrameHeight() const;

    // Shrink-on-load: the next decode of a JPEG of columns x rows runs at `eighths` of
    // its size (1 to 4; 8 keeps the full size). Other formats ignore it.
    void SetShrinkOnLoad(size_t columns, size_t rows, size_t eighths);
    // A JPEG decoded larger than an output needs becomes what shrink-on-load at `eighths`
    // would have decoded: averaged down from the pixels at hand.
    void ShrinkAsOnLoad(size_t eighths);

    // Decodes the rest of the stream and keeps what came back. A report that pixels are
    // missing (an error, truncation, a read error) is thrown as TCorruptSource, a refusal
    // of the policy as TSourceRefused; a warning that leaves the pixels whole is returned.
    QString LoadFrames(QIODevice &stream);
    // Decodes the rest of the stream and appends it unless pixels are missing, which is
    // thrown as LoadFrames throws it; returns a harmless warning.
    QString AppendFrames(QIODevice &stream);

    // Moves every frame of `other` to the end of this list; `other` is left empty.
    void TakeFrames(TMagickImage &other);
    // Replaces this list with a copy of `other`'s frames; the pixels are shared until
    // either side changes them.
    void CopyFramesFrom(const TMagickImage &other);

    // Puts `replacement` (a single frame, owned from now on) in the current frame's place.
    void ReplaceCurrentFrame(TImageListPtr replacement);
    // Methods: 0 magnify, 1 minify, 2 resize with filter and blur, 3 sample, 4 scale,
    // 5 thumbnail.
    void ResizeCurrentFrame(size_t columns, size_t rows, int method, FilterTypes filter,
                            double blur);

    void SetQuality(int quality);
    void SetAdjoin(bool adjoin);
    // AVIF and HEIC at this speed (0..9) are encoded by libheif itself, which the
    // library's coder gives no speed; -1 leaves them to the coder.
    void SetHeifSpeed(int speed) { m_heifSpeed = speed; }
    // Writes the list from the current frame on; the encoder follows the extension. The
    // library encodes into memory and never sees the name, so the file written is the one
    // named, whatever characters it holds. Without adjoin (or a format that holds one frame)
    // several frames go to "<name>-<scene>.<ext>" each, as the library names them. A file
    // that cannot be written throws TFileWriteError and is removed. Returns the encoder's
    // warning, if it gave one.
    QString SaveFrames(const QString &path);
    // What SaveFrames would write, file by file, encoded in memory and written nowhere.
    QList<TEncodedFile> EncodeFrames(const QString &path);

private:
    TImageListPtr decode(QIODevice &stream, TExceptionPtr &exception);

    TImageListPtr m_frames;
    TImageInfoPtr m_info;
    int m_frameIndex = 0;
    int m_heifSpeed = -1;
};
