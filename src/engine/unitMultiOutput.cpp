#include "engine/unitMultiOutput.h"

#include "project/unitJob.h"

#include <algorithm>
#include <limits>

QString OutputLabel(const TCnvJob &project)
{
    return project.Name + QStringLiteral(" (") + project.TargetExt.toUpper() + QLatin1Char(')');
}

QString ConvertSourceToEach(TMagickImage &decoded, const QString &sourcePath,
                            const QList<TOutputOrder> &orders, const TRunSettings &run)
{
    // The output that needs the most pixels goes last and takes the decoded frames
    // themselves; the others work on copies made as small as their own decode would be.
    QList<std::pair<size_t, int>> needs;
    for (int i = 0; i < orders.size(); ++i) {
        const TCurrentJobScope scope(*orders.at(i).Project);
        const size_t needed = ShortSideNeeded();
        needs.append({needed == 0 ? std::numeric_limits<size_t>::max() : needed, i});
    }
    std::stable_sort(needs.begin(), needs.end());
    QStringList failed;
    for (int k = 0; k < needs.size(); ++k) {
        const TOutputOrder &order = orders.at(needs.at(k).second);
        const TCurrentJobScope scope(*order.Project);
        try {
            if (k + 1 == needs.size()) {
                ConvertSource(decoded, sourcePath, order.Output, run);
            } else {
                TMagickImage copy;
                copy.CopyFramesFrom(decoded);
                if (run.ShrinkOnLoad)
                    copy.ShrinkAsOnLoad(needs.at(k).first);
                ConvertSource(copy, sourcePath, order.Output, run);
            }
        } catch (const std::exception &error) {
            const auto *own = dynamic_cast<const TError *>(&error);
            const QString text = own ? own->text() : QString::fromLocal8Bit(error.what());
            failed.append(orders.size() == 1 ? text : OutputLabel(*order.Project) + QStringLiteral(": ") + text);
        }
    }
    return failed.join(QStringLiteral("; "));
}

size_t ShortSideNeededByAll(const QList<TOutputOrder> &orders)
{
    size_t largest = 0;
    for (const TOutputOrder &order : orders) {
        const TCurrentJobScope scope(*order.Project);
        const size_t needed = ShortSideNeeded();
        if (needed == 0)
            return 0;
        largest = qMax(largest, needed);
    }
    return largest;
}
