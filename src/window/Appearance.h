// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The appearance options: the font, text colour and background colour of the
// page and the preview, chosen in the font and colour choosers, stored at once
// and restored at start-up.
#pragma once

#include <QFont>
#include <QString>

class ColourSwatch;
class ErrorTrap;
class Form2;
class QLabel;
class QWidget;
class WindowUi;

// The preview's sample text (63 characters, ending with a space).
extern const QString PreviewSampleText;

// "Font Style and Size: " + the name + ", " + the size of the preview's font.
QString FontCaption(const QFont& font);
// A point size in its shortest decimal form with "." ("36", "10.5").
QString SizeText(double pointSize);

// Start-up: the sample text and the stored appearance into the preview, the
// swatches and the font caption, as lines 142 to 164 of the main window's load.
void RestoreAppearance(ErrorTrap& formLoadTrap, Form2& preview, ColourSwatch& picture1,
                       ColourSwatch& picture2, QLabel& fontCaption);

// "Change" (font): the chooser preset from the store; on OK the six values are
// stored and applied (strikethrough and underline pass through from the store)
// and the caption updated. Cancel changes nothing.
void ChangeFont(WindowUi& ui, QWidget* owner, Form2& preview, QLabel& fontCaption);

// "Change" (text colour, background colour): the chooser at the swatch's
// colour; on OK the swatch, the store and the preview take the choice. Cancel
// changes nothing.
void ChangeTextColour(WindowUi& ui, QWidget* owner, ColourSwatch& picture1, Form2& preview);
void ChangeBackgroundColour(WindowUi& ui, QWidget* owner, ColourSwatch& picture2, Form2& preview);
