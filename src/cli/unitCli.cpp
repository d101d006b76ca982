#include "cli/unitCli.h"

#include "cli/unitCliConvert.h"

#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitOutputOptions.h"
#include "i18n/unitDclLang.h"
#include "project/unitJobOptions.h"

#include <QTextStream>

#include <algorithm>

namespace {

const char kUsage[] =
    "usage: pictavo-cli formats\n"
    "       pictavo-cli options FORMAT\n"
    "       pictavo-cli show FILE.prj\n"
    "       pictavo-cli convert [PROJECT.prj] [OPTIONS] SOURCE...\n"
    "       pictavo-cli --help\n";

const char kHelp[] =
    "Pictavo command-line companion.\n"
    "\n"
    "  formats          list the image formats the installed library offers:\n"
    "                   code, mode (R, W or RW) and description, tab-separated\n"
    "  options FORMAT   list the options of a target format: key, allowed values,\n"
    "                   default and label, tab-separated\n"
    "  show FILE.prj    print every field a project file stores\n"
    "  convert [PROJECT.prj] [OPTIONS] SOURCE...\n"
    "                   convert the files and folders named (folders searched\n"
    "                   as the project says) with the project's settings, or\n"
    "                   without a project with a new project's, the options\n"
    "                   below overriding them; prints a line per file in the\n"
    "                   order of the files, then the report, and keeps it as\n"
    "                   LastReport.txt in ../out (~/Pictures/Pictavo when ../out\n"
    "                   cannot be written); the last line names the output\n"
    "                   folder as a file URL; Ctrl+C, SIGTERM or SIGHUP stops\n"
    "                   after the files in work; sources that are no regular\n"
    "                   file are skipped\n"
    "  --help           this text\n"
    "\n"
    "Options of convert:\n";

const char kHelpEnd[] =
    "\n"
    "Exit codes: 0 success, 1 failure (for convert: a file failed or was skipped,\n"
    "or the run was stopped), 2 usage or project error.\n"
    "PICTAVO_MAGICK_DIR names a folder to load the image library from.\n";

int listOptions(const QString &format, QTextStream &out, QTextStream &err)
{
    if (ImageLibraryLoaded)
        BuildAvailableFormats();
    const bool known = std::any_of(AvailableFormats.cbegin(), AvailableFormats.cend(),
                                   [&](const TFilterItemType &row) {
                                       return row.Code.compare(format, Qt::CaseInsensitive) == 0
                                           && row.Mode.contains(QLatin1Char('W'));
                                   });
    if (!known) {
        err << "Not a format the library writes: " << format << Qt::endl;
        return 2;
    }
    for (const TOptionSpec &optionSpec : OptionsForTarget(format))
        out << optionSpec.Key << '\t' << optionSpec.AllowedText() << '\t' << optionSpec.Default << '\t'
            << QString::fromUtf8(BuiltInString(optionSpec.LabelKey)) << '\n';
    out.flush();
    return 0;
}

QString dateTimeText(double value)
{
    if (value == 0)
        return QStringLiteral("0");
    const QDateTime moment = DateTimeToQt(value);
    const QString shown = moment.isValid()
        ? moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        : QStringLiteral("invalid");
    return QString::number(value, 'g', 17) + QStringLiteral(" (") + shown + QLatin1Char(')');
}

int listFormats(QTextStream &out, QTextStream &err)
{
    if (!ImageLibraryLoaded) {
        err << ImageLibraryMissingText() << Qt::endl;
        return 1;
    }
    BuildAvailableFormats();
    for (const TFilterItemType &format : std::as_const(AvailableFormats))
        out << format.Code << '\t' << format.Mode << '\t' << format.Description << '\n';
    out.flush();
    return 0;
}

void printJob(const TCnvJob &job, QTextStream &out)
{
    auto line = [&out](const char *field, const QString &value) {
        out << field << ": " << value << '\n';
    };
    auto number = [&line](const char *field, qint64 value) { line(field, QString::number(value)); };

    line("Name", job.Name);
    line("Author", job.Author);
    line("Created", dateTimeText(job.Created));
    line("Modified", dateTimeText(job.Modified));
    line("Opened", dateTimeText(job.Opened));
    for (const QString &comment : job.Comment)
        line("Comment", comment);
    QStringList cells;
    for (const TExtCell &cell : job.SourceExts)
        cells.append(cell.Ext + QLatin1Char('=') + QString::number(cell.Enabled));
    line("SourceExts", cells.join(QLatin1Char(' ')));
    line("TargetExt", job.TargetExt);
    number("SearchMode", job.SearchMode);
    number("UseDestDir", job.UseDestDir);
    line("DestDir", job.DestDir);
    number("RenameMode", job.RenameMode);
    number("SizeAsIs", job.SizeAsIs);
    number("Measure", job.Measure);
    number("PresetIndex", job.PresetIndex);
    line("Width", job.Width);
    line("Height", job.Height);
    number("LockHeight", job.LockHeight);
    number("LockWidth", job.LockWidth);
    number("OrientAsIs", job.OrientAsIs);
    number("Orientation", job.Orientation);
    number("RotateCCW", job.RotateCCW);
    number("UseCounter", job.UseCounter);
    number("CounterStart", job.CounterStart);
    number("Quality", job.Quality);
    line("ScratchDrive", job.ScratchDrive);
    // The program's own settings: those of the output with their defaults, then any
    // other key the file holds, as it holds it.
    const TOutputRules rules = TOutputRules::From(job.Options);
    line("keep-folders", QString::number(rules.KeepFolders));
    line("name", rules.NamePattern);
    line("lower-ext", QString::number(rules.LowerExt));
    line("existing", ExistingWord(rules.Existing));
    line("keep-dates", QString::number(rules.KeepDates));
    line("metadata", MetadataWord(rules.Metadata));
    for (auto it = job.Options.cbegin(); it != job.Options.cend(); ++it) {
        if (!TOutputRules::Keys().contains(it.key()))
            line(it.key().toUtf8().constData(), it.value());
    }
    out.flush();
}

int showProject(const QString &path, QTextStream &out, QTextStream &err)
{
    if (ImageLibraryLoaded)
        BuildAvailableFormats();
    TCnvJob job(QStringLiteral("Untitled"));
    try {
        job.LoadFromFile(path);
    } catch (const TError &error) {
        err << error.text() << Qt::endl;
        return 1;
    }
    printJob(job, out);
    return 0;
}

} // namespace

int RunCli(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const QString command = arguments.value(0);
    if (arguments.size() == 1 && (command == QLatin1String("--help") || command == QLatin1String("-h"))) {
        out << kHelp;
        out << ConvertOptionsHelp();
        out << kHelpEnd;
        out.flush();
        return 0;
    }
    if (arguments.size() == 1 && command == QLatin1String("formats"))
        return listFormats(out, err);
    if (arguments.size() == 2 && command == QLatin1String("options"))
        return listOptions(arguments.at(1), out, err);
    if (command == QLatin1String("convert"))
        return RunConvert(arguments.mid(1), out, err);
    if (arguments.size() == 2 && command == QLatin1String("show"))
        return showProject(arguments.at(1), out, err);
    err << kUsage;
    err.flush();
    return 2;
}
