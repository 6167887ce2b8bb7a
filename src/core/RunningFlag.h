// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Marks a command as under way for its whole run, also when it leaves early,
// so that a second start during its yields can be refused.
#pragma once

class RunningFlag {
  public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningFlag() { flag_ = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

  private:
    bool& flag_;
};
