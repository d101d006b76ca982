// The build installed as `cmake --install` installs it, into a temporary prefix, and both
// programs started from there by an ordinary user: the program's tree under lib/pictavo,
// links in bin, the desktop's files valid, nothing written beside the installed programs.

#include "engine/unitFormats.h"
#include "project/unitJob.h"
#include "support/TestImages.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>

#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr uid_t kNobody = 65534;

TProcessResult Finish(QProcess &process, int timeoutMs = 120000)
{
    TProcessResult result;
    EXPECT_TRUE(process.waitForStarted(30000)) << process.program().toStdString();
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(timeoutMs)) << process.program().toStdString();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

TProcessResult RunTool(const QString &program, const QStringList &arguments,
                       const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return Finish(process);
}

// Every path under the folder with its size and modification time.
QStringList Snapshot(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        entries.append(info.filePath() + QLatin1Char(' ') + QString::number(info.size()) + QLatin1Char(' ')
                       + QString::number(info.lastModified().toMSecsSinceEpoch()));
    }
    entries.sort();
    return entries;
}

void SetWritable(const QString &folder, bool writable)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    QStringList paths{folder};
    while (it.hasNext())
        paths.append(it.next());
    for (const QString &path : paths) {
        QFile::Permissions permissions = QFile::permissions(path);
        const QFile::Permissions write = QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
        QFile::setPermissions(path, writable ? permissions | QFile::WriteOwner | QFile::WriteUser : permissions & ~write);
    }
}

class Installed : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        sandbox = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(sandbox->isValid());
        // The ordinary user passes through the sandbox to the prefix and its own folders.
        QFile::setPermissions(sandbox->path(), QFile::permissions(sandbox->path()) | QFile::ReadOther | QFile::ExeOther
                                                   | QFile::ReadGroup | QFile::ExeGroup);
        prefix = sandbox->filePath(QStringLiteral("prefix"));
        const TProcessResult installed = RunTool(QStringLiteral(PICTAVO_CMAKE_COMMAND),
                                                 {QStringLiteral("--install"), QStringLiteral(PICTAVO_BUILD_DIR),
                                                  QStringLiteral("--prefix"), prefix});
        ASSERT_EQ(installed.exitCode, 0) << installed.out.toStdString() << installed.err.toStdString();
    }

    static void TearDownTestSuite()
    {
        SetWritable(prefix, true);
        sandbox.reset();
    }

    static QString at(const QString &relative) { return prefix + QLatin1Char('/') + relative; }

    static std::unique_ptr<QTemporaryDir> sandbox;
    static QString prefix;
};

std::unique_ptr<QTemporaryDir> Installed::sandbox;
QString Installed::prefix;

