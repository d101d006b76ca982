#include "SourcesFixture.h"

#include "project/unitGeneral.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QDateTime>
#include <QItemSelectionModel>
#include <QLocale>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QSize>

#include <algorithm>

namespace {

double at(int year, int month, int day, int hour, int minute)
{
    return DateTimeFromQt(QDateTime(QDate(year, month, day), QTime(hour, minute)));
}

QString text(const TSourcesModel &model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

int sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

} // namespace

using SourcesModel = SourcesTest;

TEST_F(SourcesModel, StaysConsistentThroughRebuildSortRemoveAndReset)
{
    // Fatal: any broken promise of the model ends the test process.
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    TSourcesModel::SetStatusBackground([](quint8 status) -> QVariant {
        return status == 1 ? QColor(Qt::red) : QColor(Qt::white);
    });

    show({MakeCell(QStringLiteral("c.jpg"), 30, QStringLiteral("JPEG image"), at(2024, 5, 1, 9, 0)),
          MakeCell(QStringLiteral("a.png"), 10, QStringLiteral("PNG image"), at(2024, 5, 3, 9, 0)),
          MakeCell(QStringLiteral("b.tif"), 20, QStringLiteral("TIFF image"), at(2024, 5, 2, 9, 0)),
          MakeCell(QStringLiteral("d.gif"), 20, QStringLiteral("GIF image"), 0)});
    const QPersistentModelIndex tracked = model.index(0, 2); // c.jpg, Type

    for (int column = 0; column < TSourcesModel::ColumnCount; ++column) {
        model.ApplySort(column, Qt::AscendingOrder);
        model.ApplySort(column, Qt::DescendingOrder);
    }
    model.sort(TSourcesModel::ColumnName, Qt::AscendingOrder);
    EXPECT_EQ(RowNames(model), Names({"a.png", "b.tif", "c.jpg", "d.gif"}));
    ASSERT_TRUE(tracked.isValid());
    EXPECT_EQ(tracked.row(), 2);
    EXPECT_EQ(tracked.column(), 2);

    model.SetRowResult(1, 1, QStringLiteral("Can not decode"));
    model.RemoveRows({3, 0});
    EXPECT_EQ(RowNames(model), Names({"b.tif", "c.jpg"}));
    EXPECT_EQ(tracked.row(), 1);
    model.ResetStatuses();
    model.RemoveAllRows();
    EXPECT_FALSE(tracked.isValid());
    EXPECT_EQ(model.rowCount(), 0);
    model.Rebuild(FavorList());
    EXPECT_EQ(model.rowCount(), 4);
}

TEST_F(SourcesModel, HeaderHasFixedEnglishTextsWidthsAndHeight)
{
    const QStringList texts = Names({"Name", "Size", "Type", "Modified", "Path"});
    const int widths[] = {150, 100, 150, 100, 350};
    ASSERT_EQ(model.columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), texts[column]);
        EXPECT_EQ(TSourcesModel::HeaderText(column), texts[column]);
        EXPECT_EQ(TSourcesModel::ColumnWidth(column), widths[column]);
        EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::SizeHintRole).toSize(),
                  QSize(widths[column], 18));
    }
}

TEST_F(SourcesModel, CellsShowTheEntryAsStored)
{
    const double morning = at(2024, 2, 29, 8, 30);
    show({MakeCell(QStringLiteral("sunset.JPEG"), 1234567890123, QStringLiteral("JPEG image"), morning,
                   QStringLiteral("/photos/Urlaub 2024/")),
          MakeCell(QStringLiteral("undated.png"), 0, QString(), 0)});

    EXPECT_EQ(text(model, 0, 0), QStringLiteral("sunset.JPEG"));
    EXPECT_EQ(text(model, 0, 1), QStringLiteral("1234567890123"));
    EXPECT_EQ(text(model, 0, 2), QStringLiteral("JPEG image"));
    EXPECT_EQ(text(model, 0, 3),
              QLocale::system().toString(QDate(2024, 2, 29), QLocale::ShortFormat));
    EXPECT_FALSE(text(model, 0, 3).isEmpty());
    EXPECT_EQ(text(model, 0, 4), QStringLiteral("/photos/Urlaub 2024/"));
    EXPECT_EQ(text(model, 1, 1), QStringLiteral("0"));
    // No moment recorded: no date made up from the epoch.
    EXPECT_EQ(text(model, 1, 3), QString());

    const int right = int(Qt::AlignRight | Qt::AlignVCenter);
    for (int column = 0; column < 5; ++column) {
        const int alignment = model.data(model.index(0, column), Qt::TextAlignmentRole).toInt();
        if (column == TSourcesModel::ColumnSize)
            EXPECT_EQ(alignment, right);
        else
            EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, int(Qt::AlignLeft)) << column;
    }
}

