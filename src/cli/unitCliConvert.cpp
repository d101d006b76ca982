#include "cli/unitCliConvert.h"

#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitThreadConvert.h"
#include "gather/unitThreadFilelist.h"
#include "project/unitFavor.h"
#include "project/unitGeneral.h"
#include "engine/unitNamePattern.h"
#include "i18n/unitDclLang.h"
#include "project/unitJob.h"
#include "project/unitJobOptions.h"
#include "project/unitOutputOptions.h"
#include "project/unitPrompt.h"
#include "project/unitReport.h"
#include "project/unitRunProgress.h"
#include "project/unitSourcesModel.h"
#include "project/unitStopSignals.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QSet>
#include <QSocketNotifier>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
#include <csignal>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kUsageError = 2;
constexpr int kBarWidth = 20;

struct TConvertArguments
{
    QStringList Projects;
    QString Multipage;
    bool UseMultipage = false;
    // Files converted at once; 0 keeps the default.
    int Jobs = 0;
    QStringList Sources;
    // Settings given on the command line, as (row of the option table, value).
    QList<QPair<int, QString>> Overrides;
};

QString setTarget(TCnvJob &job, const QString &value)
{
    job.TargetExt = value.trimmed().toUpper();
    return QString();
}

QString setDestination(TCnvJob &job, const QString &value)
{
    job.UseDestDir = 1;
    job.DestDir = QFileInfo(value).absoluteFilePath();
    // Asked for by name on the command line: made when missing, as a shell user expects.
    QDir().mkpath(job.DestDir);
    return QString();
}

QString setSize(TCnvJob &job, const QString &value)
{
    if (value == QLatin1String("original")) {
        job.SizeAsIs = 1;
        job.Options.remove(OptionKey::Size);
        return QString();
    }
    TSizeSpec optionSpec;
    QString problem;
    if (!ParseSizeSpec(value, optionSpec, &problem) || optionSpec.Mode == TSizeMode::Rules)
        return problem.isEmpty() ? QStringLiteral("--size needs a size") : problem;
    job.SizeAsIs = 0;
    job.Options.insert(OptionKey::Size, SizeSpecText(optionSpec));
    return QString();
}

QString setQuality(TCnvJob &job, const QString &value)
{
    bool ok = false;
    const int quality = value.toInt(&ok);
    if (!ok || quality < 1 || quality > 100)
        return QStringLiteral("--quality needs a number from 1 to 100");
    job.Quality = quint8(quality);
    return QString();
}

QString setNoEnlarge(TCnvJob &job, const QString &)
{
    job.Options.insert(OptionKey::NoEnlarge, QStringLiteral("true"));
    return QString();
}

// A number of the width and height rules, as the project stores it.
QString setEdge(QString &field, const QString &value, const char *option)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || number <= 0 || value.size() > 5)
        return QLatin1String(option) + QStringLiteral(" needs a number above 0 of up to 5 characters");
    field = value;
    return QString();
}

// One of the words, by position; `problem` when none matches.
QString setChoice(const QString &value, std::initializer_list<const char *> words, const QString &problem,
                  const std::function<void(int)> &set)
{
    int position = 0;
    for (const char *word : words) {
        if (value == QLatin1String(word)) {
            set(position);
            return QString();
        }
        ++position;
    }
    return problem;
}

QString setSourceFormats(TCnvJob &job, const QString &value)
{
    const QStringList codes = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (codes.isEmpty())
        return QStringLiteral("--from needs format codes, comma-separated");
    for (const QString &code : codes) {
        if (FindExt(code.trimmed(), job.SourceExts) < 0)
            return QStringLiteral("--from: not a readable format: ") + code;
    }
    for (TExtCell &cell : job.SourceExts)
        cell.Enabled = std::any_of(codes.cbegin(), codes.cend(), [&cell](const QString &code) {
            return code.trimmed().compare(cell.Ext, Qt::CaseInsensitive) == 0;
        });
    return QString();
}

QString setMultipage(TConvertArguments &parsed, const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("--multipage needs a file name");
    parsed.UseMultipage = true;
    parsed.Multipage = value;
    return QString();
}