TEST_F(Installed, TheProgramsTreeLivesInLibPictavoWithLinksAndTheDesktopsFiles)
{
    for (const char *file : {"lib/pictavo/bin/pictavo", "lib/pictavo/bin/pictavo-cli"}) {
        const QFileInfo info(at(QString::fromLatin1(file)));
        EXPECT_TRUE(info.isFile() && info.isExecutable() && !info.isSymLink()) << file;
    }
    for (const char *file : {"lib/pictavo/lang/de.so", "lib/pictavo/lang/ru.so", "lib/pictavo/skins/Harbour.qss",
                             "lib/pictavo/bin/profiles/sRGB.icm", "lib/pictavo/bin/profiles/USWebCoatedSWOP.icc",
                             "share/applications/pictavo.desktop", "share/icons/hicolor/scalable/apps/pictavo.svg",
                             "share/metainfo/io.github.pictavo.pictavo.metainfo.xml"})
        EXPECT_TRUE(QFileInfo(at(QString::fromLatin1(file))).isFile()) << file;
    // Links, relative, so that the programs find ../lang and ../skins from their real folder.
    for (const char *program : {"pictavo", "pictavo-cli"}) {
        const QString link = at(QStringLiteral("bin/") + QString::fromLatin1(program));
        EXPECT_TRUE(QFileInfo(link).isSymLink()) << program;
        EXPECT_EQ(QFileInfo(link).canonicalFilePath(),
                  QFileInfo(at(QStringLiteral("lib/pictavo/bin/") + QString::fromLatin1(program))).canonicalFilePath());
        char target[256] = {};
        ASSERT_GT(::readlink(QFile::encodeName(link).constData(), target, sizeof target - 1), 0);
        EXPECT_EQ(QByteArray(target), QByteArray("../lib/pictavo/bin/").append(program));
    }
    // Nothing of the program's tree lands directly under the prefix.
    QStringList top = QDir(prefix).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(top, (QStringList{QStringLiteral("bin"), QStringLiteral("lib"), QStringLiteral("share")}));
    EXPECT_EQ(QDir(at(QStringLiteral("lib"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("pictavo")});
    EXPECT_FALSE(QFileInfo::exists(at(QStringLiteral("lib/pictavo/out"))));

    const QString desktop = at(QStringLiteral("share/applications/pictavo.desktop"));
    const TProcessResult entry = RunTool(QStringLiteral("desktop-file-validate"), {desktop});
    EXPECT_EQ(entry.exitCode, 0) << entry.out.toStdString() << entry.err.toStdString();
    EXPECT_FALSE(entry.out.contains("error")) << entry.out.toStdString();
    const QByteArray entryText = ReadFileBytes(desktop);
    for (const char *line : {"\nExec=pictavo %F\n", "\nIcon=pictavo\n", "\nMimeType=image/jpeg;image/png;"})
        EXPECT_TRUE(entryText.contains(line)) << line;
    const TProcessResult metainfo = RunTool(
        QStringLiteral("appstreamcli"),
        {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
         at(QStringLiteral("share/metainfo/io.github.pictavo.pictavo.metainfo.xml"))});
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.out.toStdString() << metainfo.err.toStdString();

    QFile icon(at(QStringLiteral("share/icons/hicolor/scalable/apps/pictavo.svg")));
    ASSERT_TRUE(icon.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&icon);
    ASSERT_TRUE(svg.readNextStartElement());
    EXPECT_EQ(svg.name(), QLatin1String("svg"));
    while (!svg.atEnd())
        svg.readNext();
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
}

TEST_F(Installed, AStagedInstallLinksInsideTheStage)
{
    const QString stage = sandbox->filePath(QStringLiteral("stage"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), stage);
    const TProcessResult installed = RunTool(QStringLiteral(PICTAVO_CMAKE_COMMAND),
                                             {QStringLiteral("--install"), QStringLiteral(PICTAVO_BUILD_DIR),
                                              QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                             environment);
    ASSERT_EQ(installed.exitCode, 0) << installed.err.toStdString();
    const QString link = stage + QStringLiteral("/usr/bin/pictavo-cli");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QFileInfo(link).canonicalFilePath(),
              QFileInfo(stage + QStringLiteral("/usr/lib/pictavo/bin/pictavo-cli")).canonicalFilePath());
    EXPECT_TRUE(QFileInfo(stage + QStringLiteral("/usr/share/applications/pictavo.desktop")).isFile());
}

// The installed, read-only tree run by an ordinary user (nobody, when the test runs as
// root): the companion converts and exits 0, its report and the window's output folder go
// to the user's Pictures folder, its last line names the output folder, and the installed
// tree stays as it was installed.
TEST_F(Installed, AnOrdinaryUserConvertsAndNothingIsWrittenBesideThePrograms)
{
    const bool root = ::geteuid() == 0;
    const QString home = sandbox->filePath(QStringLiteral("home"));
    const QString photos = sandbox->filePath(QStringLiteral("photos"));
    const QString destination = sandbox->filePath(QStringLiteral("dest"));
    const QString more = sandbox->filePath(QStringLiteral("more"));
    const QString album = sandbox->filePath(QStringLiteral("album"));
    for (const QString &folder : {home, photos, destination, more, album}) {
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile::setPermissions(folder, QFile::permissions(folder) | QFile::ReadOther | QFile::ExeOther);
        if (root) {
            ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), kNobody, kNobody), 0);
        }
    }
    WriteFileBytes(photos + QStringLiteral("/a.png"),
                   MakeImageBytes(QStringLiteral("gradient:navy-gold"), 32, 24, QStringLiteral("png")));
    WriteFileBytes(more + QStringLiteral("/b.png"),
                   MakeImageBytes(QStringLiteral("gradient:red-blue"), 32, 24, QStringLiteral("png")));
    WriteFileBytes(photos + QStringLiteral("/broken.png"), QByteArray("no picture here"));
    BuildAvailableFormats();
    const auto writeProject = [this](const char *name, bool useDestDir, const QString &target, const QString &folder) {
        const QString path = sandbox->filePath(QString::fromLatin1(name));
        TCnvJob job(QStringLiteral("Installed"));
        job.TargetExt = target;
        job.UseDestDir = useDestDir ? 1 : 0;
        job.DestDir = folder;
        job.SaveToFile(path);
        return path;
    };
    const QString project = writeProject("job.prj", true, QStringLiteral("PNG"), destination);
    const QString besideSources = writeProject("beside.prj", false, QStringLiteral("JPG"), destination);
    const QString multipage = writeProject("multi.prj", true, QStringLiteral("TIFF"), destination);
    // Readable by the ordinary user; QTemporaryDir's files are the owner's only.
    for (const QString &file : QStringList{photos + QStringLiteral("/a.png"), photos + QStringLiteral("/broken.png"),
                                more + QStringLiteral("/b.png"), project, besideSources, multipage})
        QFile::setPermissions(file, QFile::permissions(file) | QFile::ReadOther);

    SetWritable(prefix, false);
    const QStringList before = Snapshot(prefix);

    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const auto asUser = [&](QProcess &process, const QString &program, const QStringList &arguments) {
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(home);
        if (root) {
            process.start(QStringLiteral("setpriv"),
                          QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                      QStringLiteral("--clear-groups"), QStringLiteral("--"), program}
                              + arguments);
        } else {
            process.start(program, arguments);
        }
    };
    const QString perUser = home + QStringLiteral("/Pictures/Pictavo");

    // The window: it comes up (the output folder made at start) and keeps running.
    {
        QProcess window;
        asUser(window, at(QStringLiteral("bin/pictavo")), {});
        ASSERT_TRUE(window.waitForStarted(30000));
        bool made = false;
        for (int waited = 0; waited < 60000 && !made && window.state() == QProcess::Running; waited += 100)
            made = window.waitForFinished(100) ? false : QFileInfo(perUser).isDir();
        EXPECT_TRUE(made) << window.readAllStandardError().toStdString();
        const bool ended = window.waitForFinished(1500);
        EXPECT_FALSE(ended) << "the window ended by itself: " << window.readAllStandardError().toStdString();
        window.kill();
        window.waitForFinished(30000);
    }

    QProcess companion;
    asUser(companion, at(QStringLiteral("bin/pictavo-cli")),
           {QStringLiteral("convert"), project, photos + QStringLiteral("/a.png")});
    const TProcessResult converted = Finish(companion);
    EXPECT_EQ(converted.exitCode, 0) << converted.out.toStdString() << converted.err.toStdString();
    EXPECT_TRUE(QFileInfo(destination + QStringLiteral("/a.PNG")).isFile());
    const QByteArray report = ReadFileBytes(perUser + QStringLiteral("/LastReport.txt"));
    EXPECT_TRUE(report.contains("Successful  :1\r\n")) << report.toStdString();
    const QList<QByteArray> lines = converted.out.trimmed().split('\n');
    EXPECT_EQ(lines.last(), QByteArray("Output folder: ") + QUrl::fromLocalFile(destination).toString().toUtf8());

    // The last line names where the new files are also when they lie beside their sources
    // (the first converted one's folder, past a failed one) or go into one multi-page file.
    const struct
    {
        QStringList arguments;
        int exitCode;
        QString folder;
        QString written;
    } cases[] = {
        {{besideSources, photos + QStringLiteral("/broken.png"), more + QStringLiteral("/b.png")}, 1, more,
         more + QStringLiteral("/b.JPG")},
        {{multipage, QStringLiteral("--multipage"), album + QStringLiteral("/pages.jpg"), photos + QStringLiteral("/a.png"),
          more + QStringLiteral("/b.png")}, 0, album, album + QStringLiteral("/pages.TIFF")},
    };
    for (const auto &c : cases) {
        QProcess run;
        asUser(run, at(QStringLiteral("bin/pictavo-cli")), QStringList{QStringLiteral("convert")} + c.arguments);
        const TProcessResult result = Finish(run);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err.toStdString();
        EXPECT_TRUE(QFileInfo(c.written).isFile()) << c.written.toStdString();
        EXPECT_EQ(result.out.trimmed().split('\n').last(),
                  QByteArray("Output folder: ") + QUrl::fromLocalFile(c.folder).toString().toUtf8());
    }

    EXPECT_EQ(Snapshot(prefix), before);
}

} // namespace
