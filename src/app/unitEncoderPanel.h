#pragma once

#include <QGroupBox>
#include <QMap>
#include <QString>

#include <functional>

class QFormLayout;

// The encoder options of the chosen target on the Image page, one control per option of
// the table, rebuilt when the target changes. An option left at its default is removed
// from the project, so that a project that changes nothing keeps its former bytes.
class TEncoderPanel : public QGroupBox
{
    Q_OBJECT

public:
    using TTextOf = std::function<QString(const char *key)>;
    TEncoderPanel(TTextOf textOf, QWidget *parent = nullptr);

    // Shows the options of `target` with the values of `options`; emits nothing.
    void Show(const QString &target, const QMap<QString, QString> &options);

signals:
    // The option `name` ("jpeg.progressive") now holds `value`; empty when it went back to
    // its default.
    void optionChanged(const QString &name, const QString &value);

private:
    QString itemText(const QString &value) const;

    TTextOf m_textOf;
    QFormLayout *m_form;
};
