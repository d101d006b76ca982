#pragma once

#include "engine/unitThreadConvert.h"
#include "project/unitFavor.h"
#include "project/unitJob.h"
#include "project/unitSourcesModel.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

// Records what a run shows and lets a test act when a row is handed to a job.
class TRecordingDisplay final : public TRunDisplay
{
public:
    void SetGauge(int position) override { gauge.append(position); }
    void ScrollToTop() override { ++scrolledToTop; }
    void RowFinished(int row, const QString &output) override
    {
        finished.append(row);
        outputs.append(output);
        if (onRowFinished)
            onRowFinished(row);
    }
    void CollectionWritten(const QList<int> &rows, const QString &output) override
    {
        written.append(rows);
        writtenTo = output;
    }
    void RowStarted(int row) override
    {
        started.append(row);
        if (onRowStarted)
            onRowStarted(row);
    }

    QList<int> gauge;
    QList<int> finished;
    QStringList outputs;
    QList<int> written;
    QString writtenTo;
    QList<int> started;
    int scrolledToTop = 0;
    std::function<void(int row)> onRowStarted;
    std::function<void(int row)> onRowFinished;
};

// A sandbox with a source folder, an output folder and a current project that writes
// PNG files into it unchanged in size.
class RunTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    TCnvJob &job() { return *CurrentJob(); }
    QString source(const QString &name) const;
    QString output(const QString &name) const;
    // An image file in the source folder, added to the sources list.
    void addImage(const QString &name, int width = 40, int height = 30,
                  const QString &pattern = QStringLiteral("gradient:red-blue"));
    // Any bytes as a source.
    void addFile(const QString &name, const QByteArray &bytes);
    void addEntry(const QString &name);
    // The rows built from the list as the add command builds them.
    void rebuild() { rows.Rebuild(FavorList()); }
    // The whole run, returning when it has ended; `filesAtOnce` files in work at a time.
    void runHere(const QString &multipagePath = QString(), int filesAtOnce = 1);
    // The run started as the program starts it, ended through the event loop; returns
    // whether the completion came.
    bool runThreaded(const QString &multipagePath = QString(), int filesAtOnce = 1);
    QList<quint8> statuses() const;
    QStringList outputFiles() const;

    QTemporaryDir sandbox;
    TSourcesModel rows;
    TRecordingDisplay display;
    TThreadConvert *run = nullptr;
    QString escapedError;
    // The run's other projects.
    QList<TRunSettings> alsoConvert;
};