TEST_F(SourcesModel, BackgroundComesFromTheProviderByStatus)
{
    show({MakeCell(QStringLiteral("a.jpg")), MakeCell(QStringLiteral("b.jpg")),
          MakeCell(QStringLiteral("c.jpg"))});
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::BackgroundRole).isValid());

    const QColor tooltipBase(255, 255, 225);
    TSourcesModel::SetStatusBackground([&](quint8 status) -> QVariant {
        switch (status) {
        case 1:
            return QColor(255, 0, 0);
        case 2:
            return QColor(192, 220, 192);
        default:
            return tooltipBase;
        }
    });
    model.SetRowResult(1, 1, QStringLiteral("Can not decode"));
    model.SetRowResult(2, 2, QString());
    const QColor expected[] = {tooltipBase, QColor(255, 0, 0), QColor(192, 220, 192)};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 5; ++column) {
            const QVariant background = model.data(model.index(row, column), Qt::BackgroundRole);
            EXPECT_EQ(background.value<QColor>(), expected[row]) << row << "," << column;
        }
    }
}

TEST_F(SourcesModel, RowResultsAreSignalledReportedAndReset)
{
    show({MakeCell(QStringLiteral("a.jpg")), MakeCell(QStringLiteral("b.jpg"))});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    model.SetRowResult(1, 1, QStringLiteral("Can not decode"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(1, 0));
    EXPECT_EQ(changed[0][1].toModelIndex(), model.index(1, 4));
    model.SetRowResult(0, 2, QString());
    model.SetRowResult(5, 2, QString()); // past the end: ignored
    EXPECT_EQ(changed.count(), 2);

    const QList<TReportRow> report = model.ReportRows();
    ASSERT_EQ(report.size(), 2);
    EXPECT_EQ(report[0].FileName, QStringLiteral("a.jpg"));
    EXPECT_EQ(report[0].Status, 2);
    EXPECT_EQ(report[1].Status, 1);
    EXPECT_EQ(report[1].Message, QStringLiteral("Can not decode"));
    // The run writes into the rows only.
    EXPECT_EQ(FavorList().At(1).Status, 0);
    EXPECT_TRUE(FavorList().At(1).Message.isEmpty());

    model.ResetStatuses();
    EXPECT_EQ(model.Row(0).Status, 0);
    EXPECT_EQ(model.Row(1).Status, 0);
    EXPECT_TRUE(model.Row(1).Message.isEmpty());

    model.SetRowResult(0, 1, QStringLiteral("x"));
    model.Rebuild(FavorList());
    EXPECT_EQ(model.Row(0).Status, 0);
    EXPECT_TRUE(model.Row(0).Message.isEmpty());
}

TEST_F(SourcesModel, RemovesTheGivenRowsInAnyOrder)
{
    show({MakeCell(QStringLiteral("0")), MakeCell(QStringLiteral("1")), MakeCell(QStringLiteral("2")),
          MakeCell(QStringLiteral("3")), MakeCell(QStringLiteral("4")), MakeCell(QStringLiteral("5"))});
    model.RemoveRows({4, 1, 2, 4, -1, 17});
    EXPECT_EQ(RowNames(model), Names({"0", "3", "5"}));
    // The list is the commands' business, not the model's.
    EXPECT_EQ(FavorList().Count(), 6);
}

TEST(SourcesOrdinal, ComparesUtf8BytesAsUnsigned)
{
    auto compare = [](const char *a, const char *b, int column) {
        return sign(TSourcesModel::CompareRows(
            MakeCell(QString::fromUtf8(a), 0, QString::fromUtf8(a), 0, QString::fromUtf8(a)),
            MakeCell(QString::fromUtf8(b), 0, QString::fromUtf8(b), 0, QString::fromUtf8(b)), column));
    };
    for (int column : {0, 2, 4}) {
        EXPECT_EQ(compare("B", "a", column), -1) << column;      // case-sensitive
        EXPECT_EQ(compare("Z", "\xc3\xa9", column), -1) << column; // é: lead byte 0xC3
        EXPECT_EQ(compare("ab", "abc", column), -1) << column;    // a prefix first
        EXPECT_EQ(compare("abc", "ab", column), 1) << column;
        EXPECT_EQ(compare("same", "same", column), 0) << column;
        // U+FF21 (EF BC A1) before U+1F600 (F0 9F 98 80), unlike their UTF-16 units.
        EXPECT_EQ(compare("\xef\xbc\xa1", "\xf0\x9f\x98\x80", column), -1) << column;
    }
}

TEST(SourcesOrdinal, EachColumnComparesItsOwnField)
{
    const TFavorCell a = MakeCell(QStringLiteral("a"), 10, QStringLiteral("z"), 2.0, QStringLiteral("/m/"));
    const TFavorCell b = MakeCell(QStringLiteral("b"), 9, QStringLiteral("y"), 1.0, QStringLiteral("/n/"));
    EXPECT_EQ(sign(TSourcesModel::CompareRows(a, b, 0)), -1);
    EXPECT_EQ(sign(TSourcesModel::CompareRows(a, b, 1)), 1); // 9 < 10 as numbers
    EXPECT_EQ(sign(TSourcesModel::CompareRows(a, b, 2)), 1);
    EXPECT_EQ(sign(TSourcesModel::CompareRows(a, b, 3)), 1);
    EXPECT_EQ(sign(TSourcesModel::CompareRows(a, b, 4)), -1);
    EXPECT_EQ(TSourcesModel::CompareRows(a, b, TSourcesModel::NoSortColumn), 0);
    EXPECT_EQ(TSourcesModel::CompareRows(a, b, 5), 0);
}

TEST_F(SourcesModel, SortsTextColumnsByTheirBytes)
{
    const QStringList texts = Names({"\xc3\xa9", "a", "abc", "Z", "B", "ab"});
    const QStringList ascending = Names({"B", "Z", "a", "ab", "abc", "\xc3\xa9"});
    QList<TFavorCell> cells;
    for (const QString &t : texts)
        cells.append(MakeCell(t, 0, t, 0, QStringLiteral("/") + t + QStringLiteral("/")));
    show(cells);
    for (int column : {0, 2, 4}) {
        model.Rebuild(FavorList());
        model.ApplySort(column, Qt::AscendingOrder);
        EXPECT_EQ(RowNames(model), ascending) << column;
        model.ApplySort(column, Qt::DescendingOrder);
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());
        EXPECT_EQ(RowNames(model), descending) << column;
    }
}

