#pragma once

#include <QDialog>

class QPushButton;
class TBrandPanel;

// The start-up window: product, maker and version, closed by "Continue", Enter or Escape.
class TformSplash : public QDialog
{
    Q_OBJECT

public:
    explicit TformSplash(QWidget *parent = nullptr);

    QPushButton *continueButton() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    TBrandPanel *m_panel;
};

// Shows the splash, paints it at once and handles events until it is no longer visible.
void ShowSplashAndWait(TformSplash &splash);
