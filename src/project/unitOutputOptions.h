#pragma once

// What goes into each output file beyond the project's fixed fields: the size mode and
// the encoder options, kept as keys of TCnvJob::Options. One table describes every
// option; the Image page, the command line and the check before a run all read it.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class TCnvJob;

namespace OptionKey {
inline const QString Size = QStringLiteral("size");
inline const QString NoEnlarge = QStringLiteral("no-enlarge");
inline const QString Background = QStringLiteral("background");
inline const QString AlsoConvert = QStringLiteral("also-convert");
} // namespace OptionKey

// How a frame's size is chosen. Rules: the project's width and height rules.
enum class TSizeMode { Rules, Long, Short, Fit, Fill, Percent };

struct TSizeSpec
{
    TSizeMode Mode = TSizeMode::Rules;
    // Long, Short: the edge; Fit, Fill: width and height; Percent: the percentage.
    qint64 Width = 0;
    qint64 Height = 0;
};

// "long:1920", "short:1080", "fit:1920x1080", "fill:1080x1080", "percent:50"; empty is
// the rules. False with a problem text for anything else.
bool ParseSizeSpec(const QString &text, TSizeSpec &optionSpec, QString *problem = nullptr);
QString SizeSpecText(const TSizeSpec &optionSpec);
// The project's size mode; the rules when the key is missing or not understood.
TSizeSpec ProjectSizeSpec(const QMap<QString, QString> &options);
bool ProjectNoEnlarge(const QMap<QString, QString> &options);

// Where a frame of width x height goes under a mode other than the rules: resized to
// Columns x Rows, then (Fill) the centred CropWidth x CropHeight kept. Resize false: the
// frame keeps its size.
struct TFrameGeometry
{
    bool Resize = false;
    qint64 Columns = 0;
    qint64 Rows = 0;
    bool Crop = false;
    qint64 CropX = 0;
    qint64 CropY = 0;
    qint64 CropWidth = 0;
    qint64 CropHeight = 0;
};
TFrameGeometry SizeModeGeometry(qint64 width, qint64 height, const TSizeSpec &optionSpec, bool noEnlarge);

// One encoder option of a format family. Values: the allowed texts, or empty with a
// range Minimum..Maximum; a flag has the values "false" and "true".
struct TOptionSpec
{
    QString Family;       // "jpeg", or empty for every format
    QString Key;          // "progressive"
    QString Default;
    QStringList Values;
    int Minimum = 0;
    int Maximum = 0;
    const char *LabelKey; // catalogue key of the label on the Image page
    // Written by an encoder of the program's own, offered only where the probe finds it.
    bool NeedsOwnEncoder = false;

    bool IsFlag() const { return Values == QStringList{QStringLiteral("false"), QStringLiteral("true")}; }
    bool IsRange() const { return Values.isEmpty(); }
    // The key in TCnvJob::Options: "jpeg.progressive", or "background".
    QString OptionName() const { return Family.isEmpty() ? Key : Family + QLatin1Char('.') + Key; }
    bool Accepts(const QString &value) const;
    // "false|true", "0..6", "#RRGGBB".
    QString AllowedText() const;
};

// Says whether the program's own encoder for an option ("avif.speed") is there; set by
// the engine when the image library starts. Without a probe such options are not offered.
using TOwnEncoderProbe = bool (*)(const QString &optionName);
void SetOwnEncoderProbe(TOwnEncoderProbe probe);
bool IsOptionOffered(const TOptionSpec &optionSpec);

// The option family of a target code: "jpeg" for JPG, JPEG and JPE, "tiff" for TIF,
// TIFF and PTIF, otherwise the code in lower case.
QString OptionFamily(const QString &targetCode);
// The options offered for a target, the family's own first, then those of every format.
QList<TOptionSpec> OptionsForTarget(const QString &targetCode);
// The value in force: the project's, or the option's default when the key is missing.
QString OptionValue(const QMap<QString, QString> &options, const TOptionSpec &optionSpec);

// The target's encoder settings as the engine needs them: plain values, defaults where
// the project says nothing.
struct TEncoderSettings
{
    // Empty: the library's default; otherwise "1x1" or "2x2,1x1,1x1".
    QString JpegSamplingFactor;
    bool Progressive = false;
    bool WebpLossless = false;
    int WebpEffort = -1;         // -1: the library's default
    int PngLevel = -1;           // -1: from the quality, as before
    bool PngPalette = false;
    QString TiffCompression;     // empty: as the library decides
    int HeifSpeed = -1;          // AVIF, HEIC 0..9; -1: the library's coder as before
    bool PrintCmyk = true;
    // Transparent pixels are laid onto this colour, 8-bit channels.
    int BackgroundRed = 255, BackgroundGreen = 255, BackgroundBlue = 255;
};
TEncoderSettings EncoderSettings(const QString &targetCode, const QMap<QString, QString> &options);

// What is wrong with the project's size and encoder options for its target, empty when
// nothing is: an unknown key or a value the key does not take.
QString CheckOutputOptions(const QString &targetCode, const QMap<QString, QString> &options);
// Sets a "KEY=VALUE" from the command line: KEY is a key of the target's family or of
// every format, or written out as "family.key". Returns the problem, empty when set.
QString SetOptionFromText(TCnvJob &job, const QString &assignment);

// The saved projects a run converts every source with besides this one, as paths; kept
// in the project separated by tabs, which no path offered here holds.
QStringList AlsoConvertProjects(const QMap<QString, QString> &options);
void SetAlsoConvertProjects(QMap<QString, QString> &options, const QStringList &paths);

// What keeps a project from being run, empty when nothing: no writable target, or a
// destination folder that does not exist.
QString ProjectRunProblem(const TCnvJob &job);
// The project files a run also converts with, each opened, given `edit` (which returns a
// problem or nothing) and checked; a file that cannot be opened or run throws TError
// naming it.
QList<std::shared_ptr<TCnvJob>> LoadAlsoConvertProjects(
    const QStringList &paths, const std::function<QString(TCnvJob &)> &edit = {});
// Multi-page output writes one file for the whole run, so it takes one project.
inline const char kMultipageTakesOneProject[] = "Multi-page output converts with one project only";
