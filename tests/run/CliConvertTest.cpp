#include "project/unitJob.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <memory>
#include <tuple>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

    TProcessResult convert(const QStringList &arguments,
                           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        process.setProcessEnvironment(environment);
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

    // The same as an ordinary user: root lists every folder whatever its permissions.
    TProcessResult convertAsNobody(const QStringList &arguments)
    {
        if (::geteuid() != 0)
            return convert(arguments);
        QProcess process;
        process.setWorkingDirectory(at(QStringLiteral("bin")));
        process.start(QStringLiteral("setpriv"),
                      QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                  QStringLiteral("--clear-groups"), QStringLiteral("--"), program,
                                  QStringLiteral("convert")} + arguments);
        TProcessResult result;
        EXPECT_TRUE(process.waitForStarted(30000));
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

TEST_F(CliConvert, AFolderThatCannotBeListedIsNamedFailsTheRunAndTheWalkGoesOn)
{
    for (const char *folder : {"photos/locked", "photos/z"})
        QDir().mkpath(at(QString::fromLatin1(folder)));
    image(QStringLiteral("photos/a.png"));
    image(QStringLiteral("photos/locked/b.png"));
    image(QStringLiteral("photos/z/c.png"));
    const QString job = project();
    for (const char *open : {"", "bin", "photos", "photos/z"})
        QFile::setPermissions(at(QString::fromLatin1(open)), QFileDevice::Permissions(0x7555));
    for (const char *writable : {"dest", "out"})
        QFile::setPermissions(at(QString::fromLatin1(writable)), QFileDevice::Permissions(0x7777));
    QFile::setPermissions(at(QStringLiteral("photos/locked")), QFileDevice::Permissions());
    const TProcessResult result = convertAsNobody({job, at(QStringLiteral("photos"))});
    QFile::setPermissions(at(QStringLiteral("photos/locked")), QFileDevice::Permissions(0x7700));
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QByteArray(QByteArray("Folder cannot be listed: ") + at(QStringLiteral("photos/locked/")).toUtf8())))
        << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("/a.png -> ")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("/z/c.png -> ")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("Total files :2\n"));
}

