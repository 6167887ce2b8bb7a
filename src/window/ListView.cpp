// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "window/ListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

ListView::ListView(QWidget* parent) : QTableView(parent), model_(new ListModel(this)) {
    setModel(model_);
    // A table view keeps no per-row layout: a million rows cost no more to
    // show than a hundred. One column, no grid, no row numbers.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    setShowGrid(false);
    setWordWrap(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab and Shift+Tab leave the list for the next control; the arrows move in it.
    setTabKeyNavigation(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setMouseTracking(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    // A reset of the model must not lose the width the user dragged the column to.
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { keptColumnWidth_ = columnWidth(0); });
    connect(model_, &QAbstractItemModel::modelReset, this,
            [this] { setColumnWidth(0, keptColumnWidth_); });
}

void ListView::Remove(int i) {
    model_->removeAt(i - 1);
}

void ListView::Clear() {
    model_->clear();
}

int ListView::SelectedIndex() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void ListView::Select(int i) {
    model_->flush();
    const QModelIndex index = model_->index(i - 1);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
}

void ListView::SetColumnHeader(const QString& caption, int widthTwips) {
    model_->setHeader(caption);
    emit model_->headerDataChanged(Qt::Horizontal, 0, 0);
    setColumnWidth(0, (widthTwips + 7) / 15);
}

QModelIndex ListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const int rows = model_->rowCount();
    if (rows > 0 && action == MoveHome)
        return model_->index(0, 0);
    if (rows > 0 && action == MoveEnd)
        return model_->index(rows - 1, 0);
    return QTableView::moveCursor(action, modifiers);
}

void ListView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    // A list with items shows the focus on its current item; an empty one
    // shows it around its whole area.
    if (hasFocus() && model_->rowCount() == 0) {
        QPainter painter(viewport());
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(viewport()->rect().adjusted(1, 1, -2, -2));
    }
}

void ListView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void ListView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void ListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit deleteKeyPressed();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    emit itemDoubleClicked();
}

void ListView::mouseMoveEvent(QMouseEvent* event) {
    emit pointerMoved();
    QTableView::mouseMoveEvent(event);
}
