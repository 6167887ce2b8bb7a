// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The font preview window: a sample text in the current font and colours
// across the whole screen, with a "Close" button that brings the main window
// back. It exists, hidden, from start-up on; its text box holds the applied
// font that the appearance commands write and read.
#pragma once

#include "core/MousePointer.h"

#include <QCursor>
#include <QIcon>
#include <QWidget>
#include <optional>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class WindowUi;

class Form2 : public QWidget {
    Q_OBJECT
  public:
    // Lengths of the layout are in twips, 15 to a pixel.
    static constexpr int TwipsPerPixel = 15;

    // Creates the window hidden and runs its load handler. A null icon takes
    // the application's icon.
    explicit Form2(WindowUi& ui, const QIcon& icon = QIcon(), QWidget* parent = nullptr);

    // The window shown again when this one closes.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }
    QWidget* mainWindow() const { return mainWindow_; }

    // The preview text box's text and back colours, as colour numbers.
    qint32 ForeColor() const { return foreColour_; }
    void SetForeColor(qint32 colour);
    qint32 BackColor() const { return backColour_; }
    void SetBackColor(qint32 colour);

    // The pointer shape of the whole window (0, 11 or 99).
    MousePointer& pointer() { return pointer_; }
    bool customPointerLoaded() const { return customCursor_.has_value(); }

    // The border is fixed: the window takes the size of the screen's free area
    // (less its frame; before it was first shown, the frame of the window
    // beside it), so that the user can neither resize nor maximise or
    // restore it, and it opens maximised, filling the screen.
    void FixToScreen(const QWidget* beside);

    // Handlers.
    void Form_Resize();
    void PushButton1_Click();
    void Form_MouseMove();
    void Frame1_MouseMove();
    void PushButton1_MouseMove();

    QGroupBox* Frame1 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* PushButton1 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override; // Form_QueryUnload
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Form_Load(const QIcon& icon);
    void applyPointer(int shape);
    void applyColours();

    WindowUi& ui_;
    QWidget* mainWindow_ = nullptr;
    MousePointer pointer_;
    std::optional<QCursor> customCursor_;
    qint32 foreColour_ = 0;
    qint32 backColour_ = 16777215;
};

// The "Preview" command: shows the preview window maximised, filling the
// screen, and hides the main window.
void ShowPreview(WindowUi& ui, Form2& preview, QWidget* mainWindow);
