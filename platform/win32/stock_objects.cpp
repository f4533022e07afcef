#include "platform/win32/stock_objects.h"

#include <iterator>

namespace {

HICON__ applicationIcon{};
HICON__ arrowCursor{};
HBRUSH__ stockObjects[20]{};

}  // namespace

HICON LoadIconA(HINSTANCE, LPCSTR) { return &applicationIcon; }

HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return &arrowCursor; }

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object >= static_cast<int>(std::size(stockObjects))) return nullptr;
  return &stockObjects[object];
}

namespace latticegas_win32 {

std::optional<std::uint8_t> StockBrushGrey(HBRUSH brush) {
  const std::uintptr_t at = reinterpret_cast<std::uintptr_t>(brush);
  const std::uintptr_t first = reinterpret_cast<std::uintptr_t>(&stockObjects[0]);
  if (at < first || (at - first) % sizeof(HBRUSH__) != 0) return std::nullopt;
  static constexpr std::uint8_t kGreys[] = {255, 192, 128, 64, 0};  // WHITE_BRUSH to BLACK_BRUSH
  const std::uintptr_t index = (at - first) / sizeof(HBRUSH__);
  if (index >= std::size(kGreys)) return std::nullopt;
  return kGreys[index];
}

}  // namespace latticegas_win32