TEST_F(SourcesModel, SortsSizesAsNumbersAndTimesByTheFullStamp)
{
    const double nine = at(2024, 6, 1, 9, 0);
    const double noon = at(2024, 6, 1, 12, 0);
    show({MakeCell(QStringLiteral("ten"), 10, QString(), noon),
          MakeCell(QStringLiteral("nine"), 9, QString(), nine),
          MakeCell(QStringLiteral("hundred"), 100, QString(), at(2023, 1, 1, 0, 0))});
    model.ApplySort(TSourcesModel::ColumnSize, Qt::AscendingOrder);
    EXPECT_EQ(RowNames(model), Names({"nine", "ten", "hundred"}));
    model.ApplySort(TSourcesModel::ColumnModified, Qt::AscendingOrder);
    EXPECT_EQ(RowNames(model), Names({"hundred", "nine", "ten"}));
    EXPECT_EQ(text(model, 1, 3), text(model, 2, 3));
}

TEST_F(SourcesModel, EqualRowsKeepTheirOrderBothWays)
{
    show({MakeCell(QStringLiteral("first"), 5), MakeCell(QStringLiteral("big"), 9),
          MakeCell(QStringLiteral("second"), 5), MakeCell(QStringLiteral("small"), 1),
          MakeCell(QStringLiteral("third"), 5)});
    model.ApplySort(TSourcesModel::ColumnSize, Qt::AscendingOrder);
    EXPECT_EQ(RowNames(model), Names({"small", "first", "second", "third", "big"}));
    model.ApplySort(TSourcesModel::ColumnSize, Qt::DescendingOrder);
    EXPECT_EQ(RowNames(model), Names({"big", "first", "second", "third", "small"}));
    // Equal types everywhere: neither direction moves a row.
    model.ApplySort(TSourcesModel::ColumnType, Qt::DescendingOrder);
    EXPECT_EQ(RowNames(model), Names({"big", "first", "second", "third", "small"}));
}

