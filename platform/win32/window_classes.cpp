#include "platform/win32/window_classes.h"

#include <strings.h>

#include <cstdint>

namespace latticegas_win32 {
namespace {

constexpr std::uintptr_t kFirstAtom = 0xC000;
constexpr std::size_t kMostClasses = 0x4000;  // the atoms 0xC000 to 0xFFFF

}  // namespace

ATOM WindowClasses::Register(const WNDCLASSA* windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
      IsAtom(windowClass->lpszClassName) || Find(windowClass->lpszClassName) != nullptr)
    return 0;
  if (classes_.size() >= kMostClasses) return 0;
  classes_.push_back(WindowClass{windowClass->lpszClassName, windowClass->lpfnWndProc,
                                 windowClass->hbrBackground, true});
  return static_cast<ATOM>(kFirstAtom + classes_.size() - 1);
}

WindowClass* WindowClasses::Find(LPCSTR name) {
  if (name == nullptr) return nullptr;
  return IsAtom(name) ? FindByAtom(name) : FindByName(name);
}

bool WindowClasses::IsAtom(LPCSTR name) const {
  return naming_ == ClassNames::namesOrAtoms && reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF;
}

WindowClass* WindowClasses::FindByAtom(LPCSTR atom) {
  const auto value = reinterpret_cast<std::uintptr_t>(atom);
  if (value < kFirstAtom || value - kFirstAtom >= classes_.size()) return nullptr;
  WindowClass& windowClass = classes_[value - kFirstAtom];
  return windowClass.registered ? &windowClass : nullptr;
}

WindowClass* WindowClasses::FindByName(LPCSTR name) {
  for (WindowClass& windowClass : classes_)
    if (windowClass.registered && strcasecmp(windowClass.name.c_str(), name) == 0)
      return &windowClass;  // as Windows: any case
  return nullptr;
}

}  // namespace latticegas_win32
