#include "project/unitFormatList.h"

QList<TFilterItemType> AvailableFormats;
QStringList KnownFormatCodes;

bool IsKnownFormatCode(const QString &code)
{
    return !code.isEmpty() && KnownFormatCodes.contains(code, Qt::CaseInsensitive);
}
