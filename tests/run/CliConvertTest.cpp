#include "project/unitJob.h"
#include "support/TestImages.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

#include <gtest/gtest.h>

namespace {

// A private copy of the companion in sandbox/bin, so that its LastReport.txt lands in
// sandbox/out and not in the build tree that other tests share.
class CliConvert : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        QDir root(sandbox.path());
        for (const char *folder : {"bin", "out", "photos/sub", "dest"})
            root.mkpath(QString::fromLatin1(folder));
        program = at(QStringLiteral("bin/pictavo-cli"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(PICTAVO_BIN_DIR "/pictavo-cli"), program));
        QFile(program).setPermissions(QFile::permissions(program) | QFileDevice::ExeOwner);
    }

    QString at(const QString &relative) const { return sandbox.filePath(relative); }

    // A project written by the program's own code: PNG from the usual formats into dest/.
    QString project(const std::function<void(TCnvJob &)> &edit = {})
    {
        TCnvJob job(QStringLiteral("Cli"));
        job.TargetExt = QStringLiteral("PNG");
        job.UseDestDir = 1;
        job.DestDir = at(QStringLiteral("dest"));
        job.SizeAsIs = 1;
        job.OrientAsIs = 1;
        job.SearchMode = 0;
        if (edit)
            edit(job);
        const QString path = at(QStringLiteral("job.prj"));
        job.SaveToFile(path);
        return path;
    }

    void image(const QString &relative, int width = 32, int height = 24)
    {
        WriteFileBytes(at(relative), MakeImageBytes(QStringLiteral("gradient:navy-gold"), width,
                                                    height, QFileInfo(relative).suffix().toLower()));
    }

    TProcessResult convert(const QStringList &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(at(QStringLiteral("bin")));
        process.start(program, QStringList{QStringLiteral("convert")} + arguments);
        TProcessResult result;
        EXPECT_TRUE(process.waitForStarted(30000));
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(300000));
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    static QStringList lines(const QByteArray &bytes)
    {
        return QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    }

    QTemporaryDir sandbox;
    QString program;
};

TEST_F(CliConvert, AFolderOfImagesBecomesConvertedFilesAndAReport)
{
    image(QStringLiteral("photos/a.jpg"));
    image(QStringLiteral("photos/b.gif"));
    image(QStringLiteral("photos/sub/c.png"));
    WriteFileBytes(at(QStringLiteral("photos/broken.jpg")), QByteArray("no picture here"));
    WriteFileBytes(at(QStringLiteral("photos/notes.doc")), QByteArray("not an image format"));

    const TProcessResult result = convert({project(), at(QStringLiteral("photos"))});
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    const QStringList out = lines(result.out);
    const QString photos = at(QStringLiteral("photos"));
    EXPECT_TRUE(out.contains(QStringLiteral("converted ") + photos + QStringLiteral("/a.jpg -> ") + at(QStringLiteral("dest/a.PNG"))));
    EXPECT_TRUE(out.contains(QStringLiteral("converted ") + photos + QStringLiteral("/b.gif -> ") + at(QStringLiteral("dest/b.PNG"))));
    EXPECT_TRUE(out.contains(QStringLiteral("converted ") + photos + QStringLiteral("/sub/c.png -> ") + at(QStringLiteral("dest/c.PNG"))));
    EXPECT_TRUE(out.contains(QStringLiteral("failed ") + photos + QStringLiteral("/broken.jpg: Can not encode image")));
    EXPECT_FALSE(result.out.contains("notes.doc"));
    // The subfolder's file comes after its parent's files.
    const int sub = out.indexOf(QRegularExpression(QStringLiteral("converted .*/sub/c\\.png .*")));
    ASSERT_GE(sub, 0);
    for (const char *name : {"/a.jpg", "/b.gif", "/broken.jpg"})
        EXPECT_LT(out.indexOf(QRegularExpression(QStringLiteral("(converted|failed) .*") + QString::fromLatin1(name) + QStringLiteral("[ :].*"))), sub);

    EXPECT_TRUE(out.contains(QStringLiteral("Total files :4")));
    EXPECT_TRUE(out.contains(QStringLiteral("Successful  :3")));
    EXPECT_TRUE(out.contains(QStringLiteral("Failed      :1")));
    EXPECT_TRUE(out.contains(QStringLiteral("broken.jpg -> Can not encode image")));
    EXPECT_TRUE(out.contains(QStringLiteral("Out directory  :") + at(QStringLiteral("dest"))));
    EXPECT_TRUE(out.contains(QStringLiteral("Status  : Ok")));
    for (const char *name : {"dest/a.PNG", "dest/b.PNG", "dest/c.PNG"})
        EXPECT_EQ(ImageFileFrameCount(at(QString::fromLatin1(name))), 1) << name;

    const QByteArray report = ReadFileBytes(at(QStringLiteral("out/LastReport.txt")));
    EXPECT_TRUE(report.contains("Successful  :3\r\nFailed      :1\r\n"));
    EXPECT_TRUE(report.endsWith("Status  : Ok\r\n"));
}

