// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "report/OutputFolder.h"

#include "core/BrowseForFolder.h"
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/Paths.h"
#include "core/Settings.h"

#include <QDir>

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

QString OutputFolderPath(const QString& text) {
    QString folder = text;
    if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/"))) {
        const QByteArray home = qgetenv("HOME");
        folder.replace(0, 1, home.isEmpty() ? QDir::homePath() : DecodeFileName(home));
    }
    if (!folder.isEmpty() && !folder.startsWith(Separator())) {
        const QString here = CurrentFolder();
        folder = (EndsWithSeparator(here) ? here : here + Separator()) + folder;
    }
    return folder;
}
