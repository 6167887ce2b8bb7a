// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "support/ScriptedUi.h"

#include "core/Paths.h"

namespace {
template <class T> T takeFront(std::deque<T>& queue, T fallback) {
    if (queue.empty())
        return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
} // namespace

void ScriptedUi::message(const QString& text, const QString& title, Icon icon) {
    const Box box{text, title.isEmpty() ? AppTitle() : title, icon};
    boxes.append(box);
    if (onMessage)
        onMessage(box);
}

QString ScriptedUi::inputBox(const QString& prompt, const QString& title) {
    prompts.append({prompt, title.isEmpty() ? AppTitle() : title});
    return takeFront(inputAnswers, QString());
}

QString ScriptedUi::chooseFolder(QWidget*, const QString& title, const QString& start) {
    folderDialogs.append({start, title});
    return takeFront(folderAnswers, QString());
}

QStringList ScriptedUi::chooseFiles(QWidget*, const QString& title, const QStringList& filters) {
    fileDialogs.append({filters.join(QStringLiteral(";;")), title});
    return takeFront(fileAnswers, QStringList());
}

std::optional<QFont> ScriptedUi::chooseFont(QWidget*, const QFont& initial) {
    fontDialogs.append(initial);
    return takeFront(fontAnswers, std::optional<QFont>());
}

std::optional<QColor> ScriptedUi::chooseColor(QWidget*, const QColor& initial) {
    colorDialogs.append(initial);
    return takeFront(colorAnswers, std::optional<QColor>());
}

void ScriptedUi::openUrl(const QUrl& url) {
    openedUrls.append(url);
}

void ScriptedUi::yield() {
    ++yields;
    const auto action = yieldActions.find(yields);
    if (action != yieldActions.end()) {
        auto run = action.value();
        yieldActions.erase(action);
        run();
    }
}
