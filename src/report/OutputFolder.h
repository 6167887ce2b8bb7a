// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The "..." button of the output folder: picks the folder the page is written
// into and remembers it as the next start folder for adding folders.
#pragma once

#include <QString>
#include <functional>

class QWidget;
class Ui;

// Shows the folder picker ("Save To This Folder", at its default start). On a
// pick, lastFolder and the stored "LastFolderDot" become the path (no trailing
// separator except the root's), and setText2 gets the path with one trailing
// separator. Cancel changes nothing.
void ChooseOutputFolder(Ui& ui, QWidget* owner, QString& lastFolder,
                        const std::function<void(const QString&)>& setText2);

// The folder an output folder text names: "~" at its start is the home
// folder; a relative text is taken in the current folder.
QString OutputFolderPath(const QString& text);
