// The folder tree and the file list as the main window drives them, over real folders.

#include "BrowserFixture.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCollator>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

namespace {

class FileList : public BrowserFixture
{
protected:
    void SetUp() override
    {
        BrowserFixture::SetUp();
        const QDateTime base(QDate(2024, 5, 1), QTime(12, 0));
        makeFolder(QStringLiteral("zeta"));
        makeFolder(QStringLiteral("Alpha"));
        makeFolder(QStringLiteral(".secret"));
        WriteBytes(path(QStringLiteral("notes.txt")), QByteArray(3000, 'n'));
        WriteImage(path(QStringLiteral("b.png")), 40, 30, Qt::red);
        WriteBytes(path(QStringLiteral("a.dat")), QByteArray(1258291, 'd'));
        WriteBytes(path(QStringLiteral(".profile")), QByteArray(10, 'p'));
        SetModified(path(QStringLiteral("notes.txt")), base.addDays(2));
        SetModified(path(QStringLiteral("b.png")), base.addDays(1));
        SetModified(path(QStringLiteral("a.dat")), base.addDays(3));
        SetModified(path(QStringLiteral("zeta")), base.addDays(-1));
        SetModified(path(QStringLiteral("Alpha")), base.addDays(-2));
        list = makeList();
        ASSERT_TRUE(list->Browse(root));
    }

    QStringList names() const
    {
        QStringList result;
        for (int row = 0; row < list->VisibleCount(); ++row)
            result.append(list->Item(row).Name);
        return result;
    }

    QStringList selectedNames() const
    {
        QStringList result;
        for (const TFileItem &item : list->SelectedItems())
            result.append(item.Name);
        return result;
    }

    QPoint centreOf(const QString &name) const
    {
        const int row = list->Model().RowOf(path(name));
        return list->View()->visualRect(list->Model().index(row, 0)).center();
    }

    void clickHeader(int column, Qt::MouseButton button = Qt::LeftButton,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QHeaderView *header = list->Header();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), button, modifiers, QPoint(x, header->height() / 2));
    }

    // What a widget receives of a double click: press, release, double click, release.
    static void doubleClick(QWidget *viewport, const QPoint &at)
    {
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, at);
    }

    std::unique_ptr<TFileList> list;
};

TEST_F(FileList, StartsInTheHomeFolderAndBrowsesOnlyToFolders)
{
    TFileList fresh;
    EXPECT_EQ(fresh.CurrentFolder(), QDir::cleanPath(QDir::homePath()));
    EXPECT_EQ(fresh.objectName(), QStringLiteral("VLEx"));

    EXPECT_EQ(list->CurrentFolder(), root);
    EXPECT_FALSE(list->Browse(path(QStringLiteral("missing"))));
    EXPECT_FALSE(list->Browse(path(QStringLiteral("notes.txt"))));
    EXPECT_FALSE(list->Browse(QString()));
    EXPECT_EQ(list->CurrentFolder(), root);
    EXPECT_TRUE(list->Browse(path(QStringLiteral("zeta/../Alpha/"))));
    EXPECT_EQ(list->CurrentFolder(), path(QStringLiteral("Alpha")));
    EXPECT_EQ(list->VisibleCount(), 0);
}

TEST_F(FileList, GoesUpToTheParentAndLandsOnTheFolderItCameFrom)
{
    ASSERT_TRUE(list->Browse(path(QStringLiteral("zeta"))));
    QSignalSpy changed(list.get(), &TFileList::folderChanged);
    EXPECT_TRUE(list->GoUp());
    EXPECT_EQ(list->CurrentFolder(), root);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toString(), root);
    EXPECT_EQ(selectedNames(), QStringList{QStringLiteral("zeta")});

    ASSERT_TRUE(list->Browse(QStringLiteral("/")));
    const int count = list->VisibleCount();
    changed.clear();
    EXPECT_FALSE(list->GoUp());
    EXPECT_EQ(list->CurrentFolder(), QStringLiteral("/"));
    EXPECT_EQ(list->VisibleCount(), count);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(FileList, ViewStylesAreSetAndReadWithTheirIconSizes)
{
    const int expectedIcon[] = {48, 16, 16, 16, TThumbnailMaker::FramedEdge};
    for (int style : {4, 0, 1, 2, 3}) {
        list->SetViewStyle(style);
        EXPECT_EQ(list->ViewStyle(), style);
        if (style == TFileList::Details) {
            EXPECT_EQ(list->View(), list->DetailsView());
            EXPECT_TRUE(list->DetailsView()->isVisible());
            EXPECT_FALSE(list->IconView()->isVisible());
        } else {
            EXPECT_EQ(list->View(), list->IconView());
            EXPECT_TRUE(list->IconView()->isVisible());
            EXPECT_EQ(list->IconView()->iconSize().width(), expectedIcon[style]) << style;
            EXPECT_EQ(list->IconView()->viewMode(),
                      style == 0 || style == 4 ? QListView::IconMode : QListView::ListMode);
        }
        EXPECT_EQ(list->Model().ThumbnailMode(), style == TFileList::Thumbnails);
    }
    list->SetViewStyle(5);
    list->SetViewStyle(-1);
    EXPECT_EQ(list->ViewStyle(), 3);
}

