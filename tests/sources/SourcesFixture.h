#pragma once

#include "project/unitFavor.h"
#include "project/unitSourcesModel.h"

#include "support/TestImages.h"

#include <QStringList>

#include <initializer_list>

#include <gtest/gtest.h>

inline TFavorCell MakeCell(const QString &name, qint64 size = 0, const QString &type = QString(),
                           double modified = 0, const QString &folder = QStringLiteral("/photos/"))
{
    TFavorCell cell;
    cell.Name = name;
    cell.Size = size;
    cell.FileType = type;
    cell.Modified = modified;
    cell.Folder = folder;
    return cell;
}

inline QStringList Names(std::initializer_list<const char *> texts)
{
    QStringList names;
    for (const char *text : texts)
        names.append(QString::fromUtf8(text));
    return names;
}

inline QStringList RowNames(const TSourcesModel &model)
{
    QStringList names;
    for (int row = 0; row < model.Count(); ++row)
        names.append(model.Row(row).Name);
    return names;
}

// The process-wide lists start and end empty around every test.
class SourcesTest : public ::testing::Test
{
protected:
    void SetUp() override { clearLists(); }
    void TearDown() override
    {
        clearLists();
        TSourcesModel::SetStatusBackground(nullptr);
    }

    static void clearLists()
    {
        FavorList().Clear();
        PendingFavorList().clear();
    }

    // Puts the cells into the sources list and shows them.
    void show(const QList<TFavorCell> &cells)
    {
        for (const TFavorCell &cell : cells)
            ASSERT_TRUE(FavorList().Append(cell)) << cell.Name.toStdString();
        model.Rebuild(FavorList());
    }

    TSourcesModel model;
};
