#pragma once

#include <QImage>
#include <QString>

class QWidget;

// Sends a key press and release to the control that has the focus inside the window.
void PressKey(QWidget *window, int key);

// How many different colours a picture holds, counted up to a limit.
int DistinctColours(const QImage &image, int limit = 1000);

// How many pixels are clearly red: the colour of the stop button's text and icon.
int RedPixels(const QImage &image);

// Saves a grab of the window as pictavo-dialogs-<name>.png in the folder that
// PICTAVO_SCREENSHOT_DIR names, when it names one.
void SaveScreenshot(QWidget *window, const QString &name);
