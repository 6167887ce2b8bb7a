// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "window/ListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

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
    // With one column, scrolling by item would give the bar no range at all:
    // the column dragged wider than the view scrolls by pixel.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth() * 3);
    setMouseTracking(true);
    header()->setStretchLastSection(false);
    // The list and its header keep the theme's colours where the window
    // around them takes the design's white: past the column the header is
    // the theme's, not a white strip.
    QPalette theme = palette();
    const QPalette application = QApplication::palette(this);
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText})
        theme.setColor(role, application.color(role));
    setPalette(theme);
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
    // Left and Right move the view sideways: the single column has no
    // neighbour to go to.
    if ((event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        horizontalScrollBar()->triggerAction(event->key() == Qt::Key_Left
                                                 ? QAbstractSlider::SliderSingleStepSub
                                                 : QAbstractSlider::SliderSingleStepAdd);
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

void ListView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    if ((event->modifiers() & Qt::ShiftModifier) && delta.x() == 0 && delta.y() != 0) {
        QScrollBar* bar = horizontalScrollBar();
        const int lines = QApplication::wheelScrollLines();
        bar->setValue(bar->value() - delta.y() * lines * bar->singleStep() / 120);
        event->accept();
        return;
    }
    QTableView::wheelEvent(event);
}

bool ListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid()) {
            // The drawn text: bounded, its control characters made visible.
            const QString shown = model_->data(index, Qt::DisplayRole).toString();
            const int margin =
                2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
            if (fontMetrics().horizontalAdvance(shown) + margin > viewport()->width()) {
                QToolTip::showText(help->globalPos(), shown, viewport(), visualRect(index));
                return true;
            }
        }
        QToolTip::showText(help->globalPos(), toolTip(), this);
        return true;
    }
    return QTableView::viewportEvent(event);
}
