#include "engine/unitFormats.h"

#include "engine/unitFormatCache.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitMagickHandles.h"
#include "project/unitPrompt.h"

#include <QMap>

const TFilterItemType FormatTable[kFormatTableSize] = {
    {QStringLiteral("ART"), QStringLiteral("R"), QStringLiteral("PFS: 1st Publisher")},
    {QStringLiteral("AVI"), QStringLiteral("R"), QStringLiteral("Microsoft Audio/Visual Interleaved")},
    {QStringLiteral("AVS"), QStringLiteral("RW"), QStringLiteral("AVS X image")},
    {QStringLiteral("BMP"), QStringLiteral("RW"), QStringLiteral("Microsoft Windows bitmap")},
    {QStringLiteral("CGM"), QStringLiteral("R"), QStringLiteral("Computer Graphics Metafile")},
    {QStringLiteral("CMYK"), QStringLiteral("RW"), QStringLiteral("Raw cyan, magenta, yellow, and black samples")},
    {QStringLiteral("CUT"), QStringLiteral("R"), QStringLiteral("DR Halo")},
    {QStringLiteral("DCM"), QStringLiteral("R"), QStringLiteral("Digital Imaging and Communications in Medicine (DICOM) image")},
    {QStringLiteral("DCX"), QStringLiteral("RW"), QStringLiteral("ZSoft IBM PC multi-page Paintbrush image")},
    {QStringLiteral("DIB"), QStringLiteral("RW"), QStringLiteral("Microsoft Windows Device Independent Bitmap")},
    {QStringLiteral("DPX"), QStringLiteral("RW"), QStringLiteral("Digital Moving Picture Exchange")},
    {QStringLiteral("EMF"), QStringLiteral("R"), QStringLiteral("Microsoft Enhanced Metafile (32-bit)")},
    {QStringLiteral("EPDF"), QStringLiteral("RW"), QStringLiteral("Encapsulated Portable Document Format")},
    {QStringLiteral("EPI"), QStringLiteral("RW"), QStringLiteral("Adobe Encapsulated PostScript Interchange format")},
    {QStringLiteral("EPS"), QStringLiteral("RW"), QStringLiteral("Adobe Encapsulated PostScript")},
    {QStringLiteral("EPS2"), QStringLiteral("W"), QStringLiteral("Adobe Level II Encapsulated PostScript")},
    {QStringLiteral("EPS3"), QStringLiteral("W"), QStringLiteral("Adobe Level III Encapsulated PostScript")},
    {QStringLiteral("EPSF"), QStringLiteral("RW"), QStringLiteral("Adobe Encapsulated PostScript")},
    {QStringLiteral("EPSI"), QStringLiteral("RW"), QStringLiteral("Adobe Encapsulated PostScript Interchange format")},
    {QStringLiteral("EPT"), QStringLiteral("RW"), QStringLiteral("Adobe Encapsulated PostScript Interchange format with TIFF preview")},
    {QStringLiteral("FAX"), QStringLiteral("RW"), QStringLiteral("Group 3 TIFF")},
    {QStringLiteral("FIG"), QStringLiteral("R"), QStringLiteral("FIG graphics format")},
    {QStringLiteral("FITS"), QStringLiteral("RW"), QStringLiteral("Flexible Image Transport System")},
    {QStringLiteral("FPX"), QStringLiteral("RW"), QStringLiteral("FlashPix Format")},
    {QStringLiteral("GIF"), QStringLiteral("RW"), QStringLiteral("CompuServe Graphics Interchange Format")},
    {QStringLiteral("GPLT"), QStringLiteral("R"), QStringLiteral("Gnuplot plot files")},
    {QStringLiteral("GRAY"), QStringLiteral("RW"), QStringLiteral("Raw gray samples")},
    {QStringLiteral("HPGL"), QStringLiteral("R"), QStringLiteral("HP-GL plotter language")},
    {QStringLiteral("HTML"), QStringLiteral("RW"), QStringLiteral("Hypertext Markup Language")},
    {QStringLiteral("HTM"), QStringLiteral("RW"), QStringLiteral("Hypertext Markup Language")},
    {QStringLiteral("ICO"), QStringLiteral("R"), QStringLiteral("Microsoft icon")},
    {QStringLiteral("JBIG"), QStringLiteral("RW"), QStringLiteral("Joint Bi-level Image experts Group file interchange format")},
    {QStringLiteral("JNG"), QStringLiteral("RW"), QStringLiteral("Multiple-image Network Graphics")},
    {QStringLiteral("JP2"), QStringLiteral("RW"), QStringLiteral("JPEG-2000 JP2 File Format Syntax")},
    {QStringLiteral("JPC"), QStringLiteral("RW"), QStringLiteral("JPEG-2000 Code Stream Syntax")},
    {QStringLiteral("JPEG"), QStringLiteral("RW"), QStringLiteral("Joint Photographic Experts Group JFIF format")},
    {QStringLiteral("JPG"), QStringLiteral("RW"), QStringLiteral("Joint Photographic Experts Group JFIF format")},
    {QStringLiteral("MAN"), QStringLiteral("R"), QStringLiteral("Unix reference manual pages")},
    {QStringLiteral("MAT"), QStringLiteral("R"), QStringLiteral("MATLAB image format")},
    {QStringLiteral("MIFF"), QStringLiteral("RW"), QStringLiteral("Magick image file format")},
    {QStringLiteral("MONO"), QStringLiteral("RW"), QStringLiteral("Bi-level bitmap in least-significant-byte first order")},
    {QStringLiteral("MNG"), QStringLiteral("RW"), QStringLiteral("JPEG Network Graphics")},
    {QStringLiteral("MPEG"), QStringLiteral("RW"), QStringLiteral("Motion Picture Experts Group file interchange format (version 1)")},
    {QStringLiteral("MPG"), QStringLiteral("RW"), QStringLiteral("Motion Picture Experts Group file interchange format (version 1)")},
    {QStringLiteral("M2V"), QStringLiteral("RW"), QStringLiteral("Motion Picture Experts Group file interchange format (version 2)")},
    {QStringLiteral("MPC"), QStringLiteral("RW"), QStringLiteral("Magick Persistent Cache image file format")},
    {QStringLiteral("MSL"), QStringLiteral("RW"), QStringLiteral("Magick Scripting Language")},
    {QStringLiteral("MTV"), QStringLiteral("RW"), QStringLiteral("MTV Raytracing image format")},
    {QStringLiteral("MVG"), QStringLiteral("RW"), QStringLiteral("Magick Vector Graphics")},
    {QStringLiteral("OTB"), QStringLiteral("RW"), QStringLiteral("On-the-air Bitmap")},
    {QStringLiteral("P7"), QStringLiteral("RW"), QStringLiteral("Xv Visual Schnauzer thumbnail format")},
    {QStringLiteral("PALM"), QStringLiteral("RW"), QStringLiteral("Palm pixmap")},
    {QStringLiteral("PBM"), QStringLiteral("RW"), QStringLiteral("Portable bitmap format (black and white)")},
    {QStringLiteral("PCD"), QStringLiteral("RW"), QStringLiteral("Photo CD")},
    {QStringLiteral("PCDS"), QStringLiteral("RW"), QStringLiteral("Photo CD")},
    {QStringLiteral("PCL"), QStringLiteral("W"), QStringLiteral("HP Page Control Language")},
    {QStringLiteral("PCX"), QStringLiteral("RW"), QStringLiteral("ZSoft IBM PC Paintbrush file")},
    {QStringLiteral("PDB"), QStringLiteral("RW"), QStringLiteral("Palm Database ImageViewer Format")},
    {QStringLiteral("PDF"), QStringLiteral("RW"), QStringLiteral("Portable Document Format")},
    {QStringLiteral("PFA"), QStringLiteral("R"), QStringLiteral("Postscript Type 1 font (ASCII)")},
    {QStringLiteral("PFB"), QStringLiteral("R"), QStringLiteral("Postscript Type 1 font (binary)")},
    {QStringLiteral("PGM"), QStringLiteral("RW"), QStringLiteral("Portable graymap format (gray scale)")},
    {QStringLiteral("PICON"), QStringLiteral("RW"), QStringLiteral("Personal Icon")},
    {QStringLiteral("PICT"), QStringLiteral("RW"), QStringLiteral("Apple Macintosh QuickDraw/PICT file")},
    {QStringLiteral("PIX"), QStringLiteral("R"), QStringLiteral("Alias/Wavefront RLE image format")},
    {QStringLiteral("PNG"), QStringLiteral("RW"), QStringLiteral("Portable Network Graphics")},
    {QStringLiteral("PNM"), QStringLiteral("RW"), QStringLiteral("Portable anymap")},
    {QStringLiteral("PPM"), QStringLiteral("RW"), QStringLiteral("Portable pixmap format (color)")},
    {QStringLiteral("PS"), QStringLiteral("RW"), QStringLiteral("Adobe PostScript file")},
    {QStringLiteral("PS2"), QStringLiteral("RW"), QStringLiteral("Adobe Level II PostScript file")},
    {QStringLiteral("PS3"), QStringLiteral("RW"), QStringLiteral("Adobe Level III PostScript file")},
    {QStringLiteral("PSD"), QStringLiteral("RW"), QStringLiteral("Adobe Photoshop bitmap file")},
    {QStringLiteral("PTIF"), QStringLiteral("RW"), QStringLiteral("Pyramid encoded TIFF")},
    {QStringLiteral("PWP"), QStringLiteral("R"), QStringLiteral("Seattle File Works multi-image file")},
    {QStringLiteral("RAD"), QStringLiteral("R"), QStringLiteral("Radiance image file")},
    {QStringLiteral("RGB"), QStringLiteral("RW"), QStringLiteral("Raw red, green, and blue samples")},
    {QStringLiteral("RGBA"), QStringLiteral("RW"), QStringLiteral("Raw red, green, blue, and matte samples")},
    {QStringLiteral("RLA"), QStringLiteral("R"), QStringLiteral("Alias/Wavefront image file")},
    {QStringLiteral("RLE"), QStringLiteral("R"), QStringLiteral("Utah Run length encoded image file")},
    {QStringLiteral("SCT"), QStringLiteral("R"), QStringLiteral("Scitex Continuous Tone Picture")},
    {QStringLiteral("SFW"), QStringLiteral("R"), QStringLiteral("Seattle File Works image")},
    {QStringLiteral("SGI"), QStringLiteral("RW"), QStringLiteral("Irix RGB image")},
    {QStringLiteral("SHTML"), QStringLiteral("W"), QStringLiteral("Hypertext Markup Language client-side image map")},
    {QStringLiteral("SUN"), QStringLiteral("RW"), QStringLiteral("SUN Rasterfile")},
    {QStringLiteral("SVG"), QStringLiteral("RW"), QStringLiteral("Scalable Vector Graphics")},
    {QStringLiteral("TGA"), QStringLiteral("RW"), QStringLiteral("Truevision Targa image")},
    {QStringLiteral("TIFF"), QStringLiteral("RW"), QStringLiteral("Tagged Image File Format")},
    {QStringLiteral("TIF"), QStringLiteral("RW"), QStringLiteral("Tagged Image File Format")},
    {QStringLiteral("TIM"), QStringLiteral("R"), QStringLiteral("PSX TIM file")},
    {QStringLiteral("TTF"), QStringLiteral("R"), QStringLiteral("TrueType font file")},
    {QStringLiteral("TXT"), QStringLiteral("RW"), QStringLiteral("Raw text file")},
    {QStringLiteral("UIL"), QStringLiteral("W"), QStringLiteral("X-Motif UIL table")},
    {QStringLiteral("UYVY"), QStringLiteral("RW"), QStringLiteral("Interleaved YUV raw image")},
    {QStringLiteral("VICAR"), QStringLiteral("RW"), QStringLiteral("VICAR rasterfile format")},
    {QStringLiteral("VIFF"), QStringLiteral("RW"), QStringLiteral("Khoros Visualization Image File Format")},
    {QStringLiteral("WBMP"), QStringLiteral("RW"), QStringLiteral("Wireless bitmap")},
    {QStringLiteral("WMF"), QStringLiteral("RW"), QStringLiteral("Windows Metafile")},
    {QStringLiteral("WPG"), QStringLiteral("R"), QStringLiteral("Word Perfect Graphics File")},
    {QStringLiteral("XBM"), QStringLiteral("RW"), QStringLiteral("X Windows system bitmap, black and white only")},
    {QStringLiteral("XCF"), QStringLiteral("R"), QStringLiteral("GIMP image")},
    {QStringLiteral("XPM"), QStringLiteral("RW"), QStringLiteral("X Windows system pixmap")},
    {QStringLiteral("YUV"), QStringLiteral("RW"), QStringLiteral("CCIR 601 4:1:1")}
};