TEST_F(CliConvert, EveryFileConvertedExitsWithZero)
{
    image(QStringLiteral("photos/one.png"));
    image(QStringLiteral("photos/sub/two.png"));
    const TProcessResult result = convert({project([](TCnvJob &job) { job.SearchMode = 1; }),
                                           at(QStringLiteral("photos"))});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    // Only the folder itself was searched.
    EXPECT_TRUE(result.out.contains("one.png -> "));
    EXPECT_FALSE(result.out.contains("two.png"));
    EXPECT_TRUE(result.out.contains("Total files :1\n"));
}

TEST_F(CliConvert, FilesConvertedAtOnceStillPrintTheirLinesInTheOrderOfTheFiles)
{
    for (int i = 0; i < 6; ++i)
        image(QStringLiteral("photos/p%1.png").arg(i), i == 0 ? 900 : 16, i == 0 ? 700 : 12);
    QStringList arguments{QStringLiteral("--jobs"), QStringLiteral("3"), project()};
    for (int i = 0; i < 6; ++i)
        arguments.append(at(QStringLiteral("photos/p%1.png").arg(i)));
    const TProcessResult result = convert(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    QStringList converted = lines(result.out).filter(QStringLiteral("converted "));
    ASSERT_EQ(converted.size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(converted.at(i).endsWith(at(QStringLiteral("dest/p%1.PNG").arg(i)))) << converted.at(i).toStdString();
}

TEST_F(CliConvert, FilesNamedOneByOneAreTakenWhateverTheirExtension)
{
    image(QStringLiteral("photos/picture.png"));
    QFile::rename(at(QStringLiteral("photos/picture.png")), at(QStringLiteral("photos/picture.data")));
    const TProcessResult result = convert({project(), at(QStringLiteral("photos/picture.data"))});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(at(QStringLiteral("dest/picture.PNG"))));
}

TEST_F(CliConvert, WithNoFormatTickedFoldersGiveNothingAndNamedFilesStillCount)
{
    image(QStringLiteral("photos/a.png"));
    image(QStringLiteral("photos/sub/b.png"));
    const auto noFormats = [](TCnvJob &job) {
        for (TExtCell &cell : job.SourceExts)
            cell.Enabled = 0;
    };
    TProcessResult result = convert({project(noFormats), at(QStringLiteral("photos"))});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("List of favotite is empty")) << result.err.toStdString();
    EXPECT_TRUE(QDir(at(QStringLiteral("dest"))).isEmpty());

    result = convert({project(noFormats), at(QStringLiteral("photos")), at(QStringLiteral("photos/a.png"))});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(QDir(at(QStringLiteral("dest"))).entryList(QDir::Files), QStringList{QStringLiteral("a.PNG")});
}

TEST_F(CliConvert, MultipageWritesOneFileWithTheTargetExtension)
{
    image(QStringLiteral("photos/p1.png"));
    image(QStringLiteral("photos/p2.png"), 20, 40);
    WriteFileBytes(at(QStringLiteral("photos/p3.png")), QByteArray());
    const TProcessResult result = convert(
        {project([](TCnvJob &job) { job.TargetExt = QStringLiteral("TIFF"); }),
         QStringLiteral("--multipage"), at(QStringLiteral("dest/album.jpg")), at(QStringLiteral("photos"))});
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    EXPECT_EQ(ImageFileFrameCount(at(QStringLiteral("dest/album.TIFF"))), 2);
    EXPECT_FALSE(QFileInfo::exists(at(QStringLiteral("dest/album.jpg"))));
    const QStringList out = lines(result.out);
    EXPECT_TRUE(out.contains(QStringLiteral("converted ") + at(QStringLiteral("photos/p1.png")) + QStringLiteral(" -> ") + at(QStringLiteral("dest/album.TIFF"))));
    EXPECT_TRUE(out.contains(QStringLiteral("failed ") + at(QStringLiteral("photos/p3.png")) + QStringLiteral(": Can not encode image")));
}