TEST_F(FileList, DetailsShowFourColumnsWithSizesInAHumanFormat)
{
    list->SetViewStyle(TFileList::Details);
    const QAbstractItemModel *model = list->DetailsView()->model();
    ASSERT_EQ(model->columnCount(), 4);
    const QStringList titles{QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type"),
                             QStringLiteral("Modified")};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(model->headerData(column, Qt::Horizontal).toString(), titles.at(column));
    EXPECT_EQ(list->Header()->sectionSize(0), 200);
    EXPECT_EQ(list->Header()->sectionSize(1), 80);
    EXPECT_EQ(list->Header()->sectionSize(2), 120);
    EXPECT_GE(list->Header()->sectionSize(3), 100);

    const int big = list->Model().RowOf(path(QStringLiteral("a.dat")));
    const int folder = list->Model().RowOf(path(QStringLiteral("zeta")));
    const int image = list->Model().RowOf(path(QStringLiteral("b.png")));
    EXPECT_EQ(model->index(big, 1).data().toString(), QStringLiteral("1.2 MB"));
    EXPECT_EQ(model->index(folder, 1).data().toString(), QString());
    EXPECT_EQ(model->index(folder, 2).data().toString(), QStringLiteral("Folder"));
    EXPECT_TRUE(model->index(image, 2).data().toString().contains(QStringLiteral("PNG")));
    EXPECT_EQ(model->index(big, 2).data().toString(), QStringLiteral("DAT file"));
    EXPECT_EQ(model->index(big, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);
    EXPECT_EQ(model->index(image, 3).data().toString(),
              QLocale().toString(QDateTime(QDate(2024, 5, 2), QTime(12, 0)), QLocale::ShortFormat));
    EXPECT_FALSE(model->index(image, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
}

TEST_F(FileList, SortsByEveryColumnBothWaysWithFoldersFirst)
{
    // Hidden items take part too: the list starts with them.
    const QStringList byName{QStringLiteral(".secret"), QStringLiteral("Alpha"), QStringLiteral("zeta"),
                             QStringLiteral("a.dat"), QStringLiteral("b.png"), QStringLiteral("notes.txt"),
                             QStringLiteral(".profile")};
    list->SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    struct Case
    {
        int column;
        QStringList ascending;
    } cases[] = {
        {0, {QStringLiteral("Alpha"), QStringLiteral("zeta"), QStringLiteral("a.dat"), QStringLiteral("b.png"),
             QStringLiteral("notes.txt")}},
        {1, {QStringLiteral("Alpha"), QStringLiteral("zeta"), QStringLiteral("b.png"), QStringLiteral("notes.txt"),
             QStringLiteral("a.dat")}},
        {3, {QStringLiteral("Alpha"), QStringLiteral("zeta"), QStringLiteral("b.png"), QStringLiteral("notes.txt"),
             QStringLiteral("a.dat")}},
    };
    for (const Case &c : cases) {
        list->ApplySort(c.column, Qt::AscendingOrder);
        EXPECT_EQ(names(), c.ascending) << c.column;
        EXPECT_EQ(list->SortColumn(), c.column);
        list->ApplySort(c.column, Qt::DescendingOrder);
        QStringList descending{c.ascending.at(1), c.ascending.at(0)};
        for (int i = c.ascending.size() - 1; i >= 2; --i)
            descending.append(c.ascending.at(i));
        EXPECT_EQ(names(), descending) << c.column;
        EXPECT_EQ(list->SortOrder(), Qt::DescendingOrder);
        EXPECT_EQ(list->Header()->sortIndicatorSection(), c.column);
        EXPECT_EQ(list->Header()->sortIndicatorOrder(), Qt::DescendingOrder);
    }

    // By type: the folders stay first and the files follow their type texts.
    list->ApplySort(2, Qt::AscendingOrder);
    QStringList types;
    for (int row = 2; row < list->VisibleCount(); ++row)
        types.append(list->Model().index(row, 2).data().toString());
    QStringList sorted = types;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(types, sorted);
    EXPECT_TRUE(list->Item(0).IsFolder);
    EXPECT_TRUE(list->Item(1).IsFolder);
    list->ApplySort(2, Qt::DescendingOrder);
    EXPECT_TRUE(list->Item(0).IsFolder);
    EXPECT_TRUE(list->Item(1).IsFolder);
    EXPECT_FALSE(list->Item(2).IsFolder);
    (void)byName;
}

TEST_F(FileList, SortingKeepsTheViewStyleAndTheSelection)
{
    list->SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    for (int style : {0, 1, 2, 4}) {
        list->SetViewStyle(style);
        list->ClearSelection();
        list->IconView()->selectionModel()->select(
            list->Model().index(list->Model().RowOf(path(QStringLiteral("b.png"))), 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list->ApplySort(TFolderListModel::ColModified, Qt::DescendingOrder);
        EXPECT_EQ(list->ViewStyle(), style);
        EXPECT_EQ(list->View(), list->IconView());
        EXPECT_EQ(list->Item(2).Name, QStringLiteral("a.dat"));
        EXPECT_EQ(selectedNames(), QStringList{QStringLiteral("b.png")});
        list->ApplySort(TFolderListModel::ColName, Qt::AscendingOrder);
        EXPECT_EQ(selectedNames(), QStringList{QStringLiteral("b.png")});
    }
}

TEST_F(FileList, HeaderClicksFollowTheWidgetsOwnRule)
{
    list->SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    list->SetViewStyle(TFileList::Details);
    list->ApplySort(0, Qt::AscendingOrder);
    QSignalSpy released(list.get(), &TFileList::headerReleased);
    QSignalSpy sorted(list.get(), &TFileList::sorted);

    clickHeader(1); // another column keeps the direction
    EXPECT_EQ(list->SortColumn(), 1);
    EXPECT_EQ(list->SortOrder(), Qt::AscendingOrder);
    EXPECT_EQ(released.count(), 1);
    clickHeader(1); // the sorted column flips
    EXPECT_EQ(list->SortColumn(), 1);
    EXPECT_EQ(list->SortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(list->Item(2).Name, QStringLiteral("a.dat"));
    clickHeader(3);
    EXPECT_EQ(list->SortColumn(), 3);
    EXPECT_EQ(list->SortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(sorted.count(), 3);

    clickHeader(0, Qt::RightButton);
    clickHeader(0, Qt::LeftButton, Qt::ControlModifier);
    clickHeader(3, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(list->SortColumn(), 3);
    EXPECT_EQ(list->SortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(sorted.count(), 3);
    EXPECT_EQ(released.count(), 6);
}

TEST_F(FileList, SelectionCommandsAndCounts)
{
    list->SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    QSignalSpy changed(list.get(), &TFileList::selectionChanged);
    ASSERT_EQ(list->VisibleCount(), 5);
    EXPECT_EQ(list->SelectedCount(), 0);
    list->SelectAll();
    EXPECT_EQ(list->SelectedCount(), 5);
    EXPECT_GE(changed.count(), 1);

    list->ClearSelection();
    EXPECT_EQ(list->SelectedCount(), 0);
    QItemSelectionModel *selection = list->IconView()->selectionModel();
    for (const char *name : {"zeta", "notes.txt"})
        selection->select(list->Model().index(list->Model().RowOf(path(QString::fromLatin1(name))), 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->InvertSelection();
    EXPECT_EQ(selectedNames(),
              (QStringList{QStringLiteral("Alpha"), QStringLiteral("a.dat"), QStringLiteral("b.png")}));

    // Display order follows the sort, not the order of selecting.
    list->ApplySort(0, Qt::DescendingOrder);
    EXPECT_EQ(selectedNames(),
              (QStringList{QStringLiteral("Alpha"), QStringLiteral("b.png"), QStringLiteral("a.dat")}));
    const QList<TFileItem> items = list->SelectedItems();
    EXPECT_TRUE(items.at(0).IsFolder);
    EXPECT_TRUE(items.at(0).IsFileSystemObject);
    EXPECT_EQ(items.at(0).FullPath, path(QStringLiteral("Alpha")));
    EXPECT_EQ(items.at(1).DisplayName, QStringLiteral("b.png"));
    EXPECT_FALSE(items.at(1).IsFolder);

    list->InvertSelection();
    EXPECT_EQ(selectedNames(), (QStringList{QStringLiteral("zeta"), QStringLiteral("notes.txt")}));
    list->ClearSelection();
    EXPECT_EQ(list->SelectedCount(), 0);
    EXPECT_TRUE(list->SelectedItems().isEmpty());
}

TEST_F(FileList, MouseSelectsWithRightClickAndReportsItsReleases)
{
    list->SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    for (int style : {3, 0}) {
        list->SetViewStyle(style);
        QWidget *viewport = list->View()->viewport();
        QSignalSpy released(list.get(), &TFileList::mouseReleased);
        QSignalSpy keys(list.get(), &TFileList::keyReleased);
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, centreOf(QStringLiteral("a.dat")));
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::ControlModifier, centreOf(QStringLiteral("zeta")));
        EXPECT_EQ(list->SelectedCount(), 2);
        // A right click on a selected item keeps the selection, on another one selects it alone.
        QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, centreOf(QStringLiteral("zeta")));
        EXPECT_EQ(list->SelectedCount(), 2);
        QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, centreOf(QStringLiteral("b.png")));
        EXPECT_EQ(selectedNames(), QStringList{QStringLiteral("b.png")});
        EXPECT_TRUE(QTest::qWaitFor([&] { return released.count() == 4; }));
        QTest::keyClick(list->View(), Qt::Key_Down);
        EXPECT_TRUE(QTest::qWaitFor([&] { return keys.count() == 1; }));
        list->ClearSelection();
    }
}

TEST_F(FileList, DoubleClickOpensFoldersAndHandsFilesToTheHook)
{
    list->SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    QStringList opened;
    list->SetOpenFile([&opened](const QString &file) { opened.append(file); });
    for (int style : {3, 4}) {
        ASSERT_TRUE(list->Browse(root));
        list->SetViewStyle(style);
        QWidget *viewport = list->View()->viewport();
        QSignalSpy dbl(list->View(), &QAbstractItemView::doubleClicked);
        doubleClick(viewport, centreOf(QStringLiteral("notes.txt")));
        EXPECT_EQ(dbl.count(), 1);
        EXPECT_EQ(opened.size(), 1);
        EXPECT_EQ(opened.value(0), path(QStringLiteral("notes.txt")));
        EXPECT_EQ(list->CurrentFolder(), root);
        doubleClick(viewport, centreOf(QStringLiteral("zeta")));
        EXPECT_EQ(list->CurrentFolder(), path(QStringLiteral("zeta")));
        EXPECT_EQ(opened.size(), 1);
        opened.clear();
    }
}

TEST_F(FileList, ObjectFilterAndAcceptanceDecideWhatIsListed)
{
    // The list starts with hidden items.
    EXPECT_TRUE(names().contains(QStringLiteral(".profile")));
    EXPECT_TRUE(names().contains(QStringLiteral(".secret")));
    list->SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    EXPECT_FALSE(names().contains(QStringLiteral(".profile")));
    EXPECT_FALSE(names().contains(QStringLiteral(".secret")));
    EXPECT_EQ(list->VisibleCount(), 5);

    list->SetObjectFilter(TObjectFilterFlag::Folders);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("zeta")}));
    list->SetObjectFilter(TObjectFilterFlag::NonFolders | TObjectFilterFlag::Hidden);
    EXPECT_EQ(names(), (QStringList{QStringLiteral(".profile"), QStringLiteral("a.dat"), QStringLiteral("b.png"),
                                    QStringLiteral("notes.txt")}));
    list->SetObjectFilter({});
    EXPECT_EQ(list->VisibleCount(), 0);

    QStringList asked;
    list->SetItemAcceptance([&asked](const QFileInfo &info) {
        asked.append(info.fileName());
        return info.isDir() || info.suffix() == QStringLiteral("png");
    });
    list->SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    EXPECT_EQ(names(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("zeta"), QStringLiteral("b.png")}));
    EXPECT_EQ(asked.size(), 5); // every listed item, hidden ones excluded before asking
    EXPECT_EQ(list->ObjectFilter(), TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);

    // Browsing asks again, for the new folder's items.
    asked.clear();
    ASSERT_TRUE(list->Browse(path(QStringLiteral("zeta"))));
    EXPECT_TRUE(asked.isEmpty());
    WriteImage(path(QStringLiteral("zeta/in.png")), 4, 4, Qt::blue);
    WriteBytes(path(QStringLiteral("zeta/in.txt")), "x");
    list->Relist();
    EXPECT_EQ(names(), QStringList{QStringLiteral("in.png")});
    EXPECT_EQ(asked.size(), 2);
}

TEST_F(FileList, RelistShowsNewFilesAndKeepsTheSelection)
{
    list->SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    list->IconView()->selectionModel()->select(
        list->Model().index(list->Model().RowOf(path(QStringLiteral("notes.txt"))), 0),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    WriteBytes(path(QStringLiteral("0-new.txt")), "new");
    list->Relist();
    EXPECT_EQ(list->VisibleCount(), 6);
    EXPECT_EQ(list->Item(2).Name, QStringLiteral("0-new.txt"));
    EXPECT_EQ(selectedNames(), QStringList{QStringLiteral("notes.txt")});

    // The folder is watched: a file removed behind its back goes without a command.
    QFile::remove(path(QStringLiteral("0-new.txt")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->VisibleCount() == 5; }, 5000));
}

TEST_F(FileList, ShowsTheFavoriteTooltipOverItsItems)
{
    EXPECT_EQ(list->toolTip(), QStringLiteral("Add to favorite"));
    for (int style : {3, 4}) {
        list->SetViewStyle(style);
        QWidget *viewport = list->View()->viewport();
        const QPoint at = centreOf(QStringLiteral("b.png"));
        QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &help);
        EXPECT_EQ(QToolTip::text(), QStringLiteral("Add to favorite"));
        QToolTip::hideText();
    }
}

TEST_F(FileList, ModelPassesQtsConsistencyChecks)
{
    QAbstractItemModelTester tester(&list->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    list->ApplySort(1, Qt::DescendingOrder);
    list->Relist();
    ASSERT_TRUE(list->Browse(path(QStringLiteral("zeta"))));
    list->SetObjectFilter(TObjectFilterFlag::Folders);
    list->SetViewStyle(TFileList::Thumbnails);
    EXPECT_TRUE(list->Browse(root));
}

class FolderTree : public FileList
{
};

TEST_F(FolderTree, FollowsTheListAndTheListFollowsIt)
{
    TFolderTree tree;
    tree.resize(300, 400);
    tree.show();
    EXPECT_EQ(tree.objectName(), QStringLiteral("VET"));
    tree.LinkFileList(list.get());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree.CurrentFolder() == root; })) << tree.CurrentFolder().toStdString();

    ASSERT_TRUE(list->Browse(path(QStringLiteral("zeta"))));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree.CurrentFolder() == path(QStringLiteral("zeta")); })) << tree.CurrentFolder().toStdString();
    for (QModelIndex parent = tree.currentIndex().parent(); parent.isValid(); parent = parent.parent())
        EXPECT_TRUE(tree.isExpanded(parent));

    QSignalSpy chosen(&tree, &TFolderTree::folderChosen);
    tree.setCurrentIndex(tree.IndexOf(path(QStringLiteral("Alpha"))));
    EXPECT_EQ(list->CurrentFolder(), path(QStringLiteral("Alpha")));
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toString(), path(QStringLiteral("Alpha")));

    EXPECT_TRUE(list->GoUp());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree.CurrentFolder() == root; })) << tree.CurrentFolder().toStdString();
    EXPECT_EQ(chosen.count(), 1);
}

