#pragma once
// The stock objects, the application icon and the arrow cursor: handles that
// only need to be distinct and lasting (LoadIconA, LoadCursorA and
// GetStockObject in win32_sdk.h), and the colours of the stock brushes.
#include <cstdint>
#include <optional>

#include "platform/win32/win32_sdk.h"

namespace latticegas_win32 {

// The grey level of a stock brush, as Windows fills a client area with it:
// 255 for WHITE_BRUSH to 0 for BLACK_BRUSH. None for the null brush and any
// other (the window is then left as it is).
std::optional<std::uint8_t> StockBrushGrey(HBRUSH brush);

}  // namespace latticegas_win32
