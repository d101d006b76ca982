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

// Records what a run shows and lets a test act at its pump points.
class TRecordingDisplay final : public TRunDisplay
{
public:
    void SetGauge(int position) override { gauge.append(position); }
    void ScrollToTop() override { ++scrolledToTop; }
    void RowFinished(int row, const QString &output) override
    {
        finished.append(row);
        outputs.append(output);
    }
    void CollectionWritten(const QList<int> &rows, const QString &output) override
    {
        written.append(rows);
        writtenTo = output;
    }
    void Pump() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }

    QList<int> gauge;
    QList<int> finished;
    QStringList outputs;
    QList<int> written;
    QString writtenTo;
    int scrolledToTop = 0;
    int pumps = 0;
    std::function<void()> onPump;
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
    // The run on this thread, as its thread would hand it over.
    void runHere(const QString &multipagePath = QString());
    // The run through its thread and the event loop, as the program starts it; returns
    // whether the completion came.
    bool runThreaded(const QString &multipagePath = QString());
    QList<quint8> statuses() const;
    QStringList outputFiles() const;

    QTemporaryDir sandbox;
    TSourcesModel rows;
    TRecordingDisplay display;
    TThreadConvert *run = nullptr;
    QString escapedError;
};
