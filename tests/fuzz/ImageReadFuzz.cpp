// Hands arbitrary bytes to the image library through the read path of a conversion run
// (a source file opened as the run opens it, decoded under the program's policy). Built
// as a libFuzzer target with clang, and linked into a replay test of the stored seeds.
#include "engine/MagickImage.h"
#include "engine/unitImageLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

namespace {

QString sourcePath()
{
    static const QString path = [] {
        if (!ImageLibraryLoaded)
            StartImageLibrary();
        return QDir::temp().filePath(QStringLiteral("pictavo-fuzz-source-%1")
                                         .arg(QCoreApplication::applicationPid()));
    }();
    return path;
}

[[noreturn]] void broken() { std::abort(); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = sourcePath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    TMagickImage image;
    bool damaged = false;
    try {
        QFile file;
        OpenSource(file, path);
        image.LoadFrames(file);
    } catch (const TCorruptSource &) {
        damaged = true; // the run fails such a row whatever frames came back
    } catch (const TError &) {
    }
    QFile::remove(path);
    if (image.FrameCount() > kMaxFramesPerImage)
        broken();
    // What the run goes on to convert is a list it can work on.
    for (int i = 0; !damaged && i < image.FrameCount(); ++i) {
        const Image *frame = image.FrameAt(i);
        if (!frame || frame->columns == 0 || frame->rows == 0)
            broken();
    }
    return 0;
}
