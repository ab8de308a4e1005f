#pragma once
// The installation reports every file it copies, thousands a second on a fast disk; redrawing
// the status line and the bar for each would cost more than the copying. The pacer keeps the
// latest report and lets the window show it at most once per frame, and lets it look at its
// message queue at most once per (shorter) turn, so the window still moves and answers within
// a turn and one file's copy while the work goes at the speed of a plain copy.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace bramlow {

// How often an installation shows its progress, and how often it looks at its message queue
// (finding it empty costs next to nothing), in milliseconds. Ten pictures a second still read
// as steady progress, and each one is a round of requests to the window system that the
// copying waits behind.
inline constexpr uint32_t kProgressFrameMs = 100;
inline constexpr uint32_t kMessageTurnMs = 10;

class ProgressPacer {
 public:
  // What the window should show now; an empty field is left as it is.
  struct Due {
    std::optional<std::wstring> status;
    std::optional<int> position;
    bool Empty() const { return !status && !position; }
  };

  // now: a millisecond clock that may wrap around (GetTickCount). turnMs: how often PumpDue
  // says yes; the frame when not given.
  ProgressPacer(std::function<uint32_t()> now, uint32_t frameMs, uint32_t turnMs = 0)
      : now_(std::move(now)), frameMs_(frameMs), turnMs_(turnMs ? turnMs : frameMs) {}

  void Status(std::wstring text) { status_ = std::move(text); }
  void Position(int position) { position_ = position; }

  // The reports kept since the last showing, once a frame has passed since it (at once the
  // first time, and always when `all` - before the window changes anything else).
  Due Take(bool all) {
    Due due;
    if (!status_ && !position_) return due;
    if (!all && !Passed(shown_, shownOnce_, frameMs_)) return due;
    shown_ = now_();
    shownOnce_ = true;
    due.status = std::move(status_);
    due.position = position_;
    status_.reset();
    position_.reset();
    return due;
  }

  // True when a turn has passed since the last time it said so (and the first time).
  bool PumpDue() {
    if (!Passed(pumped_, pumpedOnce_, turnMs_)) return false;
    pumped_ = now_();
    pumpedOnce_ = true;
    return true;
  }

 private:
  bool Passed(uint32_t since, bool once, uint32_t ms) const {
    return !once || static_cast<uint32_t>(now_() - since) >= ms;
  }

  std::function<uint32_t()> now_;
  uint32_t frameMs_;
  uint32_t turnMs_;
  std::optional<std::wstring> status_;
  std::optional<int> position_;
  uint32_t shown_ = 0, pumped_ = 0;
  bool shownOnce_ = false, pumpedOnce_ = false;
};

}  // namespace bramlow
