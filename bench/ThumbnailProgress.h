#pragma once

// What the browser benchmarks ask of a file list in thumbnail view.

#include "ui/unitFileBrowser.h"
#include "ui/unitThumbnails.h"

#include <QFileInfo>
#include <QList>
#include <QElapsedTimer>
#include <QListView>
#include <QScrollBar>

// The rows of the icon view that intersect its viewport.
inline QList<int> visibleRows(TFileList &list)
{
    QList<int> rows;
    QListView *view = list.IconView();
    const QRect area = view->viewport()->rect();
    for (int row = 0; row < list.Model().Count(); ++row) {
        if (view->visualRect(list.Model().index(row, 0)).intersects(area))
            rows.append(row);
    }
    return rows;
}

// A row's thumbnail has arrived once the maker has put it in its cache.
inline bool allCached(TFileList &list, const QList<int> &rows)
{
    TThumbnailCache &cache = list.ThumbnailMaker().Cache();
    for (int row : rows) {
        const QFileInfo &info = list.Model().Info(row);
        if (!info.isDir()
            && !cache.Contains(info.absoluteFilePath(), info.size(), info.lastModified().toMSecsSinceEpoch()))
            return false;
    }
    return true;
}

// The user paging down one screen every `everyMs`: call it from a wait loop; true once
// the end is reached.
class TPager
{
public:
    TPager(QScrollBar *bar, int everyMs) : m_bar(bar), m_every(everyMs) { m_clock.start(); }

    bool operator()()
    {
        if (m_clock.elapsed() < m_every)
            return false;
        m_clock.restart();
        m_bar->setValue(m_bar->value() + m_bar->pageStep());
        return m_bar->value() >= m_bar->maximum();
    }

private:
    QScrollBar *m_bar;
    int m_every;
    QElapsedTimer m_clock;
};