TEST_F(CliConvert, TheDestinationInsideASearchedFolderIsNoSourceOfTheNextRun)
{
    image(QStringLiteral("photos/a.png"));
    image(QStringLiteral("photos/sub/b.png"));
    const QString job = project([this](TCnvJob &job) { job.DestDir = at(QStringLiteral("photos/converted")); });
    QDir().mkpath(at(QStringLiteral("photos/converted")));
    for (int run = 0; run < 2; ++run) {
        const TProcessResult result = convert({job, at(QStringLiteral("photos"))});
        EXPECT_EQ(result.exitCode, 0) << run << result.err.toStdString();
        EXPECT_TRUE(result.out.contains("Total files :2\n")) << run << result.out.toStdString();
        EXPECT_FALSE(result.out.contains(QByteArray("converted " + at(QStringLiteral("photos/converted/")).toUtf8())))
            << run << result.out.toStdString();
    }
    // No staging folder is left for a later walk either.
    EXPECT_EQ(QDir(at(QStringLiteral("photos/converted"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 4);
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

TEST_F(CliConvert, TwoRunsIntoOneFolderNeverReplaceEachOthersFiles)
{
    // Same base names from two folders; each run's pictures have a width of their own.
    constexpr int kFiles = 16;
    const QString job = project();
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int run = 0; run < 2; ++run) {
        QDir(sandbox.path()).mkpath(QStringLiteral("run%1").arg(run));
        QStringList arguments{QStringLiteral("convert"), QStringLiteral("--jobs"), QStringLiteral("2"), job};
        for (int i = 0; i < kFiles; ++i) {
            const QString name = QStringLiteral("run%1/p%2.png").arg(run).arg(i);
            image(name, 40 + run, 30);
            arguments.append(at(name));
        }
        runs.push_back(std::make_unique<QProcess>());
        runs.back()->setWorkingDirectory(at(QStringLiteral("bin")));
        runs.back()->start(program, arguments);
    }
    QSet<QString> outputs;
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(runs[run]->waitForFinished(300000));
        EXPECT_EQ(runs[run]->exitCode(), 0) << runs[run]->readAllStandardError().toStdString();
        const QStringList converted = lines(runs[run]->readAllStandardOutput()).filter(QStringLiteral("converted "));
        ASSERT_EQ(converted.size(), kFiles);
        for (const QString &line : converted) {
            const QString output = line.section(QStringLiteral(" -> "), 1);
            outputs.insert(output);
            const TImageListPtr frames = ReadImageFile(output);
            ASSERT_TRUE(frames) << line.toStdString();
            EXPECT_EQ(frames->columns, size_t(40 + run)) << line.toStdString();
        }
    }
    EXPECT_EQ(outputs.size(), 2 * kFiles);
    EXPECT_EQ(QDir(at(QStringLiteral("dest"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2 * kFiles);
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
    EXPECT_TRUE(result.err.contains("List of favorite is empty")) << result.err.toStdString();
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
        {{job, at(QStringLiteral("photos/sub"))}, "List of favorite is empty"},
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

// No project: a new project's defaults with the command line's settings; a project's
// settings give way to the same options; a bad option stops before anything is written.
TEST_F(CliConvert, OptionsConvertWithoutAProjectAndOverrideOne)
{
    image(QStringLiteral("photos/wide.png"), 80, 40);
    image(QStringLiteral("photos/tall.png"), 30, 60);
    TProcessResult result = convert({QStringLiteral("--to"), QStringLiteral("webp"), QStringLiteral("--size"),
                                     QStringLiteral("long:20"), QStringLiteral("--option"), QStringLiteral("lossless=true"),
                                     QStringLiteral("--out"), at(QStringLiteral("web")), at(QStringLiteral("photos"))});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    for (const auto &[name, width, height] : {std::tuple{"wide.WEBP", 20, 10}, std::tuple{"tall.WEBP", 10, 20}}) {
        const QString path = at(QStringLiteral("web/")) + QLatin1String(name);
        const TImageListPtr back = ReadImageFile(path);
        ASSERT_TRUE(back) << name;
        EXPECT_EQ(back->columns, size_t(width)) << name;
        EXPECT_EQ(back->rows, size_t(height)) << name;
        EXPECT_EQ(ReadFileBytes(path).mid(12, 4), "VP8L") << name;
    }

    result = convert({project(), QStringLiteral("--size"), QStringLiteral("percent:50"), at(QStringLiteral("photos/wide.png"))});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(ReadImageFile(at(QStringLiteral("dest/wide.PNG")))->columns, 40u);

    const QList<std::pair<QStringList, const char *>> refused = {
        {{QStringLiteral("--to"), QStringLiteral("webp"), QStringLiteral("--option"), QStringLiteral("effort=9")}, "effort takes 0..6"},
        {{QStringLiteral("--to"), QStringLiteral("png"), QStringLiteral("--option"), QStringLiteral("lossless=true")}, "Unknown option lossless"},
        {{QStringLiteral("--to"), QStringLiteral("png"), QStringLiteral("--size"), QStringLiteral("huge")}, "Unknown size 'huge'"},
        {{QStringLiteral("--size"), QStringLiteral("long:9")}, "--to FORMAT"},
        {{QStringLiteral("--to"), QStringLiteral("png"), QStringLiteral("--width"), QStringLiteral("123456")}, "up to 5 characters"},
        {{QStringLiteral("--to"), QStringLiteral("png"), QStringLiteral("--measure"), QStringLiteral("mm")}, "px, cm or in"},
        {{QStringLiteral("--to"), QStringLiteral("png"), QStringLiteral("--from"), QStringLiteral("png,nosuch")}, "not a readable format: nosuch"},
    };
    for (const auto &[arguments, message] : refused) {
        result = convert(arguments + QStringList{QStringLiteral("--out"), at(QStringLiteral("refused")), at(QStringLiteral("photos"))});
        EXPECT_EQ(result.exitCode, 2) << message;
        EXPECT_TRUE(result.err.contains(message)) << result.err.toStdString();
        EXPECT_TRUE(QDir(at(QStringLiteral("refused"))).entryList(QDir::Files).isEmpty()) << message;
    }

    // The project's other settings: the rules in centimetres with the width's lock, a
    // counter from 5, only PNG searched, and portraits turned to landscapes.
    image(QStringLiteral("photos/skipped.bmp"), 30, 60);
    result = convert({QStringLiteral("--to"), QStringLiteral("jpg"), QStringLiteral("--width"), QStringLiteral("2"),
                      QStringLiteral("--height"), QStringLiteral("1"), QStringLiteral("--measure"), QStringLiteral("cm"),
                      QStringLiteral("--lock"), QStringLiteral("width"), QStringLiteral("--counter"), QStringLiteral("5"),
                      QStringLiteral("--from"), QStringLiteral("png"), QStringLiteral("--orient"), QStringLiteral("landscape"),
                      QStringLiteral("--out"), at(QStringLiteral("rules")), at(QStringLiteral("photos"))});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    // The folder's listing order decides which of the two takes 5.
    const QStringList numbered = QDir(at(QStringLiteral("rules"))).entryList(QDir::Files);
    EXPECT_TRUE(numbered == (QStringList{QStringLiteral("tall_5.JPG"), QStringLiteral("wide_6.JPG")})
                || numbered == (QStringList{QStringLiteral("tall_6.JPG"), QStringLiteral("wide_5.JPG")}))
        << numbered.join(QLatin1Char(' ')).toStdString();
    for (const QString &name : numbered) {
        const TImageListPtr back = ReadImageFile(at(QStringLiteral("rules/")) + name);
        ASSERT_TRUE(back) << name.toStdString();
        EXPECT_EQ(back->columns, 57u) << name.toStdString(); // 2 cm at 72 pixels an inch, the height from the ratio
        EXPECT_EQ(back->rows, 28u) << name.toStdString();
    }

    QProcess options;
    options.start(program, {QStringLiteral("options"), QStringLiteral("tif")});
    ASSERT_TRUE(options.waitForFinished(60000));
    EXPECT_EQ(options.exitCode(), 0);
    EXPECT_TRUE(options.readAllStandardOutput().startsWith("compression\tauto|none|lzw|zip|jpeg\tauto\tCompression\n"));
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

// Files made to hurt, named one by one: none may start a program, write outside the
// destination, leave the library's files behind or take the process past 256 MiB.
TEST_F(CliConvert, AHostileCorpusFailsRowByRowAndTouchesNothingElse)
{
    const QString trap = at(QStringLiteral("trap"));
    const QString started = at(QStringLiteral("started"));
    const QString scratch = at(QStringLiteral("scratch"));
    for (const QString &folder : {trap, started, scratch, at(QStringLiteral("hostile"))})
        QDir().mkpath(folder);
    // Every delegate program the library knows of, ahead on the search path.
    for (const char *name : {"inkscape", "html2ps", "gs", "rsvg-convert", "ffmpeg", "curl", "wget",
                             "hp2xx", "pcl6", "gxps", "potrace", "xdg-open", "display", "dvips",
                             "ufraw-batch", "libreoffice", "uniconvertor", "gimp", "cwebp", "dwebp",
                             "lpr", "tesseract", "blender", "bpgdec", "lepton", "ilbmtoppm"}) {
        const QString program = trap + QLatin1Char('/') + QString::fromLatin1(name);
        WriteFileBytes(program, "#!/bin/sh\ntouch '" + QFile::encodeName(started) + "'/" + name + "\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    }
    const QByteArray jpeg = MakeImageBytes(QStringLiteral("gradient:red-blue"), 64, 48, QStringLiteral("jpg"));
    struct Case
    {
        const char *name;
        QByteArray bytes;
        const char *result; // "converted" with the output's name, or the failure text
    };
    const QList<Case> corpus = {
        {"holiday.jpg", "<?xml version=\"1.0\"?><svg xmlns=\"http://www.w3.org/2000/svg\" "
                        "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"9\" height=\"9\">"
                        "<image xlink:href=\"/etc/hostname\" width=\"9\" height=\"9\"/></svg>",
         "failed: Format not allowed: SVG"},
        {"page.jpg", "<HTML><BODY><IMG SRC=\"/etc/hostname\"></BODY></HTML>", "failed: Format not allowed: HTML"},
        {"script.png", "<?xml version=\"1.0\"?>\n<image><read filename=\"/etc/hostname\"/>"
                       "<write filename=\"/tmp/pictavo-msl.png\"/></image>\n",
         "failed: Format not allowed: "},
        {"pixels.png", "# ImageMagick pixel enumeration: 1,1,255,srgb\n0,0: (255,0,0)  #FF0000  red\n",
         "failed: Format not allowed: TXT"},
        {"doc.jpg", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 9 9\nshowpage\n", "failed: Format not allowed: PS"},
        {"drawing.png", "push graphic-context\nviewbox 0 0 9 9\nimage over 0,0 9,9 '/etc/hostname'\n"
                        "pop graphic-context\n", "failed: Can not encode image"},
        {"notes.gif", "just words\n", "failed: Can not encode image"},
        {"bomb.gif", GifOfFrames(50000), "failed: Can not encode image"},
        {"cut.jpg", jpeg.left(jpeg.size() * 6 / 10), "failed: "},
        {"head.jpg", jpeg.left(200), "failed: "},
        {"%d.png", MakeImageBytes(QStringLiteral("xc:red"), 8, 8, QStringLiteral("png")), "converted %d.PNG"},
        {"pic%03d.png", MakeImageBytes(QStringLiteral("xc:red"), 8, 8, QStringLiteral("png")), "converted pic%03d.PNG"},
        {"a[1].png", MakeImageBytes(QStringLiteral("xc:red"), 8, 8, QStringLiteral("png")), "converted a[1].PNG"},
        {"png:x.gif", MakeImageBytes(QStringLiteral("xc:red"), 8, 8, QStringLiteral("gif")), "converted png:x.PNG"},
        {"-x.png", MakeImageBytes(QStringLiteral("xc:red"), 8, 8, QStringLiteral("png")), "converted -x.PNG"},
    };
    QStringList sources;
    for (const Case &c : corpus) {
        sources.append(at(QStringLiteral("hostile/") + QString::fromUtf8(c.name)));
        WriteFileBytes(sources.last(), c.bytes);
    }
    const QString pipe = at(QStringLiteral("hostile/pipe.png"));
    const QString zero = at(QStringLiteral("hostile/zero.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(zero).constData()), 0);
    sources.prepend(pipe);
    sources.insert(5, zero);
    const QStringList hostileBefore = QDir(at(QStringLiteral("hostile"))).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PATH"), trap + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    environment.insert(QStringLiteral("TMPDIR"), scratch);
    const TProcessResult result = convert(
        QStringList{project([&scratch](TCnvJob &job) { job.ScratchDrive = scratch; })} + sources, environment);

    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    const QStringList out = lines(result.out);
    for (const Case &c : corpus) {
        const QString source = at(QStringLiteral("hostile/") + QString::fromUtf8(c.name));
        const QString expected = QString::fromUtf8(c.result);
        QString line;
        if (expected.startsWith(QLatin1String("converted ")))
            line = QStringLiteral("converted ") + source + QStringLiteral(" -> ") + at(QStringLiteral("dest/")) + expected.mid(10);
        else
            line = QStringLiteral("failed ") + source + QStringLiteral(": ") + expected.mid(8);
        const bool found = std::any_of(out.begin(), out.end(), [&](const QString &each) {
            return each.startsWith(line) && (line.endsWith(QLatin1String(": ")) ? each.size() > line.size() : each == line);
        });
        EXPECT_TRUE(found) << line.toStdString() << "\n" << result.out.toStdString();
    }
    // A corrupt picture fails with the decoder's own words.
    for (const QString &line : out) {
        if (line.startsWith(QStringLiteral("failed ") + at(QStringLiteral("hostile/cut.jpg")))) {
            EXPECT_FALSE(line.endsWith(QLatin1String("Can not encode image"))) << line.toStdString();
        }
    }
    for (const QString &skipped : {pipe, zero})
        EXPECT_TRUE(QString::fromUtf8(result.err).contains(QStringLiteral("Skipped, not a regular file: ") + skipped))
            << result.err.toStdString();

    QStringList written = QDir(at(QStringLiteral("dest"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    written.sort();
    EXPECT_EQ(written, (QStringList{QStringLiteral("%d.PNG"), QStringLiteral("-x.PNG"), QStringLiteral("a[1].PNG"),
                                    QStringLiteral("pic%03d.PNG"), QStringLiteral("png:x.PNG")}));
    EXPECT_EQ(ImageFileFrameCount(at(QStringLiteral("dest/%d.PNG"))), 1);
    EXPECT_TRUE(QDir(started).isEmpty()) << QDir(started).entryList(QDir::Files).join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(QDir(at(QStringLiteral("bin"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("pictavo-cli")});
    EXPECT_TRUE(QDir(scratch).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/pictavo-msl.png")));
    EXPECT_EQ(QDir(at(QStringLiteral("hostile"))).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), hostileBefore);
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 256 * 1024) << "peak kilobytes of a child";
}

TEST_F(CliConvert, InterruptTermAndHangupFinishTheFileInWorkAndReportAUserBreak)
{
    const int count = 12;
    for (int i = 0; i < count; ++i)
        image(QStringLiteral("photos/big%1.png").arg(i, 2, 10, QLatin1Char('0')), 1600, 1200);
    const QString scratch = at(QStringLiteral("scratch"));
    QDir().mkpath(scratch);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        QDir dest(at(QStringLiteral("dest")));
        for (const QString &name : dest.entryList(QDir::Files))
            dest.remove(name);
        QProcess process;
        process.setWorkingDirectory(at(QStringLiteral("bin")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), scratch);
        process.setProcessEnvironment(environment);
        process.start(program, {QStringLiteral("convert"),
                                project([&scratch](TCnvJob &job) {
                                    job.TargetExt = QStringLiteral("TIFF");
                                    job.SizeAsIs = 0;
                                    job.Width = QStringLiteral("1400");
                                    job.Height = QStringLiteral("1000");
                                    job.ScratchDrive = scratch;
                                }),
                                at(QStringLiteral("photos"))});
        ASSERT_TRUE(process.waitForStarted(30000));
        // The first line arrives while the run goes on: the pipe is flushed per row.
        QByteArray seen;
        while (!seen.contains('\n') && process.waitForReadyRead(120000))
            seen += process.readAllStandardOutput();
        ASSERT_TRUE(seen.startsWith("converted ")) << seen.toStdString();
        ::kill(pid_t(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(300000));
        seen += process.readAllStandardOutput();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        const int converted = int(seen.count("\nconverted ")) + 1;
        EXPECT_LT(converted, count);
        // Whole files only: no staging folder, and none of the library's files, stays.
        EXPECT_EQ(dest.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), converted);
        EXPECT_TRUE(QDir(scratch).isEmpty()) << QDir(scratch).entryList(QDir::AllEntries | QDir::Hidden).join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(seen.contains("Status  : User break"));
        EXPECT_TRUE(seen.contains(QByteArray("Successful  :").append(QByteArray::number(converted)).append('\n')));
        EXPECT_TRUE(seen.contains("Failed      :0\n"));
        EXPECT_TRUE(ReadFileBytes(at(QStringLiteral("out/LastReport.txt"))).contains("User break"));
    }
}

} // namespace

TEST_F(CliConvert, OutputOptionsOverrideTheProjectAndASecondRunSkipsWhatExists)
{
    image(QStringLiteral("photos/a.png"));
    image(QStringLiteral("photos/sub/b.gif"));
    const QString prj = project();
    const QStringList options = {QStringLiteral("--keep-folders"), QStringLiteral("--lower-ext"),
                                 QStringLiteral("--name"), QStringLiteral("{n:2}_{base}"),
                                 QStringLiteral("--existing"), QStringLiteral("skip")};
    TProcessResult result = convert(QStringList{prj} + options + QStringList{at(QStringLiteral("photos"))});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(at(QStringLiteral("dest/01_a.png"))));
    EXPECT_TRUE(QFileInfo::exists(at(QStringLiteral("dest/sub/02_b.png"))));

    result = convert(QStringList{prj} + options + QStringList{at(QStringLiteral("photos"))});
    EXPECT_EQ(result.exitCode, 0) << "kept outputs are no failure";
    const QByteArray skipped = "skipped " + at(QStringLiteral("photos/a.png")).toUtf8() + ": Skipped, exists: 01_a.png\n";
    EXPECT_TRUE(result.out.contains(skipped)) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("\nSkipped     :2\n")) << result.out.toStdString();

    for (const QStringList &bad : {QStringList{QStringLiteral("--name"), QStringLiteral("{size}")},
                                   QStringList{QStringLiteral("--existing"), QStringLiteral("ask")},
                                   QStringList{QStringLiteral("--metadata")}}) {
        result = convert(QStringList{prj} + bad + QStringList{at(QStringLiteral("photos"))});
        EXPECT_EQ(result.exitCode, 2) << bad.join(QLatin1Char(' ')).toStdString();
    }
    EXPECT_EQ(result.err, QByteArray("--metadata takes keep, private or none\n"));
}
