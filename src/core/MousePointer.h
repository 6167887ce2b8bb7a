// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The pointer shape of the main window: one value for the whole window.
#pragma once

#include <functional>

class MousePointer {
  public:
    enum Shape { Default = 0, Busy = 11, Custom = 99 };

    int shape() const { return shape_; }
    bool isBusy() const { return shape_ == Busy; }
    void set(int shape) {
        shape_ = shape;
        if (onChange)
            onChange(shape_);
    }

    // Applies the shape to the window.
    std::function<void(int)> onChange;

  private:
    int shape_ = Default;
};

// Shows the busy pointer for one command and restores the default at its end,
// also when the command leaves early.
class BusyPointer {
  public:
    explicit BusyPointer(MousePointer& pointer) : pointer_(pointer) {
        pointer_.set(MousePointer::Busy);
    }
    ~BusyPointer() { pointer_.set(MousePointer::Default); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

  private:
    MousePointer& pointer_;
};
