// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "window/Look.h"

#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/FileSystem.h"
#include "core/Paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <sys/stat.h>

namespace {
void colourWindowAndGroups(QWidget* window, const QColor& background, const QColor& text) {
    SetWidgetColours(window, background, text);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (qobject_cast<QGroupBox*>(child) || qobject_cast<QLabel*>(child) ||
            qobject_cast<QCheckBox*>(child) || qobject_cast<QRadioButton*>(child))
            SetWidgetColours(child, background, text);
    }
}
} // namespace

QCursor LoadCursorFile(const QString& path) {
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    QPixmap picture;
    if (!picture.loadFromData(bytes))
        throw AppError(481, QStringLiteral("Invalid picture"));
    // A cursor file says so in its header (type 2); its first picture's hot spot
    // stands at bytes 10 and 12.
    int hotX = -1, hotY = -1;
    const auto u16 = [&](int at) {
        return int(quint8(bytes[at])) | (int(quint8(bytes[at + 1])) << 8);
    };
    if (bytes.size() >= 22 && u16(2) == 2) {
        hotX = u16(10);
        hotY = u16(12);
    }
    return QCursor(picture, hotX, hotY);
}

bool ApplySkin(QWidget* window) {
    const QString skin = DataFile(QStringLiteral("x/o.cjs"));
    struct stat info {};
    if (StatPath(EncodeFileName(skin), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    ApplyButtonFaceColors(window);
    return true;
}

void ApplyButtonFaceColors(QWidget* window) {
    const QPalette theme = QApplication::palette();
    colourWindowAndGroups(window, theme.color(QPalette::Button), theme.color(QPalette::ButtonText));
}

void ApplyWhiteBackground(QWidget* window) {
    colourWindowAndGroups(window, Qt::white, Qt::black);
}

void SetWidgetColours(QWidget* widget, const QColor& background, const QColor& text) {
    // A check box paints its background from the Button role, a label or a
    // frame from Window: both take the colour, and the text its partner.
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Window, widget->backgroundRole()})
        palette.setColor(role, background);
    for (QPalette::ColorRole role : {QPalette::WindowText, widget->foregroundRole()})
        palette.setColor(role, text);
    if (qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget)) {
        // The box itself: white with a dark mark on white, the theme's own otherwise.
        const QPalette theme = QApplication::palette();
        const bool white = background == QColor(Qt::white);
        palette.setColor(QPalette::Base, white ? QColor(Qt::white) : theme.color(QPalette::Base));
        palette.setColor(QPalette::Text, white ? text : theme.color(QPalette::Text));
    }
    widget->setPalette(palette);
    // On a container of the same colour it shows the container through: a
    // frame's shading (the theme's) then runs behind its labels too, with no
    // patch of plain colour around their text.
    const QWidget* parent = widget->parentWidget();
    const bool asParent = parent && !widget->isWindow() &&
                          parent->palette().color(parent->backgroundRole()) == background;
    widget->setAutoFillBackground(!asParent);
}

bool PressButtonOnEnter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* button = qobject_cast<QPushButton*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!button || !button->isEnabled() ||
        (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    button->click();
    return true;
}
