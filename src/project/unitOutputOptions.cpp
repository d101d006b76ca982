#include "project/unitOutputOptions.h"

#include "project/unitGeneral.h"
#include "project/unitJob.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

const QStringList kFlag = {QStringLiteral("false"), QStringLiteral("true")};
constexpr qint64 kLargestEdge = 65535;
constexpr qint64 kLargestPercent = 1000;

TOptionSpec flag(const char *family, const char *key, const char *value, const char *label)
{
    return {QLatin1String(family), QLatin1String(key), QLatin1String(value), kFlag, 0, 0, label};
}

TOptionSpec choice(const char *family, const char *key, const char *value, QStringList values,
                   const char *label)
{
    return {QLatin1String(family), QLatin1String(key), QLatin1String(value), std::move(values), 0, 0, label};
}

TOptionSpec range(const char *family, const char *key, const char *value, int minimum, int maximum,
                  const char *label)
{
    return {QLatin1String(family), QLatin1String(key), QLatin1String(value), {}, minimum, maximum, label};
}

// AVIF and HEIC speed, written by libheif itself: the library's coder takes no speed.
TOptionSpec heifSpeed(const char *family)
{
    QStringList values = {QStringLiteral("auto")};
    for (int speed = 0; speed <= 9; ++speed)
        values.append(QString::number(speed));
    TOptionSpec optionSpec = choice(family, "speed", "auto", values, "J_OPT_SPEED");
    optionSpec.NeedsOwnEncoder = true;
    return optionSpec;
}

TOwnEncoderProbe ownEncoderProbe = nullptr;

// Defaults leave the encoder as it was before these options: "auto" hands the choice to
// the library (or the quality), as before.
const QList<TOptionSpec> &optionTable()
{
    static const QList<TOptionSpec> table = {
        flag("jpeg", "progressive", "false", "J_OPT_PROGRESSIVE"),
        choice("jpeg", "subsampling", "auto",
               {QStringLiteral("auto"), QStringLiteral("420"), QStringLiteral("444")}, "J_OPT_SUBSAMPLING"),
        flag("webp", "lossless", "false", "J_OPT_LOSSLESS"),
        range("webp", "effort", "4", 0, 6, "J_OPT_EFFORT"),
        choice("png", "level", "auto",
               {QStringLiteral("auto"), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")},
               "J_OPT_LEVEL"),
        flag("png", "palette", "false", "J_OPT_PALETTE"),
        choice("tiff", "compression", "auto",
               {QStringLiteral("auto"), QStringLiteral("none"), QStringLiteral("lzw"), QStringLiteral("zip"),
                QStringLiteral("jpeg")},
               "J_OPT_COMPRESSION"),
        flag("tiff", "cmyk", "true", "J_OPT_CMYK"),
        heifSpeed("avif"),
        heifSpeed("heic"),
        {QString(), OptionKey::Background, QStringLiteral("#ffffff"), {}, 0, 0, "J_OPT_BACKGROUND"},
    };
    return table;
}

bool isColour(const QString &value)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    return pattern.match(value).hasMatch();
}

const TOptionSpec *findSpec(const QString &family, const QString &key)
{
    for (const TOptionSpec &optionSpec : optionTable()) {
        if (optionSpec.Family == family && optionSpec.Key == key)
            return &optionSpec;
    }
    return nullptr;
}

bool isKnownFamily(const QString &family)
{
    return !family.isEmpty()
        && std::any_of(optionTable().cbegin(), optionTable().cend(),
                       [&](const TOptionSpec &optionSpec) { return optionSpec.Family == family; });
}

bool parseEdge(const QString &text, qint64 &value, qint64 largest)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= 1 && value <= largest && !text.startsWith(QLatin1Char('+'));
}

qint64 roundedScale(double scale, qint64 edge)
{
    return qMax<qint64>(1, qint64(std::floor(scale * double(edge) + 0.5)));
}

} // namespace

