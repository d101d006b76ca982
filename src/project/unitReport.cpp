#include "project/unitReport.h"

#include "project/unitFavor.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

TConversionSummary ConversionSummary;

namespace {

const QString kRule = QStringLiteral("--------------------------------");

// The locale's long time without its time-zone part: the report shows a time of day.
QString timeOfDay(double dateTime, const QLocale &locale)
{
    const QDateTime moment = DateTimeToQt(dateTime);
    if (!moment.isValid())
        return QString();
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
    return locale.toString(moment.time(), format.trimmed());
}

} // namespace

void BeginSummary(TConversionSummary &summary, int totalFiles)
{
    summary.Clear();
    summary.TotalFiles = totalFiles;
    summary.BeginTime = NowDateTime();
}

void FinishSummary(TConversionSummary &summary, const QList<TReportRow> &rows, const TCnvJob &job,
                   bool userBreak, double endTime)
{
    summary.EndTime = endTime;
    for (const TReportRow &row : rows) {
        if (row.Status == 1)
            ++summary.Failed;
        else if (row.Status == 2)
            ++summary.Succeeded;
        else if (row.Status == kStatusSkipped)
            ++summary.Skipped;
    }
    summary.OutDirectory = job.UseDestDir
        ? job.DestDir.left(250)
        : OwnFoldersText();
    summary.Status = userBreak ? 2 : 1;
}

QString OwnFoldersText()
{
    return QStringLiteral("New files created in own folders (see pathes in \"Favorite\")");
}

QStringList ComposeReport(const TConversionSummary &summary, const QList<TReportRow> &rows,
                          const QLocale &locale, const QDate &today)
{
    QStringList lines;
    lines << QString()
          << QStringLiteral("Report by ") + locale.toString(today, QLocale::ShortFormat)
          << kRule
          << QStringLiteral("Begin time : ") + timeOfDay(summary.BeginTime, locale)
          << QStringLiteral("End time   : ") + timeOfDay(summary.EndTime, locale)
          << QString()
          << QStringLiteral("Out directory  :") + summary.OutDirectory
          << QString()
          << QStringLiteral("Summary info:")
          << kRule
          << QStringLiteral("Total files :") + QString::number(summary.TotalFiles)
          << QStringLiteral("Successful  :") + QString::number(summary.Succeeded)
          << QStringLiteral("Failed      :") + QString::number(summary.Failed);
    if (summary.Skipped != 0) {
        const QString label = summary.SkippedLabel.isEmpty()
            ? QStringLiteral("Skipped     :")
            : summary.SkippedLabel;
        lines << label + QString::number(summary.Skipped);
    }
    if (summary.Failed != 0) {
        lines << QString() << QStringLiteral("Errors") << kRule;
        for (const TReportRow &row : rows) {
            if (!row.Message.isEmpty())
                lines << row.FileName + QStringLiteral(" -> ") + row.Message;
        }
    }
    lines << QString() << QString();
    if (summary.Status == 1)
        lines << QStringLiteral("Status  : Ok");
    else if (summary.Status == 2)
        lines << QStringLiteral("Status  : User break");
    return lines;
}

QString LastReportPath() { return DefaultOutputFolder() + QStringLiteral("/LastReport.txt"); }

QString ReportFilePath(const QString &typed)
{
    if (typed.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        return typed;
    return typed + QLatin1String(".txt");
}

void WriteReportFile(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes.append(line.toUtf8()).append("\r\n");
    QString reason;
    const TSaveResult result = SaveFileWhole(path, bytes, &reason);
    if (result == TSaveResult::Saved)
        return;
    const QString file = QFileInfo(path).absoluteFilePath();
    if (result == TSaveResult::CannotCreate)
        throw TError(QStringLiteral("Cannot create file \"%1\". %2").arg(file, reason));
    throw TError(QStringLiteral("Cannot write the report \"%1\". %2").arg(file, reason));
}

QStringList ReadReportFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QStringList lines = DecodeText(bytes.constData(), bytes.size())
                            .split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
