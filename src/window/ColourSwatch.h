// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// A small square filled with one colour; its colour number (red in the low
// byte) is the colour the page and the preview use.
#pragma once

#include <QFrame>

class ColourSwatch : public QFrame {
    Q_OBJECT
  public:
    explicit ColourSwatch(QWidget* parent = nullptr);

    qint32 BackColor() const { return colour_; }
    void SetBackColor(qint32 colour);

    // Colour numbers and QColor, red in the low byte.
    static QColor toQColor(qint32 colour);
    static qint32 fromQColor(const QColor& colour);

  protected:
    // The colour itself, whatever the theme does to a frame's background.
    void paintEvent(QPaintEvent* event) override;

  private:
    qint32 colour_ = 0;
};
