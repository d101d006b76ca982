#pragma once

// The image in work: a list of frames decoded by the image library and the options
// it is written with. Only engine units include this header.

#include "engine/unitMagickHandles.h"

#include <QtGlobal>

class QByteArray;
class QIODevice;
class QString;

// "reason\r\ndescription" of a record that holds an exception of any severity, as a
// TError; nothing when the record is clean.
void ThrowIfLibraryError(const ExceptionInfo *exception);

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

    // Shrink-on-load: when `source` is a JPEG whose short side is at least twice
    // `shortSide`, the next decode runs at the smallest DCT scale that keeps the short
    // side at least `shortSide` and both sides exact (no rounding), so the frame keeps
    // the source's aspect ratio. Other sources decode at full size as before.
    void SetShrinkOnLoad(const QByteArray &source, size_t shortSide);

    // Decodes the rest of the stream and keeps what came back, even when the library
    // also reported a problem (which is then thrown).
    void LoadFrames(QIODevice &stream);
    // Decodes the rest of the stream and appends it only when the library reported
    // nothing at all.
    void AppendFrames(QIODevice &stream);

    // Moves every frame of `other` to the end of this list; `other` is left empty.
    void TakeFrames(TMagickImage &other);

    // Puts `replacement` (a single frame, owned from now on) in the current frame's place.
    void ReplaceCurrentFrame(TImageListPtr replacement);
    // Methods: 0 magnify, 1 minify, 2 resize with filter and blur, 3 sample, 4 scale,
    // 5 thumbnail.
    void ResizeCurrentFrame(size_t columns, size_t rows, int method, FilterTypes filter,
                            double blur);

    void SetQuality(int quality);
    void SetAdjoin(bool adjoin);
    // Writes the list from the current frame on; the encoder follows the extension.
    void SaveFrames(const QString &path);

private:
    TImageListPtr decode(QIODevice &stream, TExceptionPtr &exception);

    TImageListPtr m_frames;
    TImageInfoPtr m_info;
    int m_frameIndex = 0;
};