TEST_F(SourcesModel, NoSortColumnKeepsTheOrder)
{
    show({MakeCell(QStringLiteral("b")), MakeCell(QStringLiteral("c")), MakeCell(QStringLiteral("a"))});
    model.ApplySort(TSourcesModel::ColumnName, Qt::AscendingOrder);
    QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
    QSignalSpy sorted(&model, &TSourcesModel::sortChanged);

    model.Rebuild(FavorList());
    model.ApplySort(TSourcesModel::NoSortColumn, Qt::DescendingOrder);
    EXPECT_EQ(RowNames(model), Names({"b", "c", "a"}));
    EXPECT_EQ(model.SortColumn(), TSourcesModel::NoSortColumn);
    model.ApplySort(9, Qt::AscendingOrder);
    EXPECT_EQ(RowNames(model), Names({"b", "c", "a"}));
    EXPECT_EQ(model.SortColumn(), TSourcesModel::NoSortColumn);
    model.Resort();
    EXPECT_EQ(RowNames(model), Names({"b", "c", "a"}));
    EXPECT_EQ(layout.count(), 0);
    EXPECT_EQ(sorted.count(), 3);
}

TEST_F(SourcesModel, SortCommandFlipsTheDirectionEveryTime)
{
    show({MakeCell(QStringLiteral("b"), 1), MakeCell(QStringLiteral("a"), 3), MakeCell(QStringLiteral("c"), 2)});
    QSignalSpy sorted(&model, &TSourcesModel::sortChanged);
    QSignalSpy byUser(&model, &TSourcesModel::userSorted);

    // The view starts ascending, so the first command sorts descending.
    model.SortCommand(TSourcesModel::ColumnName);
    EXPECT_EQ(RowNames(model), Names({"c", "b", "a"}));
    EXPECT_EQ(model.SortOrder(), Qt::DescendingOrder);
    model.SortCommand(TSourcesModel::ColumnName);
    EXPECT_EQ(RowNames(model), Names({"a", "b", "c"}));
    EXPECT_EQ(model.SortOrder(), Qt::AscendingOrder);
    // A new column flips as well.
    model.SortCommand(TSourcesModel::ColumnSize);
    EXPECT_EQ(RowNames(model), Names({"a", "c", "b"}));
    EXPECT_EQ(model.SortColumn(), TSourcesModel::ColumnSize);
    EXPECT_EQ(model.SortOrder(), Qt::DescendingOrder);

    ASSERT_EQ(sorted.count(), 3);
    ASSERT_EQ(byUser.count(), 3);
    EXPECT_EQ(byUser[2][0].toInt(), TSourcesModel::ColumnSize);
    EXPECT_EQ(byUser[2][1].value<Qt::SortOrder>(), Qt::DescendingOrder);
}

