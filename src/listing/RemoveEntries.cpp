// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "listing/RemoveEntries.h"

#include "core/ErrorReport.h"
#include "core/ListModel.h"
#include "core/MousePointer.h"
#include "core/Ui.h"

#include <QHash>
#include <QVarLengthArray>
#include <vector>

namespace {

// Lowers ASCII texts into a reused buffer, so the common case costs no string
// per entry; other texts are lowered the general way.
class LoweredSearch {
  public:
    explicit LoweredSearch(QStringView lowered) : lowered_(lowered) {}

    bool foundIn(QStringView text) {
        const qsizetype n = text.size();
        buffer_.resize(n);
        const char16_t* in = text.utf16();
        char16_t* out = buffer_.data();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = in[i];
            if (c >= 0x80)
                return text.toString().toLower().contains(lowered_);
            out[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        }
        return QStringView(out, n).contains(lowered_);
    }

  private:
    QStringView lowered_;
    QVarLengthArray<char16_t, 512> buffer_;
};

void prune(ListModel& list, const QString& text, Ui& ui, bool removeContaining) {
    ListModel& model = list;
    // The scan works on the entries as they are now; another command that
    // changes the list while the scan yields can't make it read a vanished
    // entry or another one than it meant.
    ListPass scanned(model);
    const QString lowered = text.toLower();
    LoweredSearch search(lowered);
    std::vector<bool> marks(size_t(scanned.size()), false);
    qsizetype marked = 0;
    for (qsizetype i = 0; i < scanned.size(); ++i) {
        ui.yield();
        if (search.foundIn(scanned.at(i)) == removeContaining) {
            marks[size_t(i)] = true;
            ++marked;
        }
    }
    if (marked == 0)
        return;
    if (!scanned.listChanged()) {
        // Nothing was removed meanwhile: the scanned entries are still the first
        // rows, and anything appended meanwhile follows them and stays.
        scanned.close();
        model.removeFlagged(marks);
        return;
    }
    // Entries were removed meanwhile, so the row numbers no longer name the
    // entries scanned. Remove by text instead: of each marked text, at most as
    // many entries as the scan marked, first ones first.
    QHash<QString, qsizetype> wanted;
    for (qsizetype i = 0; i < scanned.size(); ++i) {
        if (marks[size_t(i)])
            ++wanted[scanned.at(i)];
    }
    std::vector<bool> flags(size_t(model.count()), false);
    for (qsizetype row = 0; row < model.count() && !wanted.isEmpty(); ++row) {
        const auto it = wanted.find(model.at(row));
        if (it == wanted.end())
            continue;
        flags[size_t(row)] = true;
        if (--it.value() == 0)
            wanted.erase(it);
    }
    model.removeFlagged(flags);
}

} // namespace

bool ContainsLowered(QStringView text, QStringView lowered) {
    return LoweredSearch(lowered).foundIn(text);
}

void RemoveEntriesContaining(ListModel& list, const QString& text, Ui& ui) {
    prune(list, text, ui, true);
}

void RemoveEntriesNotContaining(ListModel& list, const QString& text, Ui& ui) {
    prune(list, text, ui, false);
}

void RemoveEntriesCommand(Ui& ui, MousePointer& pointer, ListModel& list, bool containing,
                          const QString& location) {
    ErrorTrap trap(ui, location);
    QString answer;
    trap.at(100, [&] {
        answer = ui.inputBox(containing ? RemoveContainingPrompt : RemoveNotContainingPrompt);
    });
    bool empty = false;
    trap.at(102, [&] { empty = answer.isEmpty(); });
    if (empty)
        return;
    trap.at(104, [&] { pointer.set(MousePointer::Busy); });
    trap.at(106, [&] {
        if (containing)
            RemoveEntriesContaining(list, answer, ui);
        else
            RemoveEntriesNotContaining(list, answer, ui);
    });
    trap.at(108, [&] { pointer.set(MousePointer::Default); });
}
