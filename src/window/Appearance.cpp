// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "window/Appearance.h"

#include "core/ErrorReport.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "window/ColourSwatch.h"
#include "window/Form2.h"
#include "window/Look.h"
#include "window/WindowUi.h"

#include <QLabel>
#include <QLocale>
#include <QPalette>
#include <QPlainTextEdit>

const QString PreviewSampleText =
    QStringLiteral("Preview of text here Preview of text here Preview of text here ");

namespace {

const QString kFontLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton16_Click ");
const QString kTextColourLocation =
    QStringLiteral("in Palavine2021/08/31.Form1.PushButton17_Click ");
const QString kBackColourLocation =
    QStringLiteral("in Palavine2021/08/31.Form1.PushButton18_Click ");

constexpr qint32 White = Option::DefaultBackgroundColour;

// A stored colour number; "Invalid property value" outside the 24 bits.
qint32 toColour(const QString& text) {
    const qint32 colour = ToWholeNumber(text);
    if (colour < 0 || colour > 0xFFFFFF)
        throw AppError(380, QStringLiteral("Invalid property value"));
    return colour;
}

template <class Change> void changePreviewFont(Form2& preview, Change&& change) {
    QFont font = preview.Text1->font();
    change(font);
    preview.Text1->setFont(font);
}

// The caption's own white background, with dark text on it under any theme.
void setLabelBackground(QLabel& label, qint32 colour) {
    SetWidgetColours(&label, ColourSwatch::toQColor(colour), Qt::black);
}

using ApplyColour = void (Form2::*)(qint32);

void changeColour(WindowUi& ui, QWidget* owner, const QString& location, ColourSwatch& swatch,
                  const QString& key, Form2& preview, ApplyColour apply) {
    ErrorTrap trap(ui, location);
    QColor initial;
    trap.at(100, [&] { initial = ColourSwatch::toQColor(swatch.BackColor()); });
    std::optional<QColor> chosen;
    trap.at(102, [&] { chosen = ui.chooseColor(owner, initial); });
    if (!chosen || !chosen->isValid())
        return;
    trap.at(104, [&] { swatch.SetBackColor(ColourSwatch::fromQColor(*chosen)); });
    trap.at(106, [&] { SaveOption(key, QString::number(swatch.BackColor())); });
    trap.at(108, [&] { (preview.*apply)(swatch.BackColor()); });
}

} // namespace

QString SizeText(double pointSize) {
    // Sizes are single-precision numbers: their shortest decimal form.
    return QString::number(float(pointSize), 'g', QLocale::FloatingPointShortest);
}

QString FontCaption(const QFont& font) {
    return QStringLiteral("Font Style and Size: ") + font.family() + QStringLiteral(", ") +
           SizeText(font.pointSizeF());
}

void RestoreAppearance(ErrorTrap& trap, Form2& preview, ColourSwatch& picture1,
                       ColourSwatch& picture2, QLabel& fontCaption) {
    trap.at(142, [&] { preview.Text1->setPlainText(PreviewSampleText); });
    trap.at(144, [&] {
        const QString name = GetOption(Option::FontName, Option::DefaultFontName);
        changePreviewFont(preview, [&](QFont& f) { f.setFamily(name); });
    });
    trap.at(146, [&] {
        const bool bold = ToFlag(GetOption(Option::FontBold, Option::DefaultFontBold));
        changePreviewFont(preview, [&](QFont& f) { f.setBold(bold); });
    });
    trap.at(148, [&] {
        const bool italic = ToFlag(GetOption(Option::FontItalic, QStringLiteral("False")));
        changePreviewFont(preview, [&](QFont& f) { f.setItalic(italic); });
    });
    trap.at(150, [&] {
        const qint32 size = ToWholeNumber(GetOption(Option::FontSize, Option::DefaultFontSize));
        if (size <= 0)
            throw AppError(380, QStringLiteral("Invalid property value"));
        changePreviewFont(preview, [&](QFont& f) { f.setPointSize(size); });
    });
    trap.at(152, [&] {
        const bool strike = ToFlag(GetOption(Option::FontStrikeRead, QStringLiteral("False")));
        changePreviewFont(preview, [&](QFont& f) { f.setStrikeOut(strike); });
    });
    trap.at(154, [&] {
        const bool underline =
            ToFlag(GetOption(Option::FontUnderlineRead, QStringLiteral("False")));
        changePreviewFont(preview, [&](QFont& f) { f.setUnderline(underline); });
    });
    trap.at(156, [&] {
        picture1.SetBackColor(toColour(GetOption(Option::TextColour, Option::DefaultTextColour)));
    });
    trap.at(158,
            [&] { picture2.SetBackColor(toColour(GetOption(Option::BackgroundColour, White))); });
    trap.at(160, [&] { preview.SetForeColor(picture1.BackColor()); });
    trap.at(162, [&] { preview.SetBackColor(picture2.BackColor()); });
    trap.at(164, [&] {
        fontCaption.setText(FontCaption(preview.Text1->font()));
        setLabelBackground(fontCaption, White);
    });
}

