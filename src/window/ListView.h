// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The list control of both lists: a one-column report view over the list model
// (ListModel) that owns the texts. Items are numbered from 1, in the order
// added. A command takes the list's model: the view converts to it.
#pragma once

#include "core/ListModel.h"

#include <QHeaderView>
#include <QTableView>

class ListView : public QTableView {
    Q_OBJECT
  public:
    explicit ListView(QWidget* parent = nullptr);

    void Add(const QString& text) { model_->append(text); }
    int Count() const { return int(model_->count()); }
    // Item i, numbered from 1.
    QString Item(int i) const { return model_->at(i - 1); }
    void Remove(int i);
    void Clear();
    // The number of the selected item, 0 when none is selected.
    int SelectedIndex() const;
    // Selects item i (numbered from 1).
    void Select(int i);

    void SetColumnHeader(const QString& caption, int widthTwips);
    ListModel* model() const { return model_; }
    // A command works on the list's model.
    operator ListModel&() const { return *model_; }
    // The column header the user drags to widen the column.
    QHeaderView* header() const { return horizontalHeader(); }

  signals:
    void deleteKeyPressed();
    void itemDoubleClicked();
    void pointerMoved();

  protected:
    // Home and End go to the first and the last item.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // Shift with the wheel scrolls sideways, as the horizontal wheel does.
    void wheelEvent(QWheelEvent* event) override;
    // Over an item wider than the view, its whole text; elsewhere the list's own.
    bool viewportEvent(QEvent* event) override;

  private:
    ListModel* model_;
    int keptColumnWidth_ = 0;
};
