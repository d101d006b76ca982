#include "engine/unitFormats.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

TFilterItemType row(const char *code, const char *mode)
{
    return {QString::fromLatin1(code), QString::fromLatin1(mode), QStringLiteral("test")};
}

QStringList codes(const TExtList &list)
{
    QStringList result;
    for (const TExtCell &cell : list)
        result.append(cell.Ext);
    return result;
}

// Replaces the available formats for one test.
class TFormatsScope
{
public:
    explicit TFormatsScope(QList<TFilterItemType> formats) : m_saved(AvailableFormats)
    {
        AvailableFormats = std::move(formats);
    }
    ~TFormatsScope() { AvailableFormats = m_saved; }

private:
    QList<TFilterItemType> m_saved;
};

TExtList cells(std::initializer_list<std::pair<const char *, int>> entries)
{
    TExtList list;
    for (const auto &[code, enabled] : entries)
        list.append(TExtCell{QString::fromLatin1(code), quint8(enabled)});
    return list;
}

} // namespace

TEST(NewProject, StartsWithTheDefaults)
{
    const double before = NowDateTime();
    TCnvJob job(QStringLiteral("Untitled"));
    EXPECT_EQ(job.Name, QLatin1String("Untitled"));
    EXPECT_TRUE(job.Author.isEmpty());
    EXPECT_GE(job.Created, before);
    EXPECT_LE(job.Created, NowDateTime());
    EXPECT_EQ(job.Modified, 0);
    EXPECT_EQ(job.Opened, 0);
    EXPECT_TRUE(job.Comment.isEmpty());
    EXPECT_TRUE(job.TargetExt.isEmpty());
    EXPECT_EQ(job.SearchMode, 0);
    EXPECT_EQ(job.UseDestDir, 0);
    EXPECT_EQ(job.DestDir, DefaultOutputFolder());
    EXPECT_EQ(job.RenameMode, 0);
    EXPECT_EQ(job.SizeAsIs, 1);
    EXPECT_EQ(job.Measure, 0);
    EXPECT_EQ(job.PresetIndex, 0);
    EXPECT_EQ(job.Width, QLatin1String("0"));
    EXPECT_EQ(job.Height, QLatin1String("0"));
    EXPECT_EQ(job.LockHeight, 0);
    EXPECT_EQ(job.LockWidth, 0);
    EXPECT_EQ(job.OrientAsIs, 1);
    EXPECT_EQ(job.Orientation, 0);
    EXPECT_EQ(job.RotateCCW, 0);
    EXPECT_EQ(job.UseCounter, 0);
    EXPECT_EQ(job.CounterStart, 1);
    EXPECT_EQ(job.MultiPages, 0);
    EXPECT_EQ(job.Quality, 75);
    EXPECT_EQ(job.ScratchDrive, QDir::tempPath());
    ASSERT_FALSE(job.SourceExts.isEmpty());
    for (const TExtCell &cell : job.SourceExts)
        EXPECT_EQ(cell.Enabled, 1);
    EXPECT_TRUE(QDir(DefaultOutputFolder()).exists());
}

TEST(NewProject, TakesItsListsFromTheAvailableFormatsByMode)
{
    TFormatsScope formats({row("JPEG", "RW"), row("DCM", "R"), row("PCL", "W"), row("PNG", "RW"),
                           row("ABCDEFG", "R"), row("X", "rw")});
    TCnvJob job(QStringLiteral("p"));
    EXPECT_EQ(codes(job.SourceExts), QStringList({QStringLiteral("JPEG"), QStringLiteral("DCM"),
                                                  QStringLiteral("PNG"), QStringLiteral("ABCDE")}));
    EXPECT_EQ(codes(job.TargetExts), QStringList({QStringLiteral("JPEG"), QStringLiteral("PCL"),
                                                  QStringLiteral("PNG")}));
}

TEST(NewProject, WithoutFormatsHasEmptyLists)
{
    TFormatsScope formats({});
    TCnvJob job(QStringLiteral("p"));
    EXPECT_TRUE(job.SourceExts.isEmpty());
    EXPECT_TRUE(job.TargetExts.isEmpty());
}

TEST(NewProject, CreatesTheOutputFolderOneLevelOnly)
{
    QTemporaryDir sandbox;
    const QString saved = DefaultOutputFolder();
    const QString deep = sandbox.filePath(QStringLiteral("missing/out"));
    SetDefaultOutputFolder(deep);
    TCnvJob job(QStringLiteral("p"));
    EXPECT_EQ(job.DestDir, deep);
    EXPECT_FALSE(QDir(deep).exists());

    const QString shallow = sandbox.filePath(QStringLiteral("out"));
    SetDefaultOutputFolder(shallow);
    TCnvJob second(QStringLiteral("p"));
    EXPECT_TRUE(QDir(shallow).exists());
    SetDefaultOutputFolder(saved);
}