QString setJobs(TConvertArguments &parsed, const QString &value)
{
    bool ok = false;
    const int jobs = value.toInt(&ok);
    if (!ok || jobs < 1 || jobs > kMaxFilesAtOnce)
        return QStringLiteral("--jobs needs a number from 1 to %1").arg(kMaxFilesAtOnce);
    parsed.Jobs = jobs;
    return QString();
}

// A setting the command line gives: its default removes the key, so that the project's
// own choice is overridden with it too.
QString setKey(TCnvJob &job, const QString &key, const QString &value, const QString &defaultValue = QString())
{
    if (value == defaultValue)
        job.Options.remove(key);
    else
        job.Options.insert(key, value);
    return QString();
}

QString builtInText(const char *key) { return QString::fromUtf8(BuiltInString(key)); }

// Every option of `convert`: one row each. A row either shapes the run (Run) or sets
// a setting of every project of the run (Project), applied in the order of this table,
// so that the target is known before the options of its format.
struct TCliOption
{
    const char *Name;
    const char *Value; // shown in the help; null for a switch
    const char *Help;
    QString (*Run)(TConvertArguments &parsed, const QString &value);
    QString (*Project)(TCnvJob &job, const QString &value);
};

const TCliOption kCliOptions[] = {
    {"--to", "FORMAT", "target format (a code of `pictavo-cli formats`)", nullptr, setTarget},
    {"--out", "DIR", "write into DIR instead of beside each source", nullptr, setDestination},
    {"--size", "SIZE", "long:N, short:N, fit:WxH, fill:WxH (cropped), percent:P or original",
     nullptr, setSize},
    {"--no-enlarge", nullptr, "images smaller than the size keep theirs", nullptr, setNoEnlarge},
    {"--quality", "N", "quality 1 to 100", nullptr, setQuality},
    {"--option", "KEY=VALUE", "an option of the target format (`pictavo-cli options FORMAT`)",
     nullptr, SetOptionFromText},
    {"--keep-folders", nullptr, "write files found in a folder into the same subfolders below the destination",
     nullptr, [](TCnvJob &job, const QString &) { return setKey(job, kKeepFoldersKey, QStringLiteral("1")); }},
    {"--name", "PATTERN", "name outputs by a pattern: {name} {base} {n} {n:3} {date} {time} {taken} {width} {height} {folder}",
     nullptr, [](TCnvJob &job, const QString &value) {
         const QString problem = DescribePatternProblem(CheckNamePattern(value), builtInText);
         return problem.isEmpty() ? setKey(job, kNameKey, value) : problem;
     }},
    {"--lower-ext", nullptr, "write the extension in lower case",
     nullptr, [](TCnvJob &job, const QString &) { return setKey(job, kLowerExtKey, QStringLiteral("1")); }},
    {"--existing", "number|skip|replace", "what happens to an output that exists already",
     nullptr, [](TCnvJob &job, const QString &value) {
         TExisting existing;
         if (!ParseExisting(value, existing))
             return QStringLiteral("--existing takes number, skip or replace");
         return setKey(job, kExistingKey, value, ExistingWord(TExisting::Number));
     }},
    {"--keep-dates", nullptr, "give each output its source's modification time",
     nullptr, [](TCnvJob &job, const QString &) { return setKey(job, kKeepDatesKey, QStringLiteral("1")); }},
    {"--metadata", "keep|private|none", "keep all metadata; drop private data; keep only the colour profile",
     nullptr, [](TCnvJob &job, const QString &value) {
         TMetadata metadata;
         if (!ParseMetadata(value, metadata))
             return QStringLiteral("--metadata takes keep, private or none");
         return setKey(job, kMetadataKey, value, MetadataWord(TMetadata::Keep));
     }},
    {"--width", "W", "width rule: the long side's number, in the measure's units (with --height)",
     nullptr, [](TCnvJob &job, const QString &value) {
         job.SizeAsIs = 0;
         job.Options.remove(OptionKey::Size);
         return setEdge(job.Width, value, "--width");
     }},
    {"--height", "H", "height rule: the short side's number, in the measure's units (with --width)",
     nullptr, [](TCnvJob &job, const QString &value) {
         job.SizeAsIs = 0;
         job.Options.remove(OptionKey::Size);
         return setEdge(job.Height, value, "--height");
     }},
    {"--measure", "px|cm|in", "unit of --width and --height (72 pixels an inch)",
     nullptr, [](TCnvJob &job, const QString &value) {
         return setChoice(value, {"px", "cm", "in"}, QStringLiteral("--measure takes px, cm or in"),
                          [&job](int position) { job.Measure = quint8(position); });
     }},
    {"--lock", "width|height|none", "keep the aspect ratio from the width or from the height",
     nullptr, [](TCnvJob &job, const QString &value) {
         return setChoice(value, {"none", "width", "height"}, QStringLiteral("--lock takes width, height or none"),
                          [&job](int position) {
                              job.LockWidth = position == 1;
                              job.LockHeight = position == 2;
                          });
     }},
    {"--orient", "as-is|portrait|landscape", "turn every picture to this orientation",
     nullptr, [](TCnvJob &job, const QString &value) {
         return setChoice(value, {"as-is", "portrait", "landscape"},
                          QStringLiteral("--orient takes as-is, portrait or landscape"), [&job](int position) {
                              job.OrientAsIs = position == 0;
                              if (position > 0)
                                  job.Orientation = position - 1;
                          });
     }},
    {"--rotate-ccw", nullptr, "turn counter-clockwise when --orient turns a picture",
     nullptr, [](TCnvJob &job, const QString &) {
         job.RotateCCW = 1;
         return QString();
     }},
    {"--counter", "N", "name outputs name_N, counting from N",
     nullptr, [](TCnvJob &job, const QString &value) {
         bool ok = false;
         const int start = value.toInt(&ok);
         if (!ok || start < 1)
             return QStringLiteral("--counter needs a whole number from 1");
         job.UseCounter = 1;
         job.CounterStart = start;
         return QString();
     }},
    {"--collision", "number|time", "an output name an existing file holds takes a number or the time",
     nullptr, [](TCnvJob &job, const QString &value) {
         return setChoice(value, {"number", "time"}, QStringLiteral("--collision takes number or time"),
                          [&job](int position) { job.RenameMode = quint8(position); });
     }},
    {"--from", "EXT,...", "search folders for these source formats only (codes of `pictavo-cli formats`)",
     nullptr, setSourceFormats},
    {"--no-subfolders", nullptr, "search the folders named, not their subfolders",
     nullptr, [](TCnvJob &job, const QString &) {
         job.SearchMode = 1;
         return QString();
     }},
    {"--scratch", "DIR", "the image library's temporary files in DIR",
     nullptr, [](TCnvJob &job, const QString &value) {
         if (!QFileInfo(value).isDir())
             return QStringLiteral("--scratch needs an existing folder");
         job.ScratchDrive = QFileInfo(value).absoluteFilePath();
         return QString();
     }},
    {"--multipage", "FILE", "every frame into FILE, its extension replaced by the target's",
     setMultipage, nullptr},
    {"--jobs", "N", "convert N files at once (1 to 16, default the number of cores)", setJobs, nullptr},
};

