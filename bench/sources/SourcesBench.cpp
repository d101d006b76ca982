// The sources view with 100,000 rows: rebuilding it from the list and each sort, with a
// real view attached (offscreen), against sorting the bare texts of the same rows as a
// reference. Prints the times; exits 1 when a rebuild or a sort takes 0.5 s or more.
//   pictavo-sources-bench [ROWS]
#include "app/unitSourcesPanel.h"
#include "project/unitFavor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

double seconds(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e9; }

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;

    std::mt19937 random(7);
    const QStringList types = {QStringLiteral("JPEG image"), QStringLiteral("PNG image"),
                               QStringLiteral("TIFF image"), QStringLiteral("GIF image")};
    FavorList().Reserve(rows);
    for (int i = 0; i < rows; ++i) {
        TFavorCell cell;
        cell.Name = QStringLiteral("IMG_%1.jpg").arg(random() % 1000000, 6, 10, QLatin1Char('0'));
        cell.Folder = QStringLiteral("/photos/%1/%2/").arg(random() % 40).arg(i);
        cell.Size = qint64(random() % 20000000);
        cell.FileType = types.at(int(random() % 4));
        cell.Modified = 45000.0 + (random() % 3000000) / 1000.0;
        FavorList().Append(cell);
    }

    TSourcesPanel panel;
    panel.resize(900, 400);
    panel.show();
    QCoreApplication::processEvents();

    bool slow = false;
    QElapsedTimer timer;
    timer.start();
    panel.Model().Rebuild(FavorList());
    QCoreApplication::processEvents();
    double worst = seconds(timer);
    std::printf("rows:      %d\nrebuild:   %.3f s\n", rows, worst);
    slow = slow || worst >= 0.5;

    const char *names[] = {"name", "size", "type", "modified", "path"};
    for (int column = 0; column < TSourcesModel::ColumnCount; ++column) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            timer.restart();
            panel.Model().ApplySort(column, order);
            QCoreApplication::processEvents();
            const double took = seconds(timer);
            std::printf("sort %-8s %-4s %.3f s\n", names[column],
                        order == Qt::AscendingOrder ? "asc" : "desc", took);
            slow = slow || took >= 0.5;
        }
    }

    std::vector<QString> texts;
    texts.reserve(size_t(rows));
    for (const TFavorCell &cell : FavorList().Cells())
        texts.push_back(cell.Folder);
    timer.restart();
    std::stable_sort(texts.begin(), texts.end());
    std::printf("reference: %.3f s (stable sort of the bare path texts)\n", seconds(timer));
    std::printf("target:    rebuild and every sort under 0.5 s: %s\n", slow ? "missed" : "met");
    return slow ? 1 : 0;
}
