// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The services of the window: those every command has, and the font and colour
// choosers of the appearance options.
#pragma once

#include "core/Ui.h"

#include <QColor>
#include <QFont>
#include <optional>

class WindowUi : public Ui {
  public:
    // The font and colour choosers; nothing on Cancel.
    virtual std::optional<QFont> chooseFont(QWidget* owner, const QFont& initial) = 0;
    virtual std::optional<QColor> chooseColor(QWidget* owner, const QColor& initial) = 0;
};
