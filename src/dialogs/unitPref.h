#pragma once

#include <QDialog>

#include <functional>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;

// Brings the stored limits, files at once and caps into the ranges the dialog offers and
// hands them to the library, as the dialog does; for a start that has not made it yet.
void ClampLimits();

// The image library's memory limits and the current project's folder search. Every change
// takes effect at once; there is nothing to cancel, "Close" only closes the window.
class TformPref : public QDialog
{
    Q_OBJECT

public:
    explicit TformPref(QWidget *parent = nullptr);

    // Carries MemoryLimit and MapLimit, as restored at start-up, into the track bars and the
    // library; limits outside the bars' ranges come back clamped. Needs no showing. Also
    // shows FilesAtOnce, clamped to 1 to 16, and the caps on a source's size.
    void SyncFromLimits();

    // Called when the user picks a folder-search option, so that the project counts as edited.
    void SetModifiedHook(std::function<void()> markModified);

    QCheckBox *unlockBox() const { return m_unlock; }
    QCheckBox *syncBox() const { return m_sync; }
    QSlider *memoryBar() const { return m_memoryBar; }
    QSlider *mapBar() const { return m_mapBar; }
    QLabel *memoryHeading() const { return m_memoryHeading; }
    QLabel *mapHeading() const { return m_mapHeading; }
    QLabel *memoryValueLabel() const { return m_memoryValue; }
    QLabel *mapValueLabel() const { return m_mapValue; }
    QRadioButton *searchOption(int index) const;
    QTabWidget *tabs() const { return m_tabs; }
    QCheckBox *uprightBox() const { return m_upright; }
    QCheckBox *noEnlargeBox() const { return m_noEnlarge; }
    QPushButton *closeButton() const { return m_close; }
    QSpinBox *filesAtOnceBox() const { return m_filesAtOnce; }
    QSpinBox *widthCapBox() const { return m_widthCap; }
    QSpinBox *heightCapBox() const { return m_heightCap; }
    QSpinBox *areaCapBox() const { return m_areaCap; }
    QSpinBox *diskCapBox() const { return m_diskCap; }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void activate();
    void unlockChanged();
    void syncChanged();
    void memoryChanged(int position);
    void mapChanged(int position);
    void searchOptionChosen(int index);
    void showValues();
    void syncCaps();
    QList<QWidget *> limitControls() const;

    QTabWidget *m_tabs;
    QCheckBox *m_unlock;
    QLabel *m_memoryHeading;
    QLabel *m_memoryValue;
    QSlider *m_memoryBar;
    QLabel *m_mapHeading;
    QLabel *m_mapValue;
    QSlider *m_mapBar;
    QCheckBox *m_sync;
    QButtonGroup *m_searchGroup;
    QRadioButton *m_useSubfolders;
    QRadioButton *m_rootOnly;
    QCheckBox *m_upright;
    QCheckBox *m_noEnlarge;
    QPushButton *m_close;
    QSpinBox *m_filesAtOnce;
    QSpinBox *m_widthCap;
    QSpinBox *m_heightCap;
    QSpinBox *m_areaCap;
    QSpinBox *m_diskCap;
    std::function<void()> m_markModified;
};
