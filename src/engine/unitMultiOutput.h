#pragma once

// Several outputs from one decoded source: each project of a run writes its own file
// from its own copy of the frames, so one decode serves them all.

#include "engine/unitConvertSteps.h"

#include <QList>
#include <QString>

#include <memory>
#include <vector>

struct TOutputOrder
{
    std::shared_ptr<const TRunSettings> Settings;
    // The plain output path; the final name is settled when the row's turn comes.
    QString Output;
    // The name was settled when the row started, by the project's rule for existing files.
    bool Named = false;
};

// "Name (TARGET)": how a row's message names the output that failed.
QString OutputLabel(const TCnvJob &project);

// Stages `decoded` once per order into `staged` (index for index, null where it failed);
// the order that needs the most pixels goes last and takes the decoded frames themselves.
// A failed output does not stop the others; the result names every one that failed with
// its reason, empty when all were staged.
QString StageSourceToEach(TMagickImage &decoded, const QString &sourcePath,
                          const QList<TOutputOrder> &orders,
                          std::vector<std::unique_ptr<TStagedOutput>> &staged);
// How a row's message names a failure of one of its outputs.
QString OutputFailure(const QList<TOutputOrder> &orders, int index, const QString &text);

// The eighths a JPEG of w x h may be decoded at for every order: the full size (8) as
// soon as one of them needs it.
size_t DecodeEighthsForAll(size_t w, size_t h, const QList<TOutputOrder> &orders);