// ChooseDefaultOutputFolder in a child process that, when this one is root, runs as the
// user nobody, so that folder permissions hold for it as for an ordinary user.
static QString ChooseAsOrdinaryUser(const QString &programFolder, const QString &picturesFolder)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        const QByteArray chosen = ChooseDefaultOutputFolder(programFolder, picturesFolder).toUtf8();
        const bool whole = ::write(ends[1], chosen.constData(), size_t(chosen.size())) == chosen.size();
        ::_exit(whole ? 0 : 3);
    }
    ::close(ends[1]);
    QByteArray chosen;
    char buffer[512];
    for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        chosen.append(buffer, got);
    ::close(ends[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("child failed");
    return QString::fromUtf8(chosen);
}

TEST(DefaultOutputFolder, IsOutBesideTheProgramOrElseThePicturesFolder)
{
    QTemporaryDir sandbox;
    ASSERT_TRUE(sandbox.isValid());
    // Others may pass through to the program trees; the ordinary user needs to.
    QFile::setPermissions(sandbox.path(), QFile::permissions(sandbox.path()) | QFile::ExeOther | QFile::ReadOther);
    const QString pictures = sandbox.filePath(QStringLiteral("home/Pictures"));
    const QString perUser = pictures + QStringLiteral("/Pictavo");
    const auto tree = [&](const QString &name) {
        const QString root = sandbox.filePath(name);
        EXPECT_TRUE(QDir().mkpath(root + QStringLiteral("/bin")));
        return root;
    };

    // Writable: out is made beside bin, one level.
    const QString writable = tree(QStringLiteral("writable"));
    EXPECT_EQ(ChooseDefaultOutputFolder(writable + QStringLiteral("/bin"), pictures), writable + QStringLiteral("/out"));
    EXPECT_TRUE(QFileInfo(writable + QStringLiteral("/out")).isDir());

    // A file where the folder would be, and a program folder whose parent is gone.
    const QString blocked = tree(QStringLiteral("blocked"));
    WriteFileBytes(blocked + QStringLiteral("/out"), QByteArray("a file"));
    EXPECT_EQ(ChooseDefaultOutputFolder(blocked + QStringLiteral("/bin"), pictures), perUser);
    EXPECT_EQ(ChooseDefaultOutputFolder(sandbox.filePath(QStringLiteral("gone/bin")), pictures), perUser);

    // An installed tree: read-only for the user, with out missing or already there.
    const QString installed = tree(QStringLiteral("installed"));
    const QString withOut = tree(QStringLiteral("installed-with-out"));
    ASSERT_TRUE(QDir().mkpath(withOut + QStringLiteral("/out")));
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
        | QFile::ReadOther | QFile::ExeOther;
    for (const QString &folder : QStringList{installed, installed + QStringLiteral("/bin"), withOut, withOut + QStringLiteral("/out")})
        ASSERT_TRUE(QFile::setPermissions(folder, readOnly));
    EXPECT_EQ(ChooseAsOrdinaryUser(installed + QStringLiteral("/bin"), pictures), perUser);
    EXPECT_FALSE(QFileInfo::exists(installed + QStringLiteral("/out")));
    EXPECT_EQ(ChooseAsOrdinaryUser(withOut + QStringLiteral("/bin"), pictures), perUser);
    for (const QString &folder : QStringList{installed, installed + QStringLiteral("/bin"), withOut, withOut + QStringLiteral("/out")})
        QFile::setPermissions(folder, readOnly | QFile::WriteOwner);
}

TEST(ProjectList, KeepsEveryProjectAndTheCurrentOne)
{
    TListCnvJob list;
    EXPECT_EQ(list.Current(), nullptr);
    list.SetCurrent(list.Add(QStringLiteral("Untitled")));
    for (int i = 0; i < 3; ++i)
        list.SetCurrent(list.Add(QStringLiteral("Untitled")));
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.CurrentIndex(), 3);
    EXPECT_EQ(list.Current(), list.At(3));
    EXPECT_NE(list.At(0), list.At(3));
    list.SetCurrent(7);
    EXPECT_EQ(list.CurrentIndex(), 3);
    EXPECT_EQ(list.At(4), nullptr);
}

TEST(FindExt, ComparesCodesIgnoringAsciiCase)
{
    const TExtList list = cells({{"PNG", 1}, {"JPEG", 0}, {"JPG", 1}});
    EXPECT_EQ(FindExt(QStringLiteral("jpeg"), list), 1);
    EXPECT_EQ(FindExt(QStringLiteral("Jpg"), list), 2);
    EXPECT_EQ(FindExt(QString(), list), -1);
    EXPECT_EQ(FindExt(QStringLiteral("TIFF"), list), -1);
    EXPECT_EQ(FindExt(QString(), cells({{"PNG", 1}, {"", 0}})), 1);
}

TEST(WritableTarget, IsACodeOfTheTargetListInAnyLetterCase)
{
    TCnvJob job(QStringLiteral("t"));
    job.TargetExts = cells({{"PNG", 1}, {"JPEG", 1}, {"", 1}});
    const struct
    {
        const char *code;
        bool writable;
    } cases[] = {{"PNG", true}, {"png", true}, {"Jpeg", true}, {"", false},
                 {"PNGTI", false}, {"PN", false}, {"PNG ", false}, {"TIFF", false}};
    for (const auto &item : cases) {
        job.TargetExt = QString::fromLatin1(item.code);
        EXPECT_EQ(HasWritableTarget(job), item.writable) << item.code;
    }
}

