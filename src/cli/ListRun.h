// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// "palavine list" carried out: the folder walk, the file list, its pruning and
// the page, with no window and no display. The folders are read once, in the
// order the window would list them, and the page is written as the files are
// found, so memory doesn't grow with the number of files.
#pragma once

#include "cli/ListConfig.h"

// Runs the command; messages go to standard error. The exit status.
int RunList(const ListConfig& config);
