#pragma once

#include <QString>
#include <QTest>
#include <QWidget>

// Types text key by key as a keyboard does, in any script: QTest::keyClicks only takes
// Latin-1 characters.
inline void TypeText(QWidget *widget, const QString &text)
{
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}
