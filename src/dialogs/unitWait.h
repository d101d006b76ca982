#pragma once

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class TRunProgress;
class TFileCopyAnimation;

// Shown while a conversion runs. Closing it in any way asks for the run to stop and hides
// it; hide() from the program stops nothing.
class TformWait : public QDialog
{
    Q_OBJECT

public:
    explicit TformWait(QWidget *parent = nullptr);

    QPushButton *stopButton() const { return m_stop; }
    // Files done of the total, failed so far, time spent and left, files in work.
    void ShowProgress(const TRunProgress &progress);

    // The animation's progress, counted in frames; it advances only while the window shows.
    quint64 animationFrame() const;
    bool isAnimating() const;

public Q_SLOTS:
    // Escape, the close box of a window manager that draws one, close() and "Stop convert".
    void reject() override;

Q_SIGNALS:
    void stopRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    TFileCopyAnimation *m_animation;
    QPushButton *m_stop;
    QList<QLabel *> m_figures;
    bool m_placed = false;
    QPoint m_position;
};