bool ParseSizeSpec(const QString &text, TSizeSpec &optionSpec, QString *problem)
{
    const QString trimmed = text.trimmed().toLower();
    const auto refuse = [&] {
        if (problem)
            *problem = QStringLiteral("Unknown size '%1': use long:N, short:N, fit:WxH, fill:WxH or percent:P")
                           .arg(text);
        return false;
    };
    if (trimmed.isEmpty()) {
        optionSpec = TSizeSpec();
        return true;
    }
    const int colon = trimmed.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return refuse();
    const QString mode = trimmed.left(colon);
    const QString value = trimmed.mid(colon + 1);
    TSizeSpec parsed;
    if (mode == QLatin1String("long") || mode == QLatin1String("short")) {
        parsed.Mode = mode == QLatin1String("long") ? TSizeMode::Long : TSizeMode::Short;
        if (!parseEdge(value, parsed.Width, kLargestEdge))
            return refuse();
        parsed.Height = parsed.Width;
    } else if (mode == QLatin1String("fit") || mode == QLatin1String("fill")) {
        parsed.Mode = mode == QLatin1String("fit") ? TSizeMode::Fit : TSizeMode::Fill;
        const QStringList sides = value.split(QLatin1Char('x'));
        if (sides.size() != 2 || !parseEdge(sides.at(0), parsed.Width, kLargestEdge)
            || !parseEdge(sides.at(1), parsed.Height, kLargestEdge))
            return refuse();
    } else if (mode == QLatin1String("percent")) {
        parsed.Mode = TSizeMode::Percent;
        if (!parseEdge(value, parsed.Width, kLargestPercent))
            return refuse();
        parsed.Height = parsed.Width;
    } else {
        return refuse();
    }
    optionSpec = parsed;
    return true;
}

QString SizeSpecText(const TSizeSpec &optionSpec)
{
    const QString width = QString::number(optionSpec.Width), height = QString::number(optionSpec.Height);
    switch (optionSpec.Mode) {
    case TSizeMode::Rules:
        return QString();
    case TSizeMode::Long:
        return QStringLiteral("long:") + width;
    case TSizeMode::Short:
        return QStringLiteral("short:") + width;
    case TSizeMode::Fit:
        return QStringLiteral("fit:") + width + QLatin1Char('x') + height;
    case TSizeMode::Fill:
        return QStringLiteral("fill:") + width + QLatin1Char('x') + height;
    case TSizeMode::Percent:
        return QStringLiteral("percent:") + width;
    }
    return QString();
}

TSizeSpec ProjectSizeSpec(const QMap<QString, QString> &options)
{
    TSizeSpec optionSpec;
    if (!ParseSizeSpec(options.value(OptionKey::Size), optionSpec))
        optionSpec = TSizeSpec();
    return optionSpec;
}

bool ProjectNoEnlarge(const QMap<QString, QString> &options)
{
    return options.value(OptionKey::NoEnlarge) == QLatin1String("true");
}

TFrameGeometry SizeModeGeometry(qint64 width, qint64 height, const TSizeSpec &optionSpec, bool noEnlarge)
{
    TFrameGeometry geometry;
    if (optionSpec.Mode == TSizeMode::Rules || width <= 0 || height <= 0)
        return geometry;
    qint64 columns = width, rows = height;
    if (optionSpec.Mode == TSizeMode::Percent) {
        columns = roundedScale(double(optionSpec.Width) / 100.0, width);
        rows = roundedScale(double(optionSpec.Width) / 100.0, height);
    } else {
        // Long edge N fits the frame into N x N, short edge N covers N x N.
        const double across = double(optionSpec.Width) / double(width);
        const double down = double(optionSpec.Height) / double(height);
        const bool cover = optionSpec.Mode == TSizeMode::Short || optionSpec.Mode == TSizeMode::Fill;
        const double scale = cover ? qMax(across, down) : qMin(across, down);
        columns = roundedScale(scale, width);
        rows = roundedScale(scale, height);
    }
    if (noEnlarge) {
        columns = qMin(columns, width);
        rows = qMin(rows, height);
    }
    geometry.Resize = columns != width || rows != height;
    geometry.Columns = columns;
    geometry.Rows = rows;
    if (optionSpec.Mode == TSizeMode::Fill) {
        geometry.CropWidth = qMin(optionSpec.Width, columns);
        geometry.CropHeight = qMin(optionSpec.Height, rows);
        geometry.Crop = geometry.CropWidth != columns || geometry.CropHeight != rows;
        geometry.CropX = (columns - geometry.CropWidth) / 2;
        geometry.CropY = (rows - geometry.CropHeight) / 2;
    }
    return geometry;
}

bool TOptionSpec::Accepts(const QString &value) const
{
    if (Key == OptionKey::Background && Family.isEmpty())
        return isColour(value);
    if (!IsRange())
        return Values.contains(value);
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok && number >= Minimum && number <= Maximum && !value.startsWith(QLatin1Char('+'));
}