void ChangeFont(WindowUi& ui, QWidget* owner, Form2& preview, QLabel& fontCaption) {
    ErrorTrap trap(ui, kFontLocation);
    // The chooser starts from the stored choice, or from its own defaults; a
    // size that can't be read leaves the preview's size.
    QFont preset = preview.Text1->font();
    bool strike = false;
    bool underline = false;
    trap.at(102,
            [&] { preset.setFamily(GetOption(Option::FontName, QStringLiteral("Courier New"))); });
    trap.at(104,
            [&] { preset.setBold(ToFlag(GetOption(Option::FontBold, QStringLiteral("True")))); });
    trap.at(106, [&] {
        preset.setItalic(ToFlag(GetOption(Option::FontItalic, QStringLiteral("False"))));
    });
    trap.at(108, [&] {
        const qint32 size = ToWholeNumber(GetOption(Option::FontSize, QStringLiteral("12")));
        if (size <= 0)
            throw AppError(380, QStringLiteral("Invalid property value"));
        preset.setPointSize(size);
    });
    trap.at(110,
            [&] { strike = ToFlag(GetOption(Option::FontStrikeRead, QStringLiteral("False"))); });
    trap.at(112, [&] {
        underline = ToFlag(GetOption(Option::FontUnderlineRead, QStringLiteral("False")));
    });
    preset.setStrikeOut(strike);
    preset.setUnderline(underline);

    std::optional<QFont> chosen;
    trap.at(114, [&] { chosen = ui.chooseFont(owner, preset); });
    // A command cancelled in its dialog changes nothing.
    if (!chosen)
        return;

    const QString name = chosen->family();
    const bool bold = chosen->bold();
    const bool italic = chosen->italic();
    const double size = chosen->pointSizeF() > 0 ? chosen->pointSizeF() : preset.pointSizeF();
    trap.at(116, [&] { SaveOption(Option::FontName, name); });
    trap.at(118, [&] { SaveOption(Option::FontBold, FromFlag(bold)); });
    trap.at(120, [&] { SaveOption(Option::FontItalic, FromFlag(italic)); });
    trap.at(122, [&] { SaveOption(Option::FontSize, SizeText(size)); });
    trap.at(124, [&] { SaveOption(Option::FontStrikeWritten, FromFlag(strike)); });
    trap.at(126, [&] { SaveOption(Option::FontUnderlineWritten, FromFlag(underline)); });

    trap.at(128, [&] { changePreviewFont(preview, [&](QFont& f) { f.setFamily(name); }); });
    trap.at(130, [&] { changePreviewFont(preview, [&](QFont& f) { f.setBold(bold); }); });
    trap.at(132, [&] { changePreviewFont(preview, [&](QFont& f) { f.setItalic(italic); }); });
    trap.at(134, [&] { changePreviewFont(preview, [&](QFont& f) { f.setPointSizeF(size); }); });
    trap.at(136, [&] { changePreviewFont(preview, [&](QFont& f) { f.setStrikeOut(strike); }); });
    trap.at(138, [&] { changePreviewFont(preview, [&](QFont& f) { f.setUnderline(underline); }); });
    trap.at(140, [&] { fontCaption.setText(FontCaption(preview.Text1->font())); });
}

void ChangeTextColour(WindowUi& ui, QWidget* owner, ColourSwatch& picture1, Form2& preview) {
    changeColour(ui, owner, kTextColourLocation, picture1, Option::TextColour, preview,
                 &Form2::SetForeColor);
}

void ChangeBackgroundColour(WindowUi& ui, QWidget* owner, ColourSwatch& picture2, Form2& preview) {
    changeColour(ui, owner, kBackColourLocation, picture2, Option::BackgroundColour, preview,
                 &Form2::SetBackColor);
}