int findOption(const QString &name)
{
    for (int row = 0; row < int(std::size(kCliOptions)); ++row) {
        if (name == QLatin1String(kCliOptions[row].Name))
            return row;
    }
    return -1;
}

bool isProjectFile(const QString &argument)
{
    return argument.endsWith(QLatin1String(".prj"), Qt::CaseInsensitive);
}

// `convert [PROJECT.prj...] [OPTIONS] [--] SOURCE...`: project files come first; with
// several of them, "--" ends the projects.
bool parseArguments(const QStringList &arguments, TConvertArguments &parsed, QString &problem)
{
    bool optionsEnded = false;
    bool projectsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            projectsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.startsWith(QLatin1String("--"))) {
            const int row = findOption(argument);
            if (row < 0) {
                problem = QStringLiteral("Unknown option ") + argument;
                return false;
            }
            const TCliOption &option = kCliOptions[row];
            QString value;
            if (option.Value) {
                if (i + 1 >= arguments.size()) {
                    // A missing value reaches the option empty; it says what it needs.
                    TCnvJob scratch{QString()};
                    problem = option.Run ? option.Run(parsed, QString()) : option.Project(scratch, QString());
                    if (problem.isEmpty())
                        problem = argument + QStringLiteral(" needs ") + QLatin1String(option.Value);
                    return false;
                }
                value = arguments.at(++i);
            }
            if (option.Run) {
                problem = option.Run(parsed, value);
                if (!problem.isEmpty())
                    return false;
            } else {
                // A value an option refuses on its own is refused at once; `--option` waits
                // for the target it belongs to, `--from` for the library's formats.
                TCnvJob scratch{QString()};
                if (option.Project != SetOptionFromText && option.Project != setSourceFormats)
                    problem = option.Project(scratch, value);
                if (!problem.isEmpty())
                    return false;
                parsed.Overrides.append({row, value});
            }
            continue;
        }
        if (!projectsEnded && parsed.Sources.isEmpty() && isProjectFile(argument))
            parsed.Projects.append(argument);
        else
            parsed.Sources.append(argument);
    }
    std::stable_sort(parsed.Overrides.begin(), parsed.Overrides.end(),
                     [](const QPair<int, QString> &a, const QPair<int, QString> &b) { return a.first < b.first; });
    if (parsed.Sources.isEmpty()) {
        problem = QStringLiteral("convert needs a project file or --to FORMAT, and at least one source");
        return false;
    }
    const int target = findOption(QStringLiteral("--to"));
    if (parsed.Projects.isEmpty() && std::none_of(parsed.Overrides.cbegin(), parsed.Overrides.cend(),
                                                  [target](const QPair<int, QString> &o) { return o.first == target; })) {
        problem = QStringLiteral("convert needs a project file or --to FORMAT");
        return false;
    }
    return true;
}

