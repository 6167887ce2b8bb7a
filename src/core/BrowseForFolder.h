// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The folder picker: a modal chooser of one existing folder, opened at a start
// folder, giving the chosen path in the form the folder list uses.
#pragma once

#include <QString>

class QWidget;
class Ui;

// Shows the folder chooser with the title, opened at start when start is an
// existing folder. Gives the chosen path without a trailing separator (the
// root folder keeps its one), or "" when the user cancels.
QString BrowseForFolder(Ui& ui, QWidget* owner, const QString& title, const QString& start);
