// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "report/OutputFolder.h"

#include "core/BrowseForFolder.h"
#include "core/ErrorReport.h"
#include "core/Paths.h"
#include "core/Settings.h"

namespace {
const QString kLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton15_Click ");
}

void ChooseOutputFolder(Ui& ui, QWidget* owner, QString& lastFolder,
                        const std::function<void(const QString&)>& setText2) {
    ErrorTrap trap(ui, kLocation);
    QString path;
    trap.at(100, [&] {
        path = BrowseForFolder(ui, owner, QStringLiteral("Save To This Folder"), QString());
    });
    bool cancelled = false;
    trap.at(102, [&] { cancelled = path.isEmpty(); });
    if (cancelled)
        return;
    trap.at(104, [&] { lastFolder = path; });
    trap.at(106, [&] { SaveOption(Option::LastFolder, path); });
    trap.at(108, [&] { setText2(EndsWithSeparator(path) ? path : path + Separator()); });
}