QString TOptionSpec::AllowedText() const
{
    if (Key == OptionKey::Background && Family.isEmpty())
        return QStringLiteral("#RRGGBB");
    if (IsRange())
        return QString::number(Minimum) + QStringLiteral("..") + QString::number(Maximum);
    return Values.join(QLatin1Char('|'));
}

void SetOwnEncoderProbe(TOwnEncoderProbe probe) { ownEncoderProbe = probe; }

bool IsOptionOffered(const TOptionSpec &optionSpec)
{
    return !optionSpec.NeedsOwnEncoder || (ownEncoderProbe && ownEncoderProbe(optionSpec.OptionName()));
}

QString OptionFamily(const QString &targetCode)
{
    const QString code = targetCode.trimmed().toLower();
    if (code == QLatin1String("jpg") || code == QLatin1String("jpe"))
        return QStringLiteral("jpeg");
    if (code == QLatin1String("tif") || code == QLatin1String("ptif"))
        return QStringLiteral("tiff");
    return code;
}

QList<TOptionSpec> OptionsForTarget(const QString &targetCode)
{
    const QString family = OptionFamily(targetCode);
    QList<TOptionSpec> own, common;
    for (const TOptionSpec &optionSpec : optionTable()) {
        const bool forTarget = optionSpec.Family.isEmpty() || (!family.isEmpty() && optionSpec.Family == family);
        // Asked only for the target's own options: the probe may load a library.
        if (!forTarget || !IsOptionOffered(optionSpec))
            continue;
        (optionSpec.Family.isEmpty() ? common : own).append(optionSpec);
    }
    return own + common;
}

QString OptionValue(const QMap<QString, QString> &options, const TOptionSpec &optionSpec)
{
    const QString value = options.value(optionSpec.OptionName());
    return optionSpec.Accepts(value) ? value : optionSpec.Default;
}

TEncoderSettings EncoderSettings(const QString &targetCode, const QMap<QString, QString> &options)
{
    TEncoderSettings settings;
    const QString family = OptionFamily(targetCode);
    const auto value = [&](const char *specFamily, const char *key) {
        const TOptionSpec *optionSpec = findSpec(QLatin1String(specFamily), QLatin1String(key));
        return optionSpec ? OptionValue(options, *optionSpec) : QString();
    };
    if (family == QLatin1String("jpeg")) {
        settings.Progressive = value("jpeg", "progressive") == QLatin1String("true");
        const QString sampling = value("jpeg", "subsampling");
        if (sampling == QLatin1String("444"))
            settings.JpegSamplingFactor = QStringLiteral("1x1,1x1,1x1");
        else if (sampling == QLatin1String("420"))
            settings.JpegSamplingFactor = QStringLiteral("2x2,1x1,1x1");
    } else if (family == QLatin1String("webp")) {
        settings.WebpLossless = value("webp", "lossless") == QLatin1String("true");
        const QString effort = options.value(QStringLiteral("webp.effort"));
        if (findSpec(QStringLiteral("webp"), QStringLiteral("effort"))->Accepts(effort))
            settings.WebpEffort = effort.toInt();
    } else if (family == QLatin1String("png")) {
        const QString level = value("png", "level");
        if (level != QLatin1String("auto"))
            settings.PngLevel = level.toInt();
        settings.PngPalette = value("png", "palette") == QLatin1String("true");
    } else if (family == QLatin1String("tiff")) {
        const QString compression = value("tiff", "compression");
        if (compression != QLatin1String("auto"))
            settings.TiffCompression = compression;
        settings.PrintCmyk = value("tiff", "cmyk") == QLatin1String("true");
    } else if (family == QLatin1String("avif") || family == QLatin1String("heic")) {
        const TOptionSpec *speed = findSpec(family, QStringLiteral("speed"));
        const QString chosen = OptionValue(options, *speed);
        if (chosen != QLatin1String("auto") && IsOptionOffered(*speed))
            settings.HeifSpeed = chosen.toInt();
    }
    const QString background = value("", "background");
    settings.BackgroundRed = background.mid(1, 2).toInt(nullptr, 16);
    settings.BackgroundGreen = background.mid(3, 2).toInt(nullptr, 16);
    settings.BackgroundBlue = background.mid(5, 2).toInt(nullptr, 16);
    return settings;
}

