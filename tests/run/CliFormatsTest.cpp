#include "engine/unitFormats.h"
#include "project/unitJob.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The companion copied into sandbox/bin, so its report lands in sandbox/out.
class CliFormats : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        for (const char *folder : {"bin", "out", "photos"})
            QDir(sandbox.path()).mkpath(QString::fromLatin1(folder));
        program = at(QStringLiteral("bin/pictavo-cli"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-cli"), program));
        QFile(program).setPermissions(QFile::permissions(program) | QFileDevice::ExeOwner);
    }

    QString at(const QString &relative) const { return sandbox.filePath(relative); }

    // Converts the sources into `dest` with a project of that target; the files written.
    QStringList convert(const QString &target, const QStringList &sources, const QString &dest)
    {
        QDir(sandbox.path()).mkpath(dest);
        TCnvJob job(QStringLiteral("Formats"));
        job.TargetExt = target;
        job.UseDestDir = 1;
        job.DestDir = at(dest);
        job.SizeAsIs = 1;
        job.OrientAsIs = 1;
        job.SaveToFile(at(QStringLiteral("job.prj")));
        QProcess process;
        process.setWorkingDirectory(at(QStringLiteral("bin")));
        process.start(program, QStringList{QStringLiteral("convert"), at(QStringLiteral("job.prj"))} + sources);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(300000));
        EXPECT_EQ(process.exitCode(), 0) << target.toStdString() << ": "
                                         << process.readAllStandardOutput().toStdString()
                                         << process.readAllStandardError().toStdString();
        return QDir(at(dest)).entryList(QDir::Files, QDir::Name);
    }

    QTemporaryDir sandbox;
    QString program;
};

TEST_F(CliFormats, EveryWritableNewFormatConvertsBothWaysThroughAFolder)
{
    // The formats offered beyond what the table rows of the installed modules gave.
    QStringList earlier;
    for (const TFilterItemType &format : FormatsForModules(InstalledCoderModules()))
        earlier.append(format.Code);
    QStringList targets;
    for (const TFilterItemType &format : std::as_const(AvailableFormats)) {
        if (!earlier.contains(format.Code) && format.Mode.contains(QLatin1Char('W')))
            targets.append(format.Code);
    }
    for (const char *code : {"WEBP", "HEIC", "AVIF", "PPM", "PGM", "PBM", "PAM", "EXR", "HDR"})
        ASSERT_TRUE(targets.contains(QLatin1String(code))) << code;

    const TRgb colour{51, 102, 204};
    WriteFileBytes(at(QStringLiteral("photos/blue.png")), MakeImageBytes(QStringLiteral("xc:#3366CC"), 48, 32, QStringLiteral("png")));
    for (const QString &target : std::as_const(targets)) {
        SCOPED_TRACE(target.toStdString());
        const QString there = QStringLiteral("to-") + target;
        ASSERT_EQ(convert(target, {at(QStringLiteral("photos/blue.png"))}, there),
                  QStringList({QStringLiteral("blue.") + target}));
        // Back again, the folder gathered by the extension the project ticks.
        const QString back = QStringLiteral("back-") + target;
        ASSERT_EQ(convert(QStringLiteral("PNG"), {at(there)}, back), QStringList({QStringLiteral("blue.PNG")}));
        TImageListPtr image = ReadImageFile(at(back + QStringLiteral("/blue.PNG")));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->columns, 48u);
        const TRgb got = PixelAt(image.get(), 24, 16);
        if (target == QLatin1String("PBM"))
            EXPECT_TRUE(got.red == got.green && got.green == got.blue && (got.red == 0 || got.red == 255));
        else if (target == QLatin1String("PGM"))
            EXPECT_TRUE(got.red == got.green && got.green == got.blue && std::abs(got.red - 98) < 12) << got.red;
        else
            EXPECT_TRUE(std::abs(got.red - colour.red) < 12 && std::abs(got.green - colour.green) < 12
                        && std::abs(got.blue - colour.blue) < 12)
                << got.red << "," << got.green << "," << got.blue;
    }
}

TEST_F(CliFormats, AFolderOfTodaysFilesIsGatheredWhole)
{
    const char *const files[] = {"a.jpg", "b.png", "c.webp", "d.heic", "e.avif", "f.ico", "g.ppm", "h.tif", "i.pam", "k.tga"};
    for (const char *name : files) {
        const QString file = QString::fromLatin1(name);
        WriteFileBytes(at(QStringLiteral("photos/") + file),
                       MakeImageBytes(QStringLiteral("gradient:navy-gold"), 32, 24, file.section(QLatin1Char('.'), 1)));
    }
    WriteFileBytes(at(QStringLiteral("photos/j.heif")), ReadFileBytes(at(QStringLiteral("photos/d.heic"))));
    const QStringList written = convert(QStringLiteral("PNG"), {at(QStringLiteral("photos"))}, QStringLiteral("dest"));
    EXPECT_EQ(written.size(), int(std::size(files)) + 1) << written.join(QLatin1Char(' ')).toStdString();
    for (const QString &name : written)
        EXPECT_EQ(ImageFileFrameCount(at(QStringLiteral("dest/")) + name), 1) << name.toStdString();
}

} // namespace
