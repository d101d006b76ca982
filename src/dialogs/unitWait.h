#pragma once

#include <QDialog>

class QPushButton;
class TFileCopyAnimation;

// Shown while a conversion runs. Closing it in any way asks for the run to stop and hides
// it; hide() from the program stops nothing.
class TformWait : public QDialog
{
    Q_OBJECT

public:
    explicit TformWait(QWidget *parent = nullptr);

    QPushButton *stopButton() const { return m_stop; }

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
    bool m_placed = false;
    QPoint m_position;
};
