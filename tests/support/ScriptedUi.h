// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// A Ui that answers from queues and records what it was asked, so that tests
// never block on a real dialog or open a browser. An action can be scripted to
// run at the n-th yield, to test what happens when another command runs in the
// middle of a long one.
#pragma once

#include "window/WindowUi.h"

#include <QList>
#include <QMap>
#include <deque>
#include <functional>

class ScriptedUi : public WindowUi {
  public:
    struct Box {
        QString text;
        QString title;
        Icon icon;
    };
    struct Prompt {
        QString text;
        QString title;
    };

    void message(const QString& text, const QString& title, Icon icon) override;
    QString inputBox(const QString& prompt, const QString& title) override;
    QString chooseFolder(QWidget* owner, const QString& title, const QString& start) override;
    QStringList chooseFiles(QWidget* owner, const QString& title,
                            const QStringList& filters) override;
    std::optional<QFont> chooseFont(QWidget* owner, const QFont& initial) override;
    std::optional<QColor> chooseColor(QWidget* owner, const QColor& initial) override;
    void openUrl(const QUrl& url) override;
    double randomDraw() override { return draw; }
    void yield() override;

    // Runs the action at yield number n (counted from 1 since construction).
    void atYield(int n, std::function<void()> action) { yieldActions[n] = std::move(action); }

    // Answers, taken from the front; an empty queue answers as Cancel does.
    std::deque<QString> inputAnswers;
    std::deque<QString> folderAnswers;
    std::deque<QStringList> fileAnswers;
    std::deque<std::optional<QFont>> fontAnswers;
    std::deque<std::optional<QColor>> colorAnswers;
    double draw = 0.5;
    // Runs for every message box shown (a box is modal: it runs "inside" it).
    std::function<void(const Box&)> onMessage;

    // What was asked.
    QList<Box> boxes;
    QList<Prompt> prompts;
    QList<Prompt> folderDialogs; // title, start folder in text
    QList<Prompt> fileDialogs;   // title, filters joined by ";;" in text
    QList<QFont> fontDialogs;
    QList<QColor> colorDialogs;
    QList<QUrl> openedUrls;
    int yields = 0;
    QMap<int, std::function<void()>> yieldActions;
};