QString CheckOutputOptions(const QString &targetCode, const QMap<QString, QString> &options)
{
    Q_UNUSED(targetCode)
    for (auto it = options.cbegin(); it != options.cend(); ++it) {
        const QString &key = it.key();
        const QString &value = it.value();
        QString problem;
        if (key == OptionKey::Size) {
            TSizeSpec optionSpec;
            if (!ParseSizeSpec(value, optionSpec, &problem))
                return problem;
            continue;
        }
        if (key == OptionKey::NoEnlarge) {
            if (!kFlag.contains(value))
                return QStringLiteral("Option %1 takes false|true, not '%2'").arg(key, value);
            continue;
        }
        const int dot = key.indexOf(QLatin1Char('.'));
        const QString family = dot < 0 ? QString() : key.left(dot);
        const QString name = dot < 0 ? key : key.mid(dot + 1);
        const TOptionSpec *optionSpec = findSpec(family, name);
        // Keys of other parts of the program, or of formats this table does not know,
        // are not this check's to judge.
        if (!optionSpec) {
            if (isKnownFamily(family))
                return QStringLiteral("Unknown option %1").arg(key);
            continue;
        }
        if (!IsOptionOffered(*optionSpec) && value != optionSpec->Default)
            return QStringLiteral("Option %1 is not available: libheif not found").arg(key);
        if (!optionSpec->Accepts(value))
            return QStringLiteral("Option %1 takes %2, not '%3'").arg(key, optionSpec->AllowedText(), value);
    }
    return QString();
}

QString SetOptionFromText(TCnvJob &job, const QString &assignment)
{
    const int equals = assignment.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return QStringLiteral("--option needs KEY=VALUE, not '%1'").arg(assignment);
    const QString key = assignment.left(equals).trimmed().toLower();
    const QString value = assignment.mid(equals + 1).trimmed();
    const QList<TOptionSpec> offered = OptionsForTarget(job.TargetExt);
    for (const TOptionSpec &optionSpec : offered) {
        if (key != optionSpec.Key && key != optionSpec.OptionName())
            continue;
        const QString stored = optionSpec.IsFlag() || !optionSpec.IsRange() ? value.toLower() : value;
        if (!optionSpec.Accepts(stored))
            return QStringLiteral("Option %1 takes %2, not '%3'").arg(key, optionSpec.AllowedText(), value);
        job.Options.insert(optionSpec.OptionName(), stored);
        return QString();
    }
    return QStringLiteral("Unknown option %1 for %2 (see pictavo-cli options %2)")
        .arg(key, job.TargetExt.isEmpty() ? QStringLiteral("FORMAT") : job.TargetExt.toUpper());
}

QStringList AlsoConvertProjects(const QMap<QString, QString> &options)
{
    return options.value(OptionKey::AlsoConvert).split(QLatin1Char('\t'), Qt::SkipEmptyParts);
}

void SetAlsoConvertProjects(QMap<QString, QString> &options, const QStringList &paths)
{
    if (paths.isEmpty())
        options.remove(OptionKey::AlsoConvert);
    else
        options.insert(OptionKey::AlsoConvert, paths.join(QLatin1Char('\t')));
}

QString ProjectRunProblem(const TCnvJob &job)
{
    if (!HasWritableTarget(job))
        return QStringLiteral("Incorrect new extension");
    if (job.UseDestDir && !QFileInfo(job.DestDir).isDir())
        return QStringLiteral("Destination directory not exist");
    return QString();
}

QList<std::shared_ptr<TCnvJob>> LoadAlsoConvertProjects(const QStringList &paths,
                                                        const std::function<QString(TCnvJob &)> &edit)
{
    QList<std::shared_ptr<TCnvJob>> projects;
    for (const QString &path : paths) {
        auto project = std::make_shared<TCnvJob>(QFileInfo(path).completeBaseName());
        project->LoadFromFile(path);
        // A file of another kind leaves the project as it was made: nothing to convert with.
        QString problem = project->TargetExt.isEmpty() ? QStringLiteral("Not a project file") : QString();
        if (problem.isEmpty() && edit)
            problem = edit(*project);
        if (problem.isEmpty())
            problem = ProjectRunProblem(*project);
        if (problem.isEmpty())
            problem = CheckOutputOptions(project->TargetExt, project->Options);
        if (!problem.isEmpty())
            throw TError(path + QStringLiteral(": ") + problem);
        project->MultiPages = 0;
        projects.append(project);
    }
    return projects;
}