int FindFormat(const QString &code)
{
    for (int i = 0; i < kFormatTableSize; ++i) {
        if (FormatTable[i].Code.compare(code, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QList<TFilterItemType> FormatsForModules(const QStringList &tags)
{
    static const int jpgRow = FindFormat(QStringLiteral("JPG"));
    static const int tifRow = FindFormat(QStringLiteral("TIF"));
    QList<TFilterItemType> formats;
    for (const QString &tag : tags) {
        const int row = FindFormat(tag);
        if (row >= 0)
            formats.append(FormatTable[row]);
        if (tag.compare(QLatin1String("JPEG"), Qt::CaseInsensitive) == 0)
            formats.append(FormatTable[jpgRow]);
        if (tag.compare(QLatin1String("TIFF"), Qt::CaseInsensitive) == 0)
            formats.append(FormatTable[tifRow]);
    }
    return formats;
}

namespace {

// Table rows whose library format lives in a module of another name.
const char *const kRowsInOtherModules[] = {"ICO", "PBM", "PGM", "PPM"};

// Formats offered beyond the table, in this order, when the library has them.
struct TFormatBeyondTable
{
    const char *code;
    const char *coder;    // the library's format, when the code is only an extension of it
    const char *mostMode; // never more than this
    bool decodedByLibraryOnly; // camera formats: offered only when a library decodes them
};

const TFormatBeyondTable kFormatsBeyondTable[] = {
    {"WEBP", nullptr, "RW", false},
    {"HEIC", nullptr, "RW", false},
    // .heif files decode by their content; the encoder is chosen by the name HEIC only.
    {"HEIF", "HEIC", "R", false},
    {"AVIF", nullptr, "RW", false},
    {"JXL", nullptr, "RW", false},
    {"PAM", nullptr, "RW", false},
    {"HDR", nullptr, "RW", false},
    {"EXR", nullptr, "RW", false},
    {"DNG", nullptr, "R", true},
    {"CR2", nullptr, "R", true},
    {"CR3", nullptr, "R", true},
    {"CRW", nullptr, "R", true},
    {"NEF", nullptr, "R", true},
    {"NRW", nullptr, "R", true},
    {"ARW", nullptr, "R", true},
    {"SR2", nullptr, "R", true},
    {"ORF", nullptr, "R", true},
    {"RW2", nullptr, "R", true},
    {"RAF", nullptr, "R", true},
    {"PEF", nullptr, "R", true},
};

QString intersectModes(const QString &a, const QString &b)
{
    QString mode;
    for (QChar letter : {QLatin1Char('R'), QLatin1Char('W')}) {
        if (a.contains(letter) && b.contains(letter))
            mode += letter;
    }
    return mode;
}

bool allowed(PolicyRights rights, const char *name)
{
    return Magick().IsRightsAuthorized(CoderPolicyDomain, rights, name) != MagickFalse;
}

bool listed(const QList<TFilterItemType> &formats, const QString &code)
{
    for (const TFilterItemType &format : formats) {
        if (format.Code.compare(code, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The library's own description, or empty.
QString libraryDescription(const QString &name)
{
    TExceptionPtr exception = NewException();
    const MagickInfo *info = Magick().GetMagickInfo(name.toLatin1().constData(), exception.get());
    return info && info->description ? QString::fromUtf8(info->description) : QString();
}

} // namespace

QString LibraryMode(const QString &code, const QString &coder)
{
    if (!Magick().GetMagickInfo || code.isEmpty())
        return QString();
    const QByteArray name = (coder.isEmpty() ? code : coder).toUpper().toLatin1();
    const QByteArray extension = code.toUpper().toLatin1();
    TExceptionPtr exception = NewException();
    const MagickInfo *info = Magick().GetMagickInfo(name.constData(), exception.get());
    // Asked for an unknown name, the library may answer with another format's entry.
    if (!info || !info->name || name.compare(info->name, Qt::CaseInsensitive) != 0)
        return QString();
    const char *module = info->magick_module ? info->magick_module : info->name;
    // Each question walks every rule of the policy: the extension only when it is another name.
    auto may = [&](PolicyRights rights) {
        return allowed(rights, name.constData())
            && (extension == name || allowed(rights, extension.constData()))
            && Magick().IsRightsAuthorized(ModulePolicyDomain, rights, module) != MagickFalse;
    };
    QString mode;
    if (info->decoder && may(ReadPolicyRights))
        mode += QLatin1Char('R');
    if (info->encoder && may(WritePolicyRights))
        mode += QLatin1Char('W');
    return mode;
}

QList<TFilterItemType> FormatsFromLibrary()
{
    QList<TFilterItemType> formats;
    for (TFilterItemType format : FormatsForModules(InstalledCoderModules())) {
        format.Mode = intersectModes(format.Mode, LibraryMode(format.Code));
        if (!format.Mode.isEmpty())
            formats.append(format);
    }
    for (const char *code : kRowsInOtherModules) {
        TFilterItemType format = FormatTable[FindFormat(QLatin1String(code))];
        format.Mode = intersectModes(format.Mode, LibraryMode(format.Code));
        if (!format.Mode.isEmpty() && !listed(formats, format.Code))
            formats.append(format);
    }
    // Camera formats go to a delegate program unless a library decodes them, which the
    // coder then names as its version.
    const bool camerasInProcess = !LibraryMode(QStringLiteral("DNG")).isEmpty() && [] {
        TExceptionPtr exception = NewException();
        const MagickInfo *info = Magick().GetMagickInfo("DNG", exception.get());
        return info && info->version && *info->version;
    }();
    for (const TFormatBeyondTable &beyond : kFormatsBeyondTable) {
        if (beyond.decodedByLibraryOnly && !camerasInProcess)
            continue;
        const QString code = QLatin1String(beyond.code);
        const QString coder = beyond.coder ? QLatin1String(beyond.coder) : QString();
        const QString mode = intersectModes(QLatin1String(beyond.mostMode), LibraryMode(code, coder));
        if (mode.isEmpty() || listed(formats, code))
            continue;
        formats.append({code, mode, libraryDescription(coder.isEmpty() ? code : coder)});
    }
    return formats;
}

namespace {

// The policy lets the library read and write exactly what is offered. A library format
// reached under two codes (HEIC and HEIF) keeps the rights of both.
void allowOnlyOfferedCoders(const QList<TFilterItemType> &formats)
{
    QMap<QString, QString> codersOfCodes;
    for (const TFormatBeyondTable &beyond : kFormatsBeyondTable) {
        if (beyond.coder)
            codersOfCodes.insert(QLatin1String(beyond.code), QLatin1String(beyond.coder));
    }
    QMap<QString, QString> modes;
    for (const TFilterItemType &format : formats) {
        for (const QString &coder : {format.Code, codersOfCodes.value(format.Code, format.Code)}) {
            QString &mode = modes[coder.toUpper()];
            mode = intersectModes(QStringLiteral("RW"), mode + format.Mode);
        }
    }
    QList<QPair<QString, QString>> coders;
    for (auto it = modes.cbegin(); it != modes.cend(); ++it)
        coders.append({it.key(), it.value()});
    AllowOnlyCoders(coders);
}

} // namespace

void BuildAvailableFormats()
{
    AvailableFormats.clear();
    KnownFormatCodes.clear();
    for (const TFilterItemType &row : FormatTable)
        KnownFormatCodes.append(row.Code);
    for (const TFormatBeyondTable &beyond : kFormatsBeyondTable)
        KnownFormatCodes.append(QLatin1String(beyond.code));
    if (!Magick().AcquireExceptionInfo) {
        Prompt().error(ImageLibraryMissingText());
        return;
    }
    AvailableFormats = FormatsThroughCache(FormatsFromLibrary);
    allowOnlyOfferedCoders(AvailableFormats);
}
