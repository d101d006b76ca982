#pragma once

#include "project/unitGeneral.h"

#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

class TCnvJob;

// What the report says about one run.
struct TConversionSummary
{
    qint32 TotalFiles = 0;
    qint32 Succeeded = 0;
    qint32 Failed = 0;
    qint32 Skipped = 0; // outputs that existed and were kept as they were
    // The label of the skipped count in the chosen language; empty: the built-in English.
    QString SkippedLabel;
    QString OutDirectory;
    double BeginTime = 0;
    double EndTime = 0;
    quint8 Status = 0; // 1 completed, 2 stopped by the user, 0 not set

    void Clear() { *this = TConversionSummary(); }
};

extern TConversionSummary ConversionSummary;

// A row of the sources view as the report reads it, in the order the view shows.
struct TReportRow
{
    QString FileName;
    quint8 Status = 0; // 0 not done, 1 failed, 2 converted, 3 skipped
    QString Message;
};

// Start of a run: a clean summary with the number of sources and the start time.
void BeginSummary(TConversionSummary &summary, int totalFiles);
// End of a run: end time, the counts over the rows, the output folder and the status.
// The end time is when the run ended, which the caller may have taken before it asked
// anything of the user.
void FinishSummary(TConversionSummary &summary, const QList<TReportRow> &rows, const TCnvJob &job,
                   bool userBreak, double endTime = NowDateTime());

// What the report says for the output folder when the new files lie beside their sources.
QString OwnFoldersText();

// The report's lines for the summary and the rows.
QStringList ComposeReport(const TConversionSummary &summary, const QList<TReportRow> &rows,
                          const QLocale &locale = QLocale::system(),
                          const QDate &today = QDate::currentDate());

// LastReport.txt in the default output folder.
QString LastReportPath();
// A chosen report name gets ".txt" unless it already ends with it in any letter case.
QString ReportFilePath(const QString &typed);
// Writes the lines with CR LF ends; an earlier file stays whole when this fails.
// Throws TError naming the file and the cause.
void WriteReportFile(const QString &path, const QStringList &lines);
// The lines of a report file; empty when it cannot be read.
QStringList ReadReportFile(const QString &path);
