// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Everything that talks to the person or the desktop from a command: message
// and input boxes, the file and folder dialogs, opening addresses, the random
// draw and letting pending window events run during a long command. The
// window's own dialogs (font and colour) are in WindowUi.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

class Ui {
  public:
    enum class Icon { None, Information, Warning, Critical };

    virtual ~Ui() = default;

    // A modal box with one OK button. An empty title shows the application title.
    virtual void message(const QString& text, const QString& title = {},
                         Icon icon = Icon::None) = 0;
    // A prompt for a text with an empty default; Cancel gives "".
    virtual QString inputBox(const QString& prompt, const QString& title = {}) = 0;
    // A modal chooser of one existing directory, opened at start when given; "" on cancel.
    virtual QString chooseFolder(QWidget* owner, const QString& title, const QString& start) = 0;
    // A modal chooser of several existing files, in the order the dialog lists them.
    virtual QStringList chooseFiles(QWidget* owner, const QString& title,
                                    const QStringList& filters) = 0;
    // Opens a file or web address with the desktop's default handler.
    virtual void openUrl(const QUrl& url) = 0;
    // A random number in [0, 1).
    virtual double randomDraw() = 0;
    // Lets pending window events run (time-sliced: cheap when called often).
    virtual void yield() = 0;
};
