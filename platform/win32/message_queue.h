#pragma once
// The thread's message queue: posted messages in the order they were posted.
#include <deque>
#include <optional>

#include "platform/win32/win32_sdk.h"

namespace latticegas_win32 {

// The messages a PeekMessageA call looks for: those of `window` (any window
// and the thread's own when null) numbered `first` to `last` (any when both
// are 0). WM_QUIT matches every filter, as on Windows.
struct MessageFilter {
  HWND window;
  UINT first;
  UINT last;

  bool Matches(const MSG& message) const;
};

class MessageQueue {
 public:
  void Push(const MSG& message);

  // The first message the filter matches, taken off the queue when `remove`.
  std::optional<MSG> Peek(const MessageFilter& filter, bool remove);

  bool Holds(HWND window, UINT message) const;

  // Drops every message of a window, as its destruction does.
  void DropAllOf(HWND window);

 private:
  std::deque<MSG> messages_;
};

}  // namespace latticegas_win32
