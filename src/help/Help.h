// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The "Help" button: where to ask questions.
#pragma once

class Ui;

// Shows the contact message (OK only, no icon, the application title).
void ShowHelp(Ui& ui);
