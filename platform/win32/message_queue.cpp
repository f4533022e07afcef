#include "platform/win32/message_queue.h"

#include <algorithm>

namespace latticegas_win32 {

bool MessageFilter::Matches(const MSG& message) const {
  if (message.message == WM_QUIT) return true;
  if (window != nullptr && message.hwnd != window) return false;
  if (first == 0 && last == 0) return true;
  return message.message >= first && message.message <= last;
}

void MessageQueue::Push(const MSG& message) { messages_.push_back(message); }

std::optional<MSG> MessageQueue::Peek(const MessageFilter& filter, bool remove) {
  const auto found = std::find_if(messages_.begin(), messages_.end(),
                                  [&](const MSG& message) { return filter.Matches(message); });
  if (found == messages_.end()) return std::nullopt;
  const MSG message = *found;
  if (remove) messages_.erase(found);
  return message;
}

bool MessageQueue::Holds(HWND window, UINT message) const {
  return std::any_of(messages_.begin(), messages_.end(), [&](const MSG& queued) {
    return queued.hwnd == window && queued.message == message;
  });
}

void MessageQueue::DropAllOf(HWND window) {
  std::erase_if(messages_, [window](const MSG& message) { return message.hwnd == window; });
}

}  // namespace latticegas_win32
