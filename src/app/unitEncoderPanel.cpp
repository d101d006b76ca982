#include "app/unitEncoderPanel.h"

#include "project/unitOutputOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>

TEncoderPanel::TEncoderPanel(TTextOf textOf, QWidget *parent)
    : QGroupBox(parent), m_textOf(std::move(textOf)), m_form(new QFormLayout(this))
{
    setObjectName(QStringLiteral("jobIMAGE_Encoder"));
    m_form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    m_form->setHorizontalSpacing(8);
    m_form->setVerticalSpacing(6);
}

QString TEncoderPanel::itemText(const QString &value) const
{
    if (value == QLatin1String("auto"))
        return m_textOf("J_OPT_AUTO");
    if (value == QLatin1String("none"))
        return m_textOf("J_OPT_NONE");
    if (value == QLatin1String("420"))
        return QStringLiteral("4:2:0");
    if (value == QLatin1String("444"))
        return QStringLiteral("4:4:4");
    return value.toUpper();
}

void TEncoderPanel::Show(const QString &target, const QMap<QString, QString> &options)
{
    setTitle(m_textOf("J_IMG_ENCODER"));
    while (m_form->rowCount() > 0)
        m_form->removeRow(0);
    for (const TOptionSpec &optionSpec : OptionsForTarget(target)) {
        const QString name = optionSpec.OptionName();
        const QString value = OptionValue(options, optionSpec);
        const QString label = m_textOf(optionSpec.LabelKey);
        const auto changed = [this, name, fallback = optionSpec.Default](const QString &now) {
            emit optionChanged(name, now == fallback ? QString() : now);
        };
        QWidget *field = nullptr;
        if (optionSpec.IsFlag()) {
            auto *box = new QCheckBox(label, this);
            box->setChecked(value == QLatin1String("true"));
            connect(box, &QCheckBox::toggled, this,
                    [changed](bool on) { changed(on ? QStringLiteral("true") : QStringLiteral("false")); });
            field = box;
            m_form->addRow(box);
        } else if (optionSpec.Key == OptionKey::Background) {
            auto *edit = new QLineEdit(value, this);
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("#[0-9A-Fa-f]{0,6}")), edit));
            edit->setMaxLength(7);
            edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("#MMMMMMM")));
            connect(edit, &QLineEdit::textEdited, this, [changed, optionSpec](const QString &text) {
                if (optionSpec.Accepts(text))
                    changed(text.toLower());
            });
            field = edit;
        } else if (optionSpec.IsRange()) {
            auto *spin = new QSpinBox(this);
            spin->setRange(optionSpec.Minimum, optionSpec.Maximum);
            spin->setValue(value.toInt());
            connect(spin, qOverload<int>(&QSpinBox::valueChanged), this,
                    [changed](int number) { changed(QString::number(number)); });
            field = spin;
        } else {
            auto *combo = new QComboBox(this);
            // Narrower than its items where the longer labels of other languages need it.
            combo->setMinimumWidth(combo->fontMetrics().averageCharWidth() * 8);
            for (const QString &item : optionSpec.Values)
                combo->addItem(itemText(item), item);
            combo->setCurrentIndex(optionSpec.Values.indexOf(value));
            connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this,
                    [changed, combo] { changed(combo->currentData().toString()); });
            field = combo;
        }
        field->setObjectName(QStringLiteral("jobIMAGE_Opt_") + QString(name).replace(QLatin1Char('.'), QLatin1Char('_')));
        if (!optionSpec.IsFlag()) {
            auto *caption = new QLabel(label, this);
            caption->setWordWrap(true);
            caption->setBuddy(field);
            m_form->addRow(caption, field);
        }
    }
}
