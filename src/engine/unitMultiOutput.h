#pragma once

// Several outputs from one decoded source: each project of a run writes its own file
// from its own copy of the frames, so one decode serves them all.

#include "engine/unitConvertSteps.h"

#include <QList>
#include <QString>

#include <memory>

struct TOutputOrder
{
    std::shared_ptr<const TRunSettings> Settings;
    QString Output;
};

// "Name (TARGET)": how a row's message names the output that failed.
QString OutputLabel(const TCnvJob &project);

// Writes `decoded` once per order; the order that needs the most pixels goes last and
// takes the decoded frames themselves. A failed output does not stop the others; the
// result names every one that failed with its reason, empty when all were written.
QString ConvertSourceToEach(TMagickImage &decoded, const QString &sourcePath,
                            const QList<TOutputOrder> &orders);

// The short side a decode must keep for every order: 0 (full size) as soon as one of
// them needs the full size.
size_t ShortSideNeededByAll(const QList<TOutputOrder> &orders);
