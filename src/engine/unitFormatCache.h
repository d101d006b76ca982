#pragma once

// Working out the formats offered loads every coder module of the library (some load
// whole codec libraries), which costs each start more than everything else. The list
// depends only on the library, the set of its coder modules and the policy in force, so
// it is kept in the user's cache folder under a key made of those.

#include "project/unitFormatList.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// The library's version and file, its coder modules and the policy in force; empty
// while the library is not loaded. Asking loads no module.
QByteArray FormatListKey();

// "Formats.cache" in the user's cache folder ($XDG_CACHE_HOME/pictavo).
QString FormatCacheFile();

// The list kept under `key` in `file`; false when the file is missing, damaged or kept
// under another key.
bool ReadFormatCache(const QString &file, const QByteArray &key, QList<TFilterItemType> &formats);
void WriteFormatCache(const QString &file, const QByteArray &key,
                      const QList<TFilterItemType> &formats);

// The cached list when its key still holds, else `build`'s, which is kept for next time.
// `fromCache` tells which.
QList<TFilterItemType> FormatsThroughCache(const std::function<QList<TFilterItemType>()> &build,
                                           bool *fromCache = nullptr);