TEST(DisplayFilter, ShowsEverythingWhenTheCustomFilterIsOff)
{
    const TExtList none = cells({{"JPEG", 0}});
    EXPECT_TRUE(AcceptItem(QStringLiteral("README"), false, false, none));
    EXPECT_TRUE(AcceptItem(QStringLiteral("a.txt"), false, false, none));
}

TEST(DisplayFilter, ShowsFilesOfEnabledFormatsOnly)
{
    const TExtList list = cells({{"JPG", 0}, {"JPEG", 1}, {"PNG", 1}, {"JPG", 1}});
    EXPECT_TRUE(AcceptItem(QStringLiteral("photo.jpeg"), false, true, list));
    EXPECT_TRUE(AcceptItem(QStringLiteral("PHOTO.JPEG"), false, true, list));
    // A matching cell that is off does not end the search.
    EXPECT_TRUE(AcceptItem(QStringLiteral("photo.jpg"), false, true, list));
    EXPECT_FALSE(AcceptItem(QStringLiteral("photo.jpg"), false, true,
                            cells({{"JPEG", 1}, {"JPG", 0}})));
    EXPECT_FALSE(AcceptItem(QStringLiteral("README"), false, true, list));
    EXPECT_FALSE(AcceptItem(QStringLiteral("photo."), false, true, list));
    EXPECT_FALSE(AcceptItem(QStringLiteral("archive.png.gz"), false, true, list));
    EXPECT_TRUE(AcceptItem(QStringLiteral("my.photos.png"), false, true, list));
    EXPECT_TRUE(AcceptItem(QStringLiteral(".png"), false, true, list));
}

TEST(DisplayFilter, ShowsOnlyFoldersWhenEveryFormatIsOff)
{
    const TExtList off = cells({{"JPEG", 0}, {"PNG", 0}});
    EXPECT_TRUE(AcceptItem(QStringLiteral("holiday.png"), true, true, off));
    EXPECT_TRUE(AcceptItem(QStringLiteral("photos"), true, true, off));
    EXPECT_FALSE(AcceptItem(QStringLiteral("holiday.png"), false, true, off));
}

TEST(DateTime, CountsDaysSinceTheEpochInLocalTime)
{
    const QDateTime noon(QDate(2000, 1, 1), QTime(12, 0));
    EXPECT_DOUBLE_EQ(DateTimeFromQt(noon), 36526.5);
    EXPECT_EQ(DateTimeToQt(36526.5), noon);
    EXPECT_DOUBLE_EQ(DateTimeFromQt(QDateTime(QDate(1899, 12, 30), QTime(6, 0))), 0.25);
    EXPECT_FALSE(DateTimeToQt(0).isValid());
    const QDateTime moment(QDate(2026, 12, 9), QTime(23, 59, 59, 999));
    EXPECT_EQ(DateTimeToQt(DateTimeFromQt(moment)), moment);
}

TEST(ShortStrings, CutAtACharacterBoundary)
{
    EXPECT_EQ(TextToCapacity(QStringLiteral("abcdef"), 5), QByteArray("abcde"));
    // "Привет" is two bytes a letter: five bytes hold two letters, never half a third.
    EXPECT_EQ(TextCutToCapacity(QStringLiteral("Привет"), 5), QStringLiteral("Пр"));
    QByteArray field;
    AppendShortString(field, QStringLiteral("ab"), 5);
    EXPECT_EQ(field, QByteArray("\x02" "ab\0\0\0", 6));
    const char oversized[] = "\x09" "abcdeXYZW";
    EXPECT_EQ(ReadShortString(oversized, 5), QLatin1String("abcde"));
    // A name written under an 8-bit code page keeps its letters.
    const char latin[] = "\x06" "M\xFCller";
    EXPECT_EQ(ReadShortString(latin, 15), QStringLiteral("Müller"));
    const char utf8[] = "\x07" "M\xC3\xBCller";
    EXPECT_EQ(ReadShortString(utf8, 15), QStringLiteral("Müller"));
}

TEST(ProjectFilePath, AddsTheExtensionOnlyWhenItIsMissing)
{
    EXPECT_EQ(ProjectFilePath(QStringLiteral("/p/abc")), QLatin1String("/p/abc.prj"));
    EXPECT_EQ(ProjectFilePath(QStringLiteral("/p/abc.prj")), QLatin1String("/p/abc.prj"));
    EXPECT_EQ(ProjectFilePath(QStringLiteral("/p/abc.PRJ")), QLatin1String("/p/abc.PRJ"));
    EXPECT_EQ(ProjectFilePath(QStringLiteral("/p/abc.prj.bak")), QLatin1String("/p/abc.prj.bak.prj"));
    EXPECT_EQ(ProjectFilePath(QStringLiteral("/p.prj/abc")), QLatin1String("/p.prj/abc.prj"));
}