TEST_F(SourcesModel, HeaderSortStartsAscendingAndFlipsTheSortedColumn)
{
    show({MakeCell(QStringLiteral("b"), 1), MakeCell(QStringLiteral("a"), 3), MakeCell(QStringLiteral("c"), 2)});
    QSignalSpy byUser(&model, &TSourcesModel::userSorted);

    model.HeaderSort(TSourcesModel::ColumnName);
    EXPECT_EQ(RowNames(model), Names({"a", "b", "c"}));
    EXPECT_EQ(model.SortOrder(), Qt::AscendingOrder);
    model.HeaderSort(TSourcesModel::ColumnName);
    EXPECT_EQ(RowNames(model), Names({"c", "b", "a"}));
    EXPECT_EQ(model.SortOrder(), Qt::DescendingOrder);
    // Another column starts ascending again, whatever the direction was.
    model.HeaderSort(TSourcesModel::ColumnSize);
    EXPECT_EQ(RowNames(model), Names({"b", "c", "a"}));
    EXPECT_EQ(model.SortColumn(), TSourcesModel::ColumnSize);
    EXPECT_EQ(model.SortOrder(), Qt::AscendingOrder);
    EXPECT_EQ(byUser.count(), 3);

    // From no column, the same as a new column.
    model.ApplySort(TSourcesModel::NoSortColumn, Qt::DescendingOrder);
    model.HeaderSort(TSourcesModel::ColumnName);
    EXPECT_EQ(model.SortOrder(), Qt::AscendingOrder);
    EXPECT_EQ(RowNames(model), Names({"a", "b", "c"}));
}

TEST_F(SourcesModel, AppliedSortIsAnnouncedButNotAsTheUsers)
{
    show({MakeCell(QStringLiteral("b")), MakeCell(QStringLiteral("a"))});
    QSignalSpy sorted(&model, &TSourcesModel::sortChanged);
    QSignalSpy byUser(&model, &TSourcesModel::userSorted);
    model.ApplySort(TSourcesModel::ColumnName, Qt::DescendingOrder);
    ASSERT_EQ(sorted.count(), 1);
    EXPECT_EQ(sorted[0][0].toInt(), TSourcesModel::ColumnName);
    EXPECT_EQ(sorted[0][1].value<Qt::SortOrder>(), Qt::DescendingOrder);
    EXPECT_EQ(byUser.count(), 0);
}

TEST_F(SourcesModel, SelectionFollowsTheRowsWhenSorted)
{
    show({MakeCell(QStringLiteral("d")), MakeCell(QStringLiteral("b")), MakeCell(QStringLiteral("a")),
          MakeCell(QStringLiteral("c"))});
    QItemSelectionModel selection(&model);
    selection.select(model.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.select(model.index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection.setCurrentIndex(model.index(1, 0), QItemSelectionModel::NoUpdate);

    model.HeaderSort(TSourcesModel::ColumnName);
    ASSERT_EQ(RowNames(model), Names({"a", "b", "c", "d"}));
    QStringList selected;
    for (const QModelIndex &row : selection.selectedRows())
        selected.append(model.Row(row.row()).Name);
    selected.sort();
    EXPECT_EQ(selected, Names({"c", "d"}));
    EXPECT_EQ(model.Row(selection.currentIndex().row()).Name, QStringLiteral("b"));
}

TEST_F(SourcesModel, BusyRowsStayAsTheyAre)
{
    show({MakeCell(QStringLiteral("b")), MakeCell(QStringLiteral("a"))});
    model.BeginBusy();
    model.HeaderSort(TSourcesModel::ColumnName);
    model.SortCommand(TSourcesModel::ColumnName);
    model.ApplySort(TSourcesModel::ColumnName, Qt::AscendingOrder);
    model.sort(TSourcesModel::ColumnName);
    EXPECT_EQ(RowNames(model), Names({"b", "a"}));
    EXPECT_EQ(model.SortColumn(), TSourcesModel::NoSortColumn);
    // The run still writes its results.
    model.SetRowResult(0, 2, QString());
    EXPECT_EQ(model.Row(0).Status, 2);
    model.EndBusy();
    model.HeaderSort(TSourcesModel::ColumnName);
    EXPECT_EQ(RowNames(model), Names({"a", "b"}));
}