TEST_F(FolderTree, ScrollsToAFolderChosenBeforeItsParentsWereListed)
{
    // Enough siblings above the chosen folder to push it out of a short tree.
    for (int i = 0; i < 80; ++i)
        makeFolder(QStringLiteral("a%1").arg(i, 2, 10, QLatin1Char('0')));
    const QString deep = makeFolder(QStringLiteral("zz/inner/deepest"));
    TFolderTree tree;
    tree.resize(300, 200);
    tree.LinkFileList(list.get());
    tree.show();
    ASSERT_TRUE(list->Browse(deep));
    auto shown = [&] {
        const QRect row = tree.visualRect(tree.currentIndex());
        return tree.CurrentFolder() == deep && row.isValid() && tree.viewport()->rect().contains(row);
    };
    EXPECT_TRUE(QTest::qWaitFor(shown, 5000)) << tree.visualRect(tree.currentIndex()).y();
}

TEST_F(FolderTree, ShowsAFoldersChildrenSortedFromTheStart)
{
    // Many children, made in an order of their own, so that the file system hands them out
    // in neither name order nor the order they were made in.
    const QString parent = makeFolder(QStringLiteral("rolls"));
    QStringList expected;
    for (int i = 0; i < 300; ++i) {
        const QString name = QStringLiteral("%1roll %2").arg(i % 2 ? QStringLiteral("B") : QStringLiteral("a")).arg((i * 37) % 300);
        QDir().mkpath(parent + QLatin1Char('/') + name);
        expected.append(name);
    }
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(expected.begin(), expected.end(), [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });

    TFolderTree tree;
    tree.resize(300, 400);
    tree.show();
    QStringList unsortedAt;
    auto children = [&] {
        QStringList names;
        const QModelIndex folder = tree.IndexOf(parent);
        for (int row = 0; row < tree.model()->rowCount(folder); ++row)
            names.append(tree.model()->index(row, 0, folder).data().toString());
        return names;
    };
    // Whenever rows arrive, before anything is drawn, they are in order.
    QObject::connect(tree.model(), &QAbstractItemModel::rowsInserted, &tree, [&](const QModelIndex &where) {
        if (tree.PathOf(where) != parent)
            return;
        const QStringList names = children();
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end(), [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
        if (names != sorted)
            unsortedAt.append(QString::number(names.size()));
    });
    ASSERT_TRUE(tree.SelectFolder(parent));
    tree.expand(tree.IndexOf(parent));
    EXPECT_TRUE(QTest::qWaitFor([&] { return children().size() == expected.size(); }, 5000)) << children().size();
    EXPECT_EQ(children(), expected);
    EXPECT_TRUE(unsortedAt.isEmpty()) << unsortedAt.join(QLatin1Char(' ')).toStdString();
}

TEST_F(FolderTree, ShowsFoldersOnlyAndHiddenOnesWhenAsked)
{
    TFolderTree tree;
    tree.show();
    QFileSystemModel *model = tree.FileSystemModel();
    const QModelIndex top = model->index(QStringLiteral("/"));
    EXPECT_TRUE(top.isValid());
    EXPECT_FALSE(top.parent().isValid());

    auto childNames = [&] {
        const QModelIndex folder = model->index(root);
        if (model->canFetchMore(folder))
            model->fetchMore(folder);
        QStringList result;
        for (int row = 0; row < model->rowCount(folder); ++row)
            result.append(model->index(row, 0, folder).data().toString());
        result.sort();
        return result;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return childNames() == QStringList(QStringList{QStringLiteral("Alpha"), QStringLiteral("zeta")}); }, 5000))
        << childNames().join(QLatin1Char(' ')).toStdString();
    tree.SetObjectFilter(TObjectFilterFlag::Folders | TObjectFilterFlag::Hidden);
    EXPECT_TRUE(QTest::qWaitFor([&] { return childNames() == QStringList(QStringList{QStringLiteral(".secret"), QStringLiteral("Alpha"), QStringLiteral("zeta")}); }, 5000))
        << childNames().join(QLatin1Char(' ')).toStdString();
    tree.SetObjectFilter(TObjectFilterFlag::Folders);
    EXPECT_TRUE(QTest::qWaitFor([&] { return childNames() == QStringList(QStringList{QStringLiteral("Alpha"), QStringLiteral("zeta")}); }, 5000))
        << childNames().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(tree.ObjectFilter(), TObjectFilter(TObjectFilterFlag::Folders));
}

} // namespace
