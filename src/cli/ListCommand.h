// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The command line from end to end: the arguments read (ListArguments), then
// --help, --version, or the run (ListRun).
#pragma once

// Parses, runs, and gives the exit status.
int RunCommandLine(int argc, char* argv[]);
