// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/ListModel.h"

#include "core/FileNames.h"

#include <QMetaObject>

#include <algorithm>
#include <iterator>

namespace {
// Drawn as U+FFFD: characters that would break the line or reorder what is
// drawn (C1 controls, line and paragraph separators, bidirectional controls).
bool breaksTheLine(char16_t u) {
    return (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029 || (u >= 0x202A && u <= 0x202E) ||
           (u >= 0x2066 && u <= 0x2069);
}
bool drawnOtherwise(char16_t u) {
    return u < 0x20 || u == 0x7F || breaksTheLine(u);
}
} // namespace

QString ShownText(const QString& text) {
    qsizetype length = text.size();
    bool cut = false;
    if (length > ShownTextLength) {
        length = ShownTextLength;
        // A character made of a surrogate pair is kept whole or not at all.
        if (text.at(length - 1).isHighSurrogate() && text.at(length).isLowSurrogate())
            --length;
        cut = true;
    }
    QString shown = DisplayFileName(cut ? text.left(length) : text);
    const QStringView view(shown);
    if (std::any_of(view.begin(), view.end(),
                    [](QChar c) { return drawnOtherwise(c.unicode()); })) {
        for (QChar& c : shown) {
            const char16_t u = c.unicode();
            if (u < 0x20)
                c = QChar(char16_t(0x2400 + u)); // the Control Pictures block
            else if (u == 0x7F)
                c = QChar(char16_t(0x2421));
            else if (breaksTheLine(u))
                c = QChar(QChar::ReplacementCharacter);
        }
    }
    if (cut)
        shown += QChar(0x2026);
    return shown;
}

namespace {
// Texts freed whenever pending events run: about a millisecond's work.
constexpr size_t ReleaseSliceSize = 50000;
} // namespace

ListModel::ListModel(QObject* parent) : QAbstractListModel(parent) {}

void ListModel::scheduleFlush() {
    if (flushScheduled_)
        return;
    flushScheduled_ = true;
    QMetaObject::invokeMethod(this, &ListModel::flush, Qt::QueuedConnection);
}

void ListModel::append(const QString& text) {
    items_.push_back(text);
    scheduleFlush();
}

void ListModel::append(QStringList texts) {
    for (QString& text : texts)
        items_.push_back(std::move(text));
    scheduleFlush();
}

void ListModel::flush() {
    flushScheduled_ = false;
    const qsizetype total = count();
    if (total == shown_)
        return;
    beginInsertRows(QModelIndex(), int(shown_), int(total - 1));
    shown_ = total;
    endInsertRows();
}

void ListModel::removeAt(qsizetype row) {
    flush();
    beginRemoveRows(QModelIndex(), int(row), int(row));
    items_.erase(items_.begin() + row);
    shown_ = count();
    endRemoveRows();
    ++removals_;
}

void ListModel::removeFlagged(const std::vector<bool>& flagged) {
    flush();
    const qsizetype n = qMin(count(), qsizetype(flagged.size()));
    qsizetype flaggedCount = 0;
    for (qsizetype i = 0; i < n; ++i)
        flaggedCount += flagged[size_t(i)] ? 1 : 0;
    if (flaggedCount == 0)
        return;
    // One pass that keeps the survivors in order: removing rows one by one
    // would cost time in proportion to the list for every row removed.
    beginResetModel();
    // Survivors are swapped forward, so the removed texts gather at the end.
    size_t kept = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (i < size_t(n) && flagged[i])
            continue;
        if (kept != i)
            std::swap(items_[kept], items_[i]);
        ++kept;
    }
    release(items_.begin() + qsizetype(kept), items_.end());
    items_.resize(kept);
    shown_ = count();
    endResetModel();
    ++removals_;
}

void ListModel::clear() {
    beginResetModel();
    if (released_.empty()) {
        released_.swap(items_); // the whole list at once, not text by text
        scheduleRelease();
    } else {
        release(items_.begin(), items_.end());
    }
    items_ = Texts();
    shown_ = 0;
    endResetModel();
    ++removals_;
}

void ListModel::release(Texts::iterator from, Texts::iterator to) {
    released_.insert(released_.end(), std::make_move_iterator(from), std::make_move_iterator(to));
    scheduleRelease();
}

void ListModel::scheduleRelease() {
    if (released_.empty() || releaseScheduled_)
        return;
    releaseScheduled_ = true;
    // What is posted while posted events are delivered waits for the next pass
    // of the event loop: one slice per pass.
    QMetaObject::invokeMethod(this, &ListModel::releaseSlice, Qt::QueuedConnection);
}

void ListModel::releaseSlice() {
    releaseScheduled_ = false;
    const size_t n = std::min(released_.size(), ReleaseSliceSize);
    released_.resize(released_.size() - n);
    if (released_.empty())
        Texts().swap(released_);
    scheduleRelease();
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shown_);
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= shown_)
        return {};
    if (role == Qt::DisplayRole)
        return ShownText(items_[size_t(index.row())]);
    return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return header_;
    return {};
}

ListPass::ListPass(ListModel& model) : model_(model), size_(model.count()) {
    removing_ =
        QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, [this] { keepCopy(); });
    resetting_ =
        QObject::connect(&model, &QAbstractItemModel::modelAboutToBeReset, [this] { keepCopy(); });
}

ListPass::~ListPass() {
    close();
}

void ListPass::close() {
    QObject::disconnect(removing_);
    QObject::disconnect(resetting_);
}

void ListPass::keepCopy() {
    if (changed_)
        return;
    // Until now nothing was removed: the pass's items are still the first ones.
    copy_.reserve(size_t(size_));
    for (qsizetype i = 0; i < size_; ++i)
        copy_.push_back(model_.at(i));
    changed_ = true;
}
