// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/BrowseForFolder.h"

#include "core/Paths.h"
#include "core/Ui.h"

QString BrowseForFolder(Ui& ui, QWidget* owner, const QString& title, const QString& start) {
    // A start folder that is gone leaves the chooser at its own default.
    const QString opening = IsFolder(start) ? start : QString();
    QString path = ui.chooseFolder(owner, title, opening);
    while (path.size() > 1 && EndsWithSeparator(path))
        path.chop(1);
    return path;
}
