// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The window's look: the cursor file, the skin, the white design background and
// the theme's button face, and Enter pressing a focused button.
#pragma once

#include <QColor>
#include <QCursor>
#include <QString>

class QEvent;
class QObject;
class QWidget;

// A cursor file (.cur): its picture, with the hot spot the file gives. A file
// that holds no picture fails with "Invalid picture".
QCursor LoadCursorFile(const QString& path);

// The main window takes the system's button-face colour when the skin file
// x/o.cjs is present (DataFile). True when it was applied.
bool ApplySkin(QWidget* window);
// The window, its frames, labels and check boxes take the button-face colour.
void ApplyButtonFaceColors(QWidget* window);
// The design look: the window, frames, labels and check boxes are white, with
// dark text whatever the desktop's theme.
void ApplyWhiteBackground(QWidget* window);
// One widget's background and text colours, for the role it paints from.
void SetWidgetColours(QWidget* widget, const QColor& background, const QColor& text);

// Enter and Return press a focused push button, as Space does. For an event
// filter: true when the event was a key that pressed the button.
bool PressButtonOnEnter(QObject* watched, QEvent* event);
