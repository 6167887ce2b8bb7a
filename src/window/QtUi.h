// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The Ui services with Qt's real dialogs, for the running program.
#pragma once

#include "window/WindowUi.h"

class QtUi : public WindowUi {
  public:
    QtUi();
    void message(const QString& text, const QString& title, Icon icon) override;
    QString inputBox(const QString& prompt, const QString& title) override;
    QString chooseFolder(QWidget* owner, const QString& title, const QString& start) override;
    QStringList chooseFiles(QWidget* owner, const QString& title,
                            const QStringList& filters) override;
    std::optional<QFont> chooseFont(QWidget* owner, const QFont& initial) override;
    std::optional<QColor> chooseColor(QWidget* owner, const QColor& initial) override;
    void openUrl(const QUrl& url) override;
    double randomDraw() override;
    void yield() override;

    // Box texts use lone carriage returns as line breaks; Qt wants line feeds.
    static QString displayText(const QString& text);

  private:
    qint64 lastYieldMs_;
};
