#pragma once

#include <QStringList>

class QTextStream;

// `convert [PROJECT.prj] [OPTIONS] SOURCE...`: gathers the sources with the
// project's search mode and formats, converts them, prints a line per row and the
// report, and keeps the report as LastReport.txt. Returns the exit code: 0 every row
// converted, 1 a row failed or the run was stopped, 2 usage or project error.
// A line per option of `convert`, for the help.
void PrintConvertOptions(QTextStream &out);
int RunConvert(const QStringList &arguments, QTextStream &out, QTextStream &err);
