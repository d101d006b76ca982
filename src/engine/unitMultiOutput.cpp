#include "engine/unitMultiOutput.h"

#include <QStringList>

#include <algorithm>
#include <system_error>
#include <thread>

namespace {

// The eighths of the decoded frame an order's own decode would have kept.
size_t eighthsOf(const TMagickImage &decoded, const TOutputOrder &order)
{
    return order.Settings->ShrinkOnLoad ? DecodeEighths(decoded.FrameWidth(), decoded.FrameHeight(), *order.Settings)
                                        : 8;
}

} // namespace

QString OutputLabel(const TCnvJob &project)
{
    return project.Name + QStringLiteral(" (") + project.TargetExt.toUpper() + QLatin1Char(')');
}

QString OutputFailure(const QList<TOutputOrder> &orders, int index, const QString &text)
{
    return orders.size() == 1 ? text
                              : OutputLabel(orders.at(index).Settings->Project) + QStringLiteral(": ") + text;
}

QString StageSourceToEach(TMagickImage &decoded, const QString &sourcePath,
                          const QList<TOutputOrder> &orders,
                          std::vector<std::unique_ptr<TStagedOutput>> &staged)
{
    staged.clear();
    staged.resize(size_t(orders.size()));
    QList<std::pair<size_t, int>> needs;
    for (int i = 0; i < orders.size(); ++i)
        needs.append({eighthsOf(decoded, orders.at(i)), i});
    std::stable_sort(needs.begin(), needs.end());
    QStringList failures(orders.size());
    const auto stage = [&](TMagickImage &image, int index, size_t shrinkTo) {
        const TOutputOrder &order = orders.at(index);
        try {
            // As small as this output's own decode would have been.
            image.ShrinkAsOnLoad(shrinkTo);
            staged[size_t(index)] = StageSource(image, sourcePath, order.Output, *order.Settings);
        } catch (const std::exception &error) {
            const auto *own = dynamic_cast<const TError *>(&error);
            failures[index] = OutputFailure(orders, index, own ? own->text() : QString::fromLocal8Bit(error.what()));
        }
    };
    // The smaller outputs are made on a thread of their own, each from a copy made here
    // before the largest starts changing the decoded frames themselves on this thread.
    std::vector<std::unique_ptr<TMagickImage>> copies;
    for (int k = 0; k + 1 < needs.size(); ++k) {
        copies.push_back(std::make_unique<TMagickImage>());
        copies.back()->CopyFramesFrom(decoded);
    }
    const auto stageSmaller = [&] {
        for (size_t k = 0; k < copies.size(); ++k) {
            stage(*copies[k], needs.at(qsizetype(k)).second, needs.at(qsizetype(k)).first);
            copies[k].reset();
        }
    };
    std::thread smaller;
    try {
        if (!copies.empty())
            smaller = std::thread(stageSmaller);
    } catch (const std::system_error &) {
        stageSmaller();
    }
    stage(decoded, needs.last().second, 8);
    if (smaller.joinable())
        smaller.join();
    failures.removeAll(QString());
    return failures.join(QStringLiteral("; "));
}

size_t DecodeEighthsForAll(size_t w, size_t h, const QList<TOutputOrder> &orders)
{
    size_t largest = orders.isEmpty() ? 8 : 1;
    for (const TOutputOrder &order : orders)
        largest = qMax(largest, order.Settings->ShrinkOnLoad ? DecodeEighths(w, h, *order.Settings) : 8);
    return largest;
}
