#pragma once

// The preview pane: the selected source as the current project would write it, beside
// the source, both at 100%, with their sizes. Made off the window's thread; a newer
// request cancels an older one between its steps. The pane is hidden until the user asks
// for it, so its controls are made when it is first shown.

#include "engine/unitPreview.h"

#include <QImage>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <memory>

class QLabel;
class QScrollArea;
class QSplitter;
class TMLang;

// A preview with its pictures ready for the screen.
struct TShownPreview
{
    TPreview Figures;
    QImage Source;
    QImage Output;
};

class TPreviewPane : public QWidget
{
    Q_OBJECT

public:
    explicit TPreviewPane(QWidget *parent = nullptr);
    // Waits for the preview in work, which is told to stop first.
    ~TPreviewPane() override;

    // The file to show; empty shows nothing. Takes effect after a short pause, so that
    // running through a list or typing a size makes one preview, not one per step.
    void SetSource(const QString &path);
    QString Source() const { return m_source; }
    // The project or the program's settings changed: the preview is made again.
    void Refresh();
    // Whether a preview is being made or waits to be.
    bool IsBusy() const { return m_timer.isActive() || m_busy; }

    const TPreview &Shown() const { return m_shown; }
    // The captions' texts (catalogue keys PREVIEW_SOURCE, PREVIEW_OUTPUT, PREVIEW_FILES).
    void SetCaptions(const QString &source, const QString &output, const QString &files);

Q_SIGNALS:
    void previewShown();

public Q_SLOTS:
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void build();
    void start();
    void deliver(quint64 generation, const std::shared_ptr<TShownPreview> &preview);
    void showPreview();

    QString m_source;
    QString m_sourceCaption;
    QString m_outputCaption;
    QString m_filesCaption;
    QTimer m_timer;
    QThreadPool m_pool;
    std::shared_ptr<std::atomic_bool> m_cancel;
    quint64 m_generation = 0;
    bool m_busy = false;
    TPreview m_shown;

    QSplitter *m_sides = nullptr;
    QLabel *m_sourceFigures = nullptr;
    QLabel *m_outputFigures = nullptr;
    QScrollArea *m_sourceArea = nullptr;
    QScrollArea *m_outputArea = nullptr;
    QLabel *m_sourcePicture = nullptr;
    QLabel *m_outputPicture = nullptr;
};
