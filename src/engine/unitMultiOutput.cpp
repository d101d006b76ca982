#include "engine/unitMultiOutput.h"

#include <QStringList>

#include <algorithm>
#include <limits>

namespace {

size_t neededBy(const TOutputOrder &order)
{
    const size_t needed = ShortSideNeeded(order.Settings->Project);
    return needed == 0 ? std::numeric_limits<size_t>::max() : needed;
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
        needs.append({neededBy(orders.at(i)), i});
    std::stable_sort(needs.begin(), needs.end());
    QList<std::pair<int, QString>> failed;
    for (int k = 0; k < needs.size(); ++k) {
        const TOutputOrder &order = orders.at(needs.at(k).second);
        try {
            if (k + 1 == needs.size()) {
                staged[size_t(needs.at(k).second)] = StageSource(decoded, sourcePath, order.Output, *order.Settings);
            } else {
                // Made as small as this output's own decode would have been.
                TMagickImage copy;
                copy.CopyFramesFrom(decoded);
                if (order.Settings->ShrinkOnLoad)
                    copy.ShrinkAsOnLoad(ShortSideNeeded(order.Settings->Project));
                staged[size_t(needs.at(k).second)] = StageSource(copy, sourcePath, order.Output, *order.Settings);
            }
        } catch (const std::exception &error) {
            const auto *own = dynamic_cast<const TError *>(&error);
            const QString text = own ? own->text() : QString::fromLocal8Bit(error.what());
            failed.append({needs.at(k).second, OutputFailure(orders, needs.at(k).second, text)});
        }
    }
    std::sort(failed.begin(), failed.end());
    QStringList texts;
    for (const auto &[index, text] : failed)
        texts.append(text);
    return texts.join(QStringLiteral("; "));
}

size_t ShortSideNeededByAll(const QList<TOutputOrder> &orders)
{
    size_t largest = 0;
    for (const TOutputOrder &order : orders)
        largest = qMax(largest, neededBy(order));
    return largest == std::numeric_limits<size_t>::max() ? 0 : largest;
}