TEST_F(CliConvert, UsageAndProjectErrorsExitWithTwo)
{
    image(QStringLiteral("photos/a.png"));
    const QString job = project();
    struct Case
    {
        QStringList arguments;
        const char *message;
    };
    const QList<Case> cases = {
        {{job}, "at least one source"},
        {{}, "at least one source"},
        {{job, QStringLiteral("--multipage")}, "--multipage needs a file name"},
        {{job, QStringLiteral("--fast"), at(QStringLiteral("photos"))}, "Unknown option --fast"},
        {{job, QStringLiteral("--jobs"), QStringLiteral("0"), at(QStringLiteral("photos"))}, "--jobs needs a number from 1 to 16"},
        {{job, QStringLiteral("--jobs"), QStringLiteral("17"), at(QStringLiteral("photos"))}, "--jobs needs a number from 1 to 16"},
        {{job, at(QStringLiteral("photos")), QStringLiteral("--jobs")}, "--jobs needs a number from 1 to 16"},
        {{at(QStringLiteral("missing.prj")), at(QStringLiteral("photos"))}, "missing.prj"},
        {{job, at(QStringLiteral("photos/nothing.png"))}, "No such file or folder"},
        {{job, at(QStringLiteral("photos/sub"))}, "List of favotite is empty"},
    };
    for (const Case &c : cases) {
        const TProcessResult result = convert(c.arguments);
        EXPECT_EQ(result.exitCode, 2) << c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
    }
    WriteFileBytes(job, QByteArray("not a project"));
    EXPECT_EQ(convert({job, at(QStringLiteral("photos"))}).exitCode, 2);
}

TEST_F(CliConvert, TheConvertChecksRefuseAProjectThatCannotRun)
{
    image(QStringLiteral("photos/a.png"));
    TProcessResult result = convert(
        {project([this](TCnvJob &job) { job.DestDir = at(QStringLiteral("nowhere")); }), at(QStringLiteral("photos"))});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("Destination directory not exist"));
    result = convert({project([](TCnvJob &job) { job.TargetExt.clear(); }), at(QStringLiteral("photos"))});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("Incorrect new extension"));
    EXPECT_FALSE(QFileInfo::exists(at(QStringLiteral("out/LastReport.txt"))));
}

TEST_F(CliConvert, InterruptFinishesTheFileInWorkAndReportsAUserBreak)
{
    const int count = 12;
    for (int i = 0; i < count; ++i)
        image(QStringLiteral("photos/big%1.png").arg(i, 2, 10, QLatin1Char('0')), 1600, 1200);
    QProcess process;
    process.setWorkingDirectory(at(QStringLiteral("bin")));
    process.start(program, {QStringLiteral("convert"),
                            project([](TCnvJob &job) {
                                job.TargetExt = QStringLiteral("TIFF");
                                job.SizeAsIs = 0;
                                job.Width = QStringLiteral("1400");
                                job.Height = QStringLiteral("1000");
                            }),
                            at(QStringLiteral("photos"))});
    ASSERT_TRUE(process.waitForStarted(30000));
    // The first line arrives while the run goes on: the pipe is flushed per row.
    QByteArray seen;
    while (!seen.contains('\n') && process.waitForReadyRead(120000))
        seen += process.readAllStandardOutput();
    ASSERT_TRUE(seen.startsWith("converted ")) << seen.toStdString();
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(300000));
    seen += process.readAllStandardOutput();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    const int converted = int(seen.count("\nconverted ")) + 1;
    EXPECT_LT(converted, count);
    EXPECT_EQ(QDir(at(QStringLiteral("dest"))).entryList(QDir::Files).size(), converted);
    EXPECT_TRUE(seen.contains("Status  : User break"));
    EXPECT_TRUE(seen.contains(QByteArray("Successful  :").append(QByteArray::number(converted)).append('\n')));
    EXPECT_TRUE(seen.contains("Failed      :0\n"));
    EXPECT_TRUE(ReadFileBytes(at(QStringLiteral("out/LastReport.txt"))).contains("User break"));
}

} // namespace
