#pragma once

#include <QDialog>

class QPushButton;
class TBrandPanel;

// The About window, shown modally; "Close", Enter and Escape close it.
class TformAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TformAbout(QWidget *parent = nullptr);

    QPushButton *closeButton() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    TBrandPanel *m_panel;
};
