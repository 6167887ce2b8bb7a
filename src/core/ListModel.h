// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The texts of a list (the folder list or the results), as a model a view
// shows: items numbered from 1 at the commands' interface, in the order added.
// Appended items reach a view in batches, whenever pending events run.
#pragma once

#include <QAbstractListModel>
#include <QStringList>
#include <deque>
#include <vector>

// What a list draws of an item: at most ShownTextLength characters, then an
// ellipsis; control characters as the visible symbols of the Control Pictures
// block (a newline as U+240A), other characters that would break the line or
// reorder what is drawn, and bytes that are not UTF-8, as U+FFFD. The item
// keeps its exact text; only what is drawn is bounded, so that one very long
// item costs no more to show, measure or select than a path does.
constexpr qsizetype ShownTextLength = 4096;
QString ShownText(const QString& text);

class ListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    explicit ListModel(QObject* parent = nullptr);

    // The list as the commands see it: items numbered from 1.
    void Add(const QString& text) { append(text); }
    int Count() const { return int(count()); }
    QString Item(int i) const { return at(i - 1); }
    void Remove(int i) { removeAt(i - 1); }
    void Clear() { clear(); }

    void append(const QString& text);
    void append(QStringList texts);
    qsizetype count() const { return qsizetype(items_.size()); }
    const QString& at(qsizetype row) const { return items_[size_t(row)]; }
    void removeAt(qsizetype row);
    // Removes the rows whose flag is set, in runs; keeps the others in order.
    void removeFlagged(const std::vector<bool>& flagged);
    void clear();
    // Grows on every change that removes items, so a pass can tell that the
    // item numbers it holds may name other items now.
    quint64 removals() const { return removals_; }

    void setHeader(const QString& caption) { header_ = caption; }
    // Hands the appended items to the view.
    void flush();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    void scheduleFlush();
    // Freeing a million texts takes tens of milliseconds, too long to hold up
    // the window: the texts that a clear or a removal of many items drops are
    // freed a slice at a time, one slice whenever pending events run.
    // Held in blocks: a list of a million grows without ever moving them all
    // at once, which would hold up the window for tens of milliseconds.
    using Texts = std::deque<QString>;
    void release(Texts::iterator from, Texts::iterator to);
    void scheduleRelease();
    void releaseSlice();

    Texts items_;
    Texts released_;
    bool releaseScheduled_ = false;
    qsizetype shown_ = 0;
    bool flushScheduled_ = false;
    quint64 removals_ = 0;
    QString header_;
};

// The items of a list as they were when a long pass over them began, for a
// pass that yields while other commands may change the list. Nothing is copied
// up front: the items are read from the list itself until something is about
// to be removed from it, and from a copy taken at that moment from then on.
// Items appended meanwhile are not part of the pass.
class ListPass {
  public:
    explicit ListPass(ListModel& model);
    ~ListPass();
    ListPass(const ListPass&) = delete;
    ListPass& operator=(const ListPass&) = delete;

    qsizetype size() const { return size_; }
    // Item i (from 0) as it was when the pass began; good until the next yield.
    const QString& at(qsizetype i) const { return changed_ ? copy_[size_t(i)] : model_.at(i); }
    // True once items were removed from the list during the pass: its item
    // numbers may name other items now.
    bool listChanged() const { return changed_; }
    // Ends the pass: what happens to the list from now on is not its concern.
    void close();

  private:
    void keepCopy();

    ListModel& model_;
    qsizetype size_;
    bool changed_ = false;
    std::vector<QString> copy_;
    QMetaObject::Connection removing_, resetting_;
};