// The command line's settings over a project, then the check of its options.
QString applyOverrides(TCnvJob &job, const TConvertArguments &parsed)
{
    for (const QPair<int, QString> &override : parsed.Overrides) {
        const QString problem = kCliOptions[override.first].Project(job, override.second);
        if (!problem.isEmpty())
            return problem;
    }
    return CheckOutputOptions(job.TargetExt, job.Options);
}

// Where the run put its new files: the multi-page file's folder, the destination folder,
// or beside the sources (the first converted one's folder, else the first source's).
QString outputFolderOf(const TCnvJob &job, const TSourcesModel &rows, const QString &multipageFile)
{
    if (!multipageFile.isEmpty())
        return QFileInfo(multipageFile).absolutePath();
    if (job.UseDestDir)
        return QFileInfo(job.DestDir).absoluteFilePath();
    int chosen = rows.Count() > 0 ? 0 : -1;
    for (int row = 0; row < rows.Count(); ++row) {
        if (rows.Row(row).Status == 2) {
            chosen = row;
            break;
        }
    }
    return chosen < 0 ? QString() : QDir::cleanPath(rows.Row(chosen).Folder);
}

// Columns of the terminal on standard error.
int terminalColumns()
{
    winsize size = {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// A line per finished row on standard output, and one progress line on standard error,
// rewritten in place, when that is a terminal.
class TCliDisplay final : public TRunDisplay
{
public:
    TCliDisplay(const TSourcesModel &rows, QTextStream &out, QTextStream &err, bool multipage)
        : m_rows(rows), m_out(out), m_err(err), m_multipage(multipage),
          m_bar(::isatty(STDERR_FILENO) == 1)
    {
        m_progress.Begin(rows.Count());
    }

    void SetGauge(int position) override
    {
        m_position = position;
        drawBar();
    }

    void RowStarted(int row) override
    {
        m_progress.Started(row, m_rows.Row(row).Name);
        drawBar();
    }

    void RowFinished(int row, const QString &output) override
    {
        m_progress.Finished(row, m_rows.Row(row).Status != 2);
        // A collected row is only converted once its frames are written.
        if (m_multipage && m_rows.Row(row).Status == 2)
            return;
        printRow(row, output);
    }

    void CollectionWritten(const QList<int> &rows, const QString &output) override
    {
        for (int row : rows)
            printRow(row, output);
    }

    // Rows that ended without a line: collected rows whose final write never came.
    void ReportTheRest()
    {
        for (int row = 0; row < m_rows.Count(); ++row) {
            if (m_rows.Row(row).Status == 1 && !m_printed.contains(row))
                printRow(row, QString());
        }
    }

    void Finish()
    {
        if (m_bar && m_drawn) {
            m_err << "\r\033[K";
            m_err.flush();
        }
    }

private:
    void printRow(int row, const QString &output)
    {
        const TFavorCell &cell = m_rows.Row(row);
        m_printed.insert(row);
        Finish();
        if (cell.Status == 2 && cell.Message.isEmpty())
            m_out << "converted " << EntryKey(cell) << " -> " << output << '\n';
        else if (cell.Status == kStatusSkipped)
            m_out << "skipped " << EntryKey(cell) << ": " << cell.Message << '\n';
        else if (cell.Status == 2)
            m_out << "converted " << EntryKey(cell) << " -> " << output << " (warning: "
                  << QString(cell.Message).replace(QLatin1String("\r\n"), QLatin1String(" ")) << ")\n";
        else
            m_out << "failed " << EntryKey(cell) << ": "
                  << QString(cell.Message).replace(QLatin1String("\r\n"), QLatin1String(" ")) << '\n';
        m_out.flush();
        drawBar();
    }

    void drawBar()
    {
        if (!m_bar)
            return;
        const int filled = m_position * kBarWidth / 100;
        QString line = QLatin1Char('[') + QString(filled, QLatin1Char('#'))
            + QString(kBarWidth - filled, QLatin1Char('.')) + QStringLiteral("] ")
            + QString::number(m_position) + QStringLiteral("% ") + m_progress.Line();
        // One line, or the next redraw would start below it.
        const int room = terminalColumns() - 1;
        if (line.size() > room)
            line = line.left(qMax(0, room - 3)) + QStringLiteral("...");
        m_err << "\r" << line << "\033[K";
        m_err.flush();
        m_drawn = true;
    }

    const TSourcesModel &m_rows;
    QTextStream &m_out;
    QTextStream &m_err;
    const bool m_multipage;
    const bool m_bar;
    bool m_drawn = false;
    int m_position = 0;
    QSet<int> m_printed;
    TRunProgress m_progress;
};

bool IsRegularFile(const QString &path)
{
    struct stat status = {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

int fail(QTextStream &err, const QString &text, int code)
{
    err << text << Qt::endl;
    return code;
}

// What the convert command checks before a run starts.
QString checkBeforeRun(const TCnvJob &job)
{
    if (FavorList().IsEmpty())
        return QStringLiteral("List of favorite is empty");
    const QString problem = ProjectRunProblem(job);
    if (!problem.isEmpty())
        return problem;
    return DescribePatternProblem(CheckNamePattern(TOutputRules::From(job.Options).NamePattern),
                                  builtInText);
}

} // namespace

QString ConvertOptionsHelp()
{
    QStringList heads;
    int width = 0;
    for (const TCliOption &option : kCliOptions) {
        QString head = QStringLiteral("  ") + QLatin1String(option.Name);
        if (option.Value)
            head += QLatin1Char(' ') + QLatin1String(option.Value);
        width = qMax(width, int(head.size()));
        heads.append(head);
    }
    QString help;
    for (int i = 0; i < heads.size(); ++i)
        help += heads.at(i).leftJustified(width + 2) + QLatin1String(kCliOptions[i].Help) + QLatin1Char('\n');
    return help;
}

int RunConvert(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    TConvertArguments parsed;
    QString problem;
    if (!parseArguments(arguments, parsed, problem))
        return fail(err, problem, kUsageError);
    if (!ImageLibraryLoaded)
        return fail(err, ImageLibraryMissingText(), 1);
    BuildAvailableFormats();
    // The program's default limits, as the window hands them over at start-up.
    ApplyResourceLimits();

    TConsolePrompt console;
    TPromptScope promptScope(&console);
    ListCnvJob().SetCurrent(ListCnvJob().Add(QStringLiteral("Untitled")));
    TCnvJob *job = CurrentJob();
    if (!parsed.Projects.isEmpty()) {
        try {
            job->LoadFromFile(parsed.Projects.first());
        } catch (const TError &error) {
            return fail(err, error.text(), kUsageError);
        }
    }
    const QString badSetting = applyOverrides(*job, parsed);
    if (!badSetting.isEmpty())
        return fail(err, badSetting, kUsageError);
    // The other projects of the command line and those the first names, with the same
    // overrides, each checked before anything runs.
    QList<std::shared_ptr<TCnvJob>> alsoConvert;
    try {
        const QStringList others = parsed.Projects.mid(1) + AlsoConvertProjects(job->Options);
        if (parsed.UseMultipage && !others.isEmpty())
            throw TError(QString::fromLatin1(kMultipageTakesOneProject));
        alsoConvert = LoadAlsoConvertProjects(others, [&parsed](TCnvJob &other) { return applyOverrides(other, parsed); });
    } catch (const TError &error) {
        return fail(err, error.text(), kUsageError);
    }
    job->MultiPages = parsed.UseMultipage ? 1 : 0;
    if (!job->ScratchDrive.isEmpty() && QFileInfo(job->ScratchDrive).isDir())
        qputenv("TMPDIR", QFile::encodeName(job->ScratchDrive));

    const QStringList masks = GatherMasks(true, job->SourceExts);
    PendingFavorList().clear();
    bool skipped = false;
    for (const QString &source : std::as_const(parsed.Sources)) {
        const QFileInfo info(source);
        if (!info.exists())
            return fail(err, QStringLiteral("No such file or folder: ") + source, kUsageError);
        // A pipe would stall the run and a device would never end; the others still count.
        if (!info.isDir() && !IsRegularFile(source)) {
            err << "Skipped, not a regular file: " << source << Qt::endl;
            skipped = true;
            continue;
        }
        // No format ticked: nothing is wanted from folders, though an empty mask list would
        // let the walk take every file; files named one by one still count.
        if (masks.isEmpty() && info.isDir())
            continue;
        PendingFavorList().append(PendingEntryFor(QDir::cleanPath(info.absoluteFilePath())));
    }
    const TGatherResult gathered = GatherWithThread(masks, job->SearchMode == 1);
    PendingFavorList().clear();
    if (!gathered.Error.isEmpty())
        err << gathered.Error << Qt::endl;
    if (!gathered.Unlisted.isEmpty()) {
        err << UnlistedFoldersText(gathered, QString::fromUtf8(BuiltInString("MSG_FOLDER_NOT_LISTED")))
            << Qt::endl;
        skipped = true;
    }

    const QString refused = checkBeforeRun(*job);
    if (!refused.isEmpty())
        return fail(err, refused, kUsageError);

    TSourcesModel rows;
    rows.Rebuild(FavorList());
    TCliDisplay display(rows, out, err, parsed.UseMultipage);

    bool userBreak = false;
    QString escaped;
    {
        TRunSettings settings = RunSettingsFor(*job);
        if (parsed.Jobs > 0)
            settings.FilesAtOnce = parsed.Jobs;
        if (parsed.UseMultipage)
            settings.MultipagePath = MultipageOutputPath(parsed.Multipage, job->TargetExt);
        TThreadConvert run(rows, display, settings);
        QList<TRunSettings> others;
        for (const std::shared_ptr<TCnvJob> &other : std::as_const(alsoConvert))
            others.append(RunSettingsFor(*other));
        run.SetAlsoConvert(others);
        TStopSignals interrupt;
        if (QSocketNotifier *notifier = interrupt.Notifier()) {
            QObject::connect(notifier, &QSocketNotifier::activated, &run, [&run, &err] {
                TStopSignals::Drain();
                if (!run.UserBreak())
                    err << "\nStopping after the files in work..." << Qt::endl;
                run.Stop();
            });
        }
        run.Execute();
        escaped = run.EscapedError();
        userBreak = run.UserBreak();
        ConversionSummary = run.Summary();
    }
    display.ReportTheRest();
    display.Finish();

    const QList<TReportRow> reportRows = rows.ReportRows();
    const QStringList report = ComposeReport(ConversionSummary, reportRows);
    out << '\n';
    for (const QString &line : report)
        out << line << '\n';
    out.flush();

    int code = 0;
    if (!escaped.isEmpty()) {
        err << escaped << Qt::endl;
        code = 1;
    }
    try {
        QDir().mkpath(DefaultOutputFolder());
        WriteReportFile(LastReportPath(), report);
    } catch (const TError &error) {
        err << error.text() << Qt::endl;
        code = 1;
    }
    // Outputs kept by the project's choice are no failure.
    if (userBreak || skipped || ConversionSummary.Succeeded + ConversionSummary.Skipped != rows.Count())
        code = 1;
    // Last, as a file URL, so that a terminal can open the folder with a click.
    const QString folder = outputFolderOf(*job, rows, parsed.UseMultipage
                                              ? MultipageOutputPath(parsed.Multipage, job->TargetExt)
                                              : QString());
    if (!folder.isEmpty()) {
        out << "Output folder: " << QUrl::fromLocalFile(folder).toString() << '\n';
        out.flush();
    }
    return code;
}
