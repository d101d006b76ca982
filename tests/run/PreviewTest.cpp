#include "RunFixture.h"

#include "engine/unitPreview.h"
#include "support/TestFrames.h"
#include "support/TestImages.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Every pixel of the file's first frame as the preview hands them to the screen.
QByteArray rgbaOf(const QString &path, QSize &size)
{
    const TImageListPtr frames = ReadImageFile(path);
    if (!frames)
        return {};
    size = QSize(int(frames->columns), int(frames->rows));
    QByteArray rgba;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const TRgb pixel = PixelAt(frames.get(), x, y);
            rgba.append(char(pixel.red)).append(char(pixel.green)).append(char(pixel.blue)).append(char(255));
        }
    }
    return rgba;
}

} // namespace

// The preview is the run's own pipeline encoded in memory: for a portrait JPEG, a PNG
// with alpha flattened for JPEG and a 3-page TIFF split into three JPEGs, its pixels,
// pixel size, file count and bytes are those of the files the run then writes.
TEST_F(RunTest, PreviewShowsExactlyWhatTheRunWrites)
{
    job().TargetExt = QStringLiteral("JPEG");
    job().Quality = 80;
    job().SizeAsIs = 0;
    job().Measure = 0;
    job().Width = QStringLiteral("64");
    job().Height = QStringLiteral("48");
    addImage(QStringLiteral("portrait.jpg"), 120, 160, QStringLiteral("gradient:navy-orange"));
    addImage(QStringLiteral("alpha.png"), 90, 60, QStringLiteral("gradient:red-none"));
    const TImageListPtr pages = MakeFrames(QStringLiteral("gradient:green-white"), 80, 70, 3);
    WriteFrames(pages.get(), source(QStringLiteral("pages.tif")));
    addEntry(QStringLiteral("pages.tif"));
    rebuild();

    const QStringList names = {QStringLiteral("portrait"), QStringLiteral("alpha"), QStringLiteral("pages")};
    QList<TPreview> previews;
    for (int row = 0; row < rows.Count(); ++row)
        previews.append(MakePreview(EntryKey(rows.Row(row)), RunSettingsFor(job())));
    runHere();
    ASSERT_EQ(statuses(), (QList<quint8>{2, 2, 2}));

    const QList<int> fileCounts = {1, 1, 3};
    for (int row = 0; row < rows.Count(); ++row) {
        SCOPED_TRACE(names.at(row).toStdString());
        const TPreview &preview = previews.at(row);
        ASSERT_TRUE(preview.Error.isEmpty()) << preview.Error.toStdString();
        const QStringList written = QDir(output(QString())).entryList({names.at(row) + QStringLiteral("*")}, QDir::Files);
        ASSERT_EQ(written.size(), fileCounts.at(row));
        EXPECT_EQ(preview.OutputFiles, fileCounts.at(row));
        qint64 bytes = 0;
        for (const QString &name : written)
            bytes += QFileInfo(output(name)).size();
        EXPECT_EQ(preview.OutputBytes, bytes);
        EXPECT_EQ(preview.SourceBytes, QFileInfo(EntryKey(rows.Row(row))).size());

        QSize size;
        const QByteArray pixels = rgbaOf(output(written.first()), size);
        EXPECT_EQ(preview.Output.Size, size);
        EXPECT_TRUE(preview.Output.Rgba == pixels);
    }
    EXPECT_EQ(previews.at(0).Output.Size, QSize(48, 64));
    EXPECT_EQ(previews.at(0).SourceSize, QSize(120, 160));
    EXPECT_EQ(previews.at(2).SourceFrames, 3);
}

TEST_F(RunTest, PreviewTellsWhyNothingWouldBeWritten)
{
    addFile(QStringLiteral("broken.png"), QByteArrayLiteral("\x89PNG\r\n\x1a\n not really"));
    const TPreview damaged = MakePreview(source(QStringLiteral("broken.png")), RunSettingsFor(job()));
    EXPECT_FALSE(damaged.Error.isEmpty());
    EXPECT_TRUE(damaged.Output.IsNull());

    addImage(QStringLiteral("fine.png"));
    std::atomic_bool cancel{true};
    const TPreview cancelled = MakePreview(source(QStringLiteral("fine.png")), RunSettingsFor(job()), &cancel);
    EXPECT_TRUE(cancelled.Output.IsNull());
    EXPECT_TRUE(cancelled.Error.isEmpty());
    EXPECT_TRUE(QDir(output(QString())).isEmpty());
}
