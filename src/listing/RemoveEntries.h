// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Pruning a list by a text: the entries that contain it, or those that don't,
// are removed; the match ignores letter case.
#pragma once

#include <QString>

class ListModel;
class MousePointer;
class Ui;

// Where failures of the four pruning buttons are reported: the pair on the
// results list (containing, not containing) and the pair on the folder list.
inline const QString PushButton4Location =
    QStringLiteral("in Palavine2021/08/31.Form1.PushButton4_Click ");
inline const QString PushButton10Location =
    QStringLiteral("in Palavine2021/08/31.Form1.PushButton10_Click ");
inline const QString PushButton13Location =
    QStringLiteral("in Palavine2021/08/31.Form1.PushButton13_Click ");
inline const QString PushButton14Location =
    QStringLiteral("in Palavine2021/08/31.Form1.PushButton14_Click ");

inline const QString RemoveContainingPrompt = QStringLiteral("Remove entries containing: ");
inline const QString RemoveNotContainingPrompt = QStringLiteral("Remove entries not containing: ");

// True when `text` holds `lowered` (an already lowered answer) once the text is
// lowered too: a plain character search, nothing in the answer is a pattern.
bool ContainsLowered(QStringView text, QStringView lowered);

// Remove every entry that contains the text (not containing: that doesn't), in
// one pass; the others keep their order. The scan yields before each entry.
// Only entries that were there when the scan started and matched are removed,
// whatever other commands do to the list while the scan yields. Failures throw.
void RemoveEntriesContaining(ListModel& list, const QString& text, Ui& ui);
void RemoveEntriesNotContaining(ListModel& list, const QString& text, Ui& ui);

// One of the four pruning buttons: asks for the text, then prunes `list` under
// the busy pointer. An empty answer or Cancel changes nothing. `containing`
// chooses the prompt and the rule; `location` is the button's location text.
void RemoveEntriesCommand(Ui& ui, MousePointer& pointer, ListModel& list, bool containing,
                          const QString& location);
