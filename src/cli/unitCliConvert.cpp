#include "cli/unitCliConvert.h"

#include "engine/unitFormats.h"
#include "engine/unitNamePattern.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitThreadConvert.h"
#include "gather/unitThreadFilelist.h"
#include "i18n/unitDclLang.h"
#include "project/unitFavor.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitJobOptions.h"
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
    QString Project;
    QString Multipage;
    bool UseMultipage = false;
    // Files converted at once; 0 keeps the default.
    int Jobs = 0;
    QStringList Sources;
    // Project settings the command line overrides, as the project keeps them.
    TJobOptions Overrides;
};

QString builtInText(const char *key) { return QString::fromUtf8(BuiltInString(key)); }

// One row per option: the parser and the help text read this table. An option with a
// value names it in ValueName; Apply stores it or says what is wrong.
struct TCliOption
{
    const char *Name;
    const char *ValueName; // nullptr: a switch
    const char *Help;
    std::function<QString(TConvertArguments &parsed, const QString &value)> Apply;
};

QString setOverride(TConvertArguments &parsed, const QString &key, const QString &value,
                    const QString &defaultValue)
{
    // A default removes the key, so the project's own choice is overridden with it too.
    parsed.Overrides.insert(key, value == defaultValue ? QString() : value);
    return QString();
}

const QList<TCliOption> &cliOptions()
{
    static const QList<TCliOption> options = {
        {"--multipage", "FILE", "every frame into FILE, its extension replaced by the target's code",
         [](TConvertArguments &parsed, const QString &value) {
             if (value.isEmpty())
                 return QStringLiteral("--multipage needs a file name");
             parsed.UseMultipage = true;
             parsed.Multipage = value;
             return QString();
         }},
        {"--jobs", "N", "convert N files at once (1 to 16, default the number of cores)",
         [](TConvertArguments &parsed, const QString &value) {
             bool ok = false;
             const int jobs = value.toInt(&ok);
             if (!ok || jobs < 1 || jobs > kMaxFilesAtOnce)
                 return QStringLiteral("--jobs needs a number from 1 to %1").arg(kMaxFilesAtOnce);
             parsed.Jobs = jobs;
             return QString();
         }},
        {"--keep-folders", nullptr, "write files found in a folder into the same subfolders below the destination",
         [](TConvertArguments &parsed, const QString &) {
             return setOverride(parsed, kKeepFoldersKey, QStringLiteral("1"), QString());
         }},
        {"--name", "PATTERN", "name outputs by a pattern: {name} {base} {n} {n:3} {date} {time} {taken} {width} {height} {folder}",
         [](TConvertArguments &parsed, const QString &value) {
             const QString problem = DescribePatternProblem(CheckNamePattern(value), builtInText);
             return problem.isEmpty() ? setOverride(parsed, kNameKey, value, QString()) : problem;
         }},
        {"--lower-ext", nullptr, "write the extension in lower case",
         [](TConvertArguments &parsed, const QString &) {
             return setOverride(parsed, kLowerExtKey, QStringLiteral("1"), QString());
         }},
        {"--existing", "number|skip|replace", "what happens to an output that exists already",
         [](TConvertArguments &parsed, const QString &value) {
             TExisting existing;
             if (!ParseExisting(value, existing))
                 return QStringLiteral("--existing takes number, skip or replace");
             return setOverride(parsed, kExistingKey, value, ExistingWord(TExisting::Number));
         }},
        {"--keep-dates", nullptr, "give each output its source's modification time",
         [](TConvertArguments &parsed, const QString &) {
             return setOverride(parsed, kKeepDatesKey, QStringLiteral("1"), QString());
         }},
        {"--metadata", "keep|private|none", "keep all metadata; drop private data; keep only the colour profile",
         [](TConvertArguments &parsed, const QString &value) {
             TMetadata metadata;
             if (!ParseMetadata(value, metadata))
                 return QStringLiteral("--metadata takes keep, private or none");
             return setOverride(parsed, kMetadataKey, value, MetadataWord(TMetadata::Keep));
         }},
    };
    return options;
}

bool parseArguments(const QStringList &arguments, TConvertArguments &parsed, QString &problem)
{
    bool optionsEnded = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !argument.startsWith(QLatin1String("--"))) {
            if (parsed.Project.isEmpty())
                parsed.Project = argument;
            else
                parsed.Sources.append(argument);
            continue;
        }
        const auto &options = cliOptions();
        const auto option = std::find_if(options.cbegin(), options.cend(), [&](const TCliOption &row) {
            return argument == QLatin1String(row.Name);
        });
        if (option == options.cend()) {
            problem = QStringLiteral("Unknown option ") + argument;
            return false;
        }
        // A missing value reaches the option empty; it says what it needs.
        QString value;
        if (option->ValueName && i + 1 < arguments.size())
            value = arguments.at(++i);
        problem = option->Apply(parsed, value);
        if (!problem.isEmpty())
            return false;
    }
    if (parsed.Project.isEmpty() || parsed.Sources.isEmpty()) {
        problem = QStringLiteral("convert needs a project file and at least one source");
        return false;
    }
    return true;
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
    if (!HasWritableTarget(job))
        return QStringLiteral("Incorrect new extension");
    if (job.UseDestDir && !QFileInfo(job.DestDir).isDir())
        return QStringLiteral("Destination directory not exist");
    return DescribePatternProblem(CheckNamePattern(TOutputRules::From(job.Options).NamePattern),
                                  builtInText);
}

} // namespace

QString ConvertOptionsHelp()
{
    QStringList heads;
    int width = 0;
    for (const TCliOption &option : cliOptions()) {
        QString head = QStringLiteral("  ") + QLatin1String(option.Name);
        if (option.ValueName)
            head += QLatin1Char(' ') + QLatin1String(option.ValueName);
        width = qMax(width, int(head.size()));
        heads.append(head);
    }
    QString help;
    for (int i = 0; i < heads.size(); ++i)
        help += heads.at(i).leftJustified(width + 2) + QLatin1String(cliOptions().at(i).Help) + QLatin1Char('\n');
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
    try {
        job->LoadFromFile(parsed.Project);
    } catch (const TError &error) {
        return fail(err, error.text(), kUsageError);
    }
    job->MultiPages = parsed.UseMultipage ? 1 : 0;
    for (auto it = parsed.Overrides.cbegin(); it != parsed.Overrides.cend(); ++it)
        SetOption(job->Options, it.key(), it.value());
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
