// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "window/ColourSwatch.h"

#include "core/Paths.h"

#include <QPainter>
#include <QPalette>

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    SetBackColor(0);
}

void ColourSwatch::SetBackColor(qint32 colour) {
    colour_ = colour;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(colour));
    setPalette(palette);
    // A screen reader says the colour, as the page will write it.
    setAccessibleDescription(ColorToHtml(colour));
}

QColor ColourSwatch::toQColor(qint32 colour) {
    const quint32 c = quint32(colour);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

qint32 ColourSwatch::fromQColor(const QColor& colour) {
    return qint32(quint32(colour.red()) | (quint32(colour.green()) << 8) |
                  (quint32(colour.blue()) << 16));
}

void ColourSwatch::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(colour_));
    painter.end();
    QFrame::paintEvent(event);
}
