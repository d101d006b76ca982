#include "engine/unitImageLibrary.h"

#include "engine/unitHeifEncoder.h"
#include "engine/unitMagickHandles.h"
#include "engine/unitPixelMemory.h"
#include "project/unitGeneral.h"
#include "project/unitOutputOptions.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>
#include <QMutexLocker>

#include <cerrno>
#include <csignal>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <memory>

bool ImageLibraryLoaded = false;

namespace {

QMutex g_libraryLock;
void *g_handle = nullptr;
int g_references = 0;
TMagickEntryPoints g_entries;

// Looks up every entry point; false when any one is missing.
bool resolveEntryPoints(void *handle, TMagickEntryPoints &entries)
{
    bool complete = true;
#define PICTAVO_RESOLVE_ENTRY(name)                                                   \
    entries.name = reinterpret_cast<decltype(entries.name)>(dlsym(handle, #name)); \
    complete = complete && entries.name != nullptr;
    PICTAVO_MAGICK_ENTRY_POINTS(PICTAVO_RESOLVE_ENTRY)
#undef PICTAVO_RESOLVE_ENTRY
    return complete;
}

constexpr MagickSizeType kMegabyte = 1048576;

// Coders that reach the network, read files the source names (or the library's own
// registry and the screen), render text or scripts, or need a delegate program.
const char kRefusedCoders[] =
    "URL,HTTP,HTTPS,FTP,FILE,MSL,MVG,SVG,SVGZ,MSVG,RSVG,TEXT,TXT,HTML,HTM,SHTML,EPHEMERAL,"
    "LABEL,CAPTION,PANGO,VID,TILE,MPC,CACHE,MPR,MPRI,X,SCREENSHOT,CLIPBOARD,STEGANO,PRINT,"
    "SHOW,WIN,BROWSE,EDIT,LAUNCH,DOT,GV,CGM,FIG,GPLT,HPGL,AVI,MPEG,MPG,MP4,M2V,M4V,MOV,"
    "WMV,MKV,FLV,VIDEO";
// Read only through Ghostscript or another delegate, written by the library itself.
const char kWriteOnlyCoders[] =
    "PS,PS2,PS3,EPS,EPS2,EPS3,EPSF,EPSI,EPI,EPT,EPT2,EPT3,PDF,EPDF,PDFA,AI,XPS,PCL";

// Set once the coders are narrowed to the offered formats, for as long as the library is loaded.
bool g_codersNarrowed = false;

QString g_temporaryBase;
QString g_temporaryFolder;
QStringList g_temporaryFolders;
const QLatin1String kTemporaryPrefix("pictavo-magick-");

// True when the policy is in force; a library that would not take it is not used at all.
bool installSecurityPolicy()
{
    const QByteArray policy = LibrarySecurityPolicy().toUtf8();
    const auto exception = g_entries.AcquireExceptionInfo();
    g_entries.SetMagickSecurityPolicy(policy.constData(), exception);
    g_entries.DestroyExceptionInfo(exception);
    return !g_entries.IsRightsAuthorized(CoderPolicyDomain, ReadPolicyRights, "SVG")
        && !g_entries.IsRightsAuthorized(DelegatePolicyDomain, ExecutePolicyRights, "svg:decode");
}

bool processIsGone(qint64 pid)
{
    if (pid <= 0 || pid == qint64(::getpid()))
        return false;
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// The library tells most formats by their first bytes; a few (ICO, TGA...) it knows only
// by a file's extension. For those (the stream's file name, or its object name for a
// stream that holds a file's bytes), a copy of the options names the file "source.<ext>",
// as when the library opens a file itself; the bytes still win for every format they
// identify. Only a plain code goes in, so nothing else of the name reaches the library.
TImageInfoPtr withExtensionHint(QIODevice &stream, const ImageInfo *info)
{
    if (*info->magick != '\0')
        return nullptr;
    const auto *file = qobject_cast<QFileDevice *>(&stream);
    const QString name = file && !file->fileName().isEmpty() ? file->fileName() : stream.objectName();
    const QString extension = QFileInfo(name).suffix();
    static const QRegularExpression plainCode(QStringLiteral("^[A-Za-z0-9]{1,5}$"));
    if (!plainCode.match(extension).hasMatch())
        return nullptr;
    const QByteArray code = extension.toUpper().toLatin1();
    TExceptionPtr exception(g_entries.AcquireExceptionInfo());
    const MagickInfo *format = g_entries.GetMagickInfo(code.constData(), exception.get());
    if (!format || !format->decoder || format->magick || qstricmp(format->name, code.constData()) != 0)
        return nullptr;
    TImageInfoPtr hinted(g_entries.CloneImageInfo(info));
    const QByteArray hint = "source." + extension.toLatin1();
    qstrncpy(hinted->filename, hint.constData(), sizeof hinted->filename);
    return hinted;
}

// One rule a coder: the library matches every rule against each name it is asked about,
// and a "{A,B,...}" pattern of sixty names costs a glob expansion on every question.
QString coderRules(const QStringList &codes, const char *rights)
{
    QString rules;
    for (const QString &code : codes)
        rules += QStringLiteral("<policy domain=\"coder\" rights=\"%1\" pattern=\"%2\"/>")
                     .arg(QLatin1String(rights), code);
    return rules;
}

} // namespace

QString LibrarySecurityPolicy()
{
    QString policy = QStringLiteral(
        "<policymap>"
        "<policy domain=\"delegate\" rights=\"none\" pattern=\"*\"/>"
        "<policy domain=\"path\" rights=\"none\" pattern=\"@*\"/>");
    policy += coderRules(QString::fromLatin1(kRefusedCoders).split(QLatin1Char(',')), "none");
    // A rule grants as much as it refuses, so a format the system's policy does not let
    // the library write must not gain that right here.
    const QStringList writeOnly = QString::fromLatin1(kWriteOnlyCoders).split(QLatin1Char(','));
    const auto systemLetsWrite = [](const QString &code) {
        return g_entries.IsRightsAuthorized
            && g_entries.IsRightsAuthorized(CoderPolicyDomain, WritePolicyRights,
                                            code.toLatin1().constData());
    };
    QStringList writable, refused;
    for (const QString &code : writeOnly) {
        // The EPT writer writes its PostScript part through the EPS coder.
        const bool mayWrite = systemLetsWrite(code)
            && (!code.startsWith(QLatin1String("EPT")) || systemLetsWrite(QStringLiteral("EPS")));
        (mayWrite ? writable : refused).append(code);
    }
    policy += coderRules(writable, "write");
    policy += coderRules(refused, "none");
    // The cap on frames is set as a limit (ApplyImageCaps): a resource rule here would make
    // this library generation drop the delegate and path rules once a further policy is
    // added.
    policy += QStringLiteral("</policymap>");
    return policy;
}

void AllowOnlyCoders(const QList<QPair<QString, QString>> &coders)
{
    if (!g_entries.SetMagickSecurityPolicy || g_codersNarrowed)
        return;
    // The last rule that matches a name decides, so the refusal of all comes first.
    QString policy = QStringLiteral("<policymap>") + coderRules({QStringLiteral("*")}, "none");
    for (const auto &[coder, mode] : coders) {
        const char *rights = mode == QLatin1String("RW") ? "read|write"
                           : mode == QLatin1String("R")  ? "read"
                                                         : "write";
        policy += coderRules({coder.toUpper()}, rights);
    }
    policy += QStringLiteral("</policymap>");
    const QByteArray bytes = policy.toUtf8();
    const TExceptionPtr exception(g_entries.AcquireExceptionInfo());
    g_codersNarrowed = g_entries.SetMagickSecurityPolicy(bytes.constData(), exception.get()) != MagickFalse;
}

bool CodersNarrowed() { return g_codersNarrowed; }

bool LeftByVanishedProcess(const QString &fileName, const QString &prefix)
{
    if (!fileName.startsWith(prefix))
        return false;
    const int dash = fileName.indexOf(QLatin1Char('-'), prefix.size());
    if (dash < 0)
        return false;
    bool ok = false;
    const qint64 pid = fileName.mid(prefix.size(), dash - prefix.size()).toLongLong(&ok);
    return ok && processIsGone(pid);
}

void PrepareLibraryTemporaryFolder()
{
    QString base = qEnvironmentVariable("TMPDIR");
    if (base.isEmpty() || !QFileInfo(base).isDir())
        base = QDir::tempPath();
    if (base == g_temporaryBase && QFileInfo(g_temporaryFolder).isDir())
        return;

    const QDir folder(base);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        if (LeftByVanishedProcess(name, kTemporaryPrefix))
            QDir(folder.filePath(name)).removeRecursively();
    }
    QByteArray pattern = QFile::encodeName(folder.filePath(
        kTemporaryPrefix + QString::number(::getpid()) + QStringLiteral("-XXXXXX")));
    if (!::mkdtemp(pattern.data()))
        return; // the library keeps its own choice of folder
    g_temporaryBase = base;
    g_temporaryFolder = QFile::decodeName(pattern);
    g_temporaryFolders.append(g_temporaryFolder);
    qputenv("MAGICK_TEMPORARY_PATH", pattern);
}

QString LibraryTemporaryFolder() { return g_temporaryFolder; }

QString ImageLibraryFileName() { return QStringLiteral("libMagickCore-6.Q16.so.6"); }

QString ImageLibraryMissingText() { return QStringLiteral("Not found ") + ImageLibraryFileName(); }

bool LoadImageLibrary(const QString &folder)
{
    QMutexLocker lock(&g_libraryLock);
    ++g_references;
    if (g_handle)
        return true;

    const QString file = folder.isEmpty()
        ? ImageLibraryFileName()
        : QDir(folder).absoluteFilePath(ImageLibraryFileName());
    // Lazy: the library and its many dependencies bind only what is called, not every
    // symbol at each start. The entry points below are looked up all the same.
    void *handle = dlopen(QFile::encodeName(file).constData(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle)
        return false;

    TMagickEntryPoints entries;
    if (!resolveEntryPoints(handle, entries)) {
        dlclose(handle);
        return false;
    }
    g_handle = handle;
    g_entries = entries;
    InstallPixelMemory(g_entries.SetMagickAlignedMemoryMethods);
    g_entries.MagickCoreGenesis(QFile::encodeName(folder).constData(), MagickFalse);
    if (!installSecurityPolicy()) {
        g_entries.MagickCoreTerminus();
        dlclose(handle);
        g_handle = nullptr;
        g_entries = TMagickEntryPoints();
        return false;
    }
    // The caps hold from the start, whatever the system's policy says.
    ApplyImageCaps();
    return true;
}

bool UnloadImageLibrary()
{
    QMutexLocker lock(&g_libraryLock);
    if (g_references > 0)
        --g_references;
    if (g_handle && g_references == 0) {
        g_entries.MagickCoreTerminus();
        dlclose(g_handle);
        g_handle = nullptr;
        g_entries = TMagickEntryPoints();
        g_codersNarrowed = false;
    }
    return g_handle == nullptr;
}

bool ImageLibraryIsLoaded()
{
    QMutexLocker lock(&g_libraryLock);
    return g_handle != nullptr;
}

int ImageLibraryReferenceCount()
{
    QMutexLocker lock(&g_libraryLock);
    return g_references;
}

bool StartImageLibrary()
{
#if defined(__GLIBC__)
    // glibc raises its mmap threshold each time a large block is freed; from then on the
    // blobs and pixels of every image come from the heap, which keeps growing with the
    // number of images converted. A fixed threshold hands each image back to the system.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
    // A file-size limit then fails the write with EFBIG, which the writer reports on the
    // row, instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    ImageLibraryLoaded = LoadImageLibrary(qEnvironmentVariable("PICTAVO_MAGICK_DIR"));
    // Asked only when AVIF or HEIC options are shown, so libheif is not loaded at start.
    SetOwnEncoderProbe(&HeifOptionOffered);
    if (ImageLibraryLoaded)
        PrepareLibraryTemporaryFolder();
    return ImageLibraryLoaded;
}

void StopImageLibrary()
{
    UnloadImageLibrary();
    while (ImageLibraryReferenceCount() > 0)
        UnloadImageLibrary();
    ImageLibraryLoaded = false;
    for (const QString &folder : std::as_const(g_temporaryFolders))
        QDir(folder).removeRecursively();
    g_temporaryFolders.clear();
    g_temporaryFolder.clear();
    g_temporaryBase.clear();
}

const TMagickEntryPoints &Magick() { return g_entries; }

void ApplyResourceLimits()
{
    if (!Magick().SetMagickResourceLimit)
        return;
    const auto memory = MagickSizeType(qMax(0, MemoryLimit));
    const auto map = MagickSizeType(qMax(0, MapLimit));
    Magick().SetMagickResourceLimit(MemoryResource, memory * kMegabyte);
    Magick().SetMagickResourceLimit(MapResource, map * kMegabyte);
    Magick().SetMagickResourceLimit(AreaResource, (memory / 2) * kMegabyte);
    ApplyImageCaps();
}

void ApplyImageCaps()
{
    if (!Magick().SetMagickResourceLimit)
        return;
    // The library keeps a lower cap of the system's policy.
    Magick().SetMagickResourceLimit(WidthResource, MagickSizeType(qMax(1, WidthLimit)));
    Magick().SetMagickResourceLimit(HeightResource, MagickSizeType(qMax(1, HeightLimit)));
    Magick().SetMagickResourceLimit(DiskResource, MagickSizeType(qMax(0, CacheDiskLimit)) * kMegabyte);
    Magick().SetMagickResourceLimit(ListLengthResource, MagickSizeType(kMaxFramesPerImage));
}

TLibraryLimits CurrentLibraryLimits()
{
    TLibraryLimits limits;
    if (!Magick().GetMagickResourceLimit)
        return limits;
    limits.Memory = Magick().GetMagickResourceLimit(MemoryResource);
    limits.Map = Magick().GetMagickResourceLimit(MapResource);
    limits.Area = Magick().GetMagickResourceLimit(AreaResource);
    limits.Width = Magick().GetMagickResourceLimit(WidthResource);
    limits.Height = Magick().GetMagickResourceLimit(HeightResource);
    limits.Disk = Magick().GetMagickResourceLimit(DiskResource);
    return limits;
}

Image *ReadImageFromStream(QIODevice &stream, const ImageInfo *info, qint64 count,
                           ExceptionInfo *exception)
{
    if (count == 0)
        return nullptr;
    if (!Magick().BlobToImage)
        throw TError(QStringLiteral("ImageMagick library not loaded"));
    if (count < 0 || count > stream.size() - stream.pos())
        throw TError(QStringLiteral("Size is not available in stream!"));

    const TImageInfoPtr hinted = withExtensionHint(stream, info);
    if (hinted)
        info = hinted.get();
    if (auto *buffer = qobject_cast<QBuffer *>(&stream)) {
        const QByteArray &data = buffer->data();
        return Magick().BlobToImage(info, data.constData() + buffer->pos(), size_t(count),
                                    exception);
    }
    std::unique_ptr<char[]> bytes(new char[size_t(count)]);
    if (stream.read(bytes.get(), count) != count)
        throw TError(QStringLiteral("Size is not available in stream!"));
    return Magick().BlobToImage(info, bytes.get(), size_t(count), exception);
}

void *FileToBlob(const QString &fileName, size_t maxLength, size_t *length,
                 ExceptionInfo *exception)
{
    return Magick().FileToBlob(QFile::encodeName(fileName).constData(), maxLength, length,
                               exception);
}

QStringList InstalledCoderModules()
{
    QStringList tags;
    TExceptionPtr exception = NewException();
    if (!exception)
        return tags;
    size_t count = 0;
    // GetModuleInfoList deadlocks on this library build; the plain tag list does not.
    char **list = Magick().GetModuleList("*", MagickImageCoderModule, &count, exception.get());
    if (!list)
        return tags;
    for (size_t i = 0; i < count; ++i) {
        tags.append(QString::fromUtf8(list[i]));
        Magick().RelinquishMagickMemory(list[i]);
    }
    Magick().RelinquishMagickMemory(list);
    return tags;
}
