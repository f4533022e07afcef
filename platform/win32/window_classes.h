#pragma once
// The window classes RegisterClassA makes, found by name in any case, as on
// Windows. Records are never removed; unregistering only marks them.
#include <deque>
#include <string>

#include "platform/win32/win32_sdk.h"

namespace latticegas_win32 {

// How CreateWindowExA and UnregisterClassA may name a class.
enum class ClassNames {
  // By name, or by the atom RegisterClassA returned, passed in place of the
  // name (a value up to 0xFFFF), as on Windows.
  namesOrAtoms,
  // By name only: where memory starts at address 0 (WebAssembly), a small
  // value is as likely a string as an atom, and the program passes no atoms.
  namesOnly,
};

struct WindowClass {
  std::string name;
  WNDPROC procedure;
  HBRUSH background;
  bool registered;
};

class WindowClasses {
 public:
  explicit WindowClasses(ClassNames naming) : naming_(naming) {}

  // The new class's atom; 0 without a name, for a name taken, and once the
  // atoms run out.
  ATOM Register(const WNDCLASSA* windowClass);

  // The registered class of that name (or atom); null for any other.
  WindowClass* Find(LPCSTR name);

 private:
  bool IsAtom(LPCSTR name) const;
  WindowClass* FindByAtom(LPCSTR atom);
  WindowClass* FindByName(LPCSTR name);

  ClassNames naming_;
  std::deque<WindowClass> classes_;  // the atom is 0xC000 + index
};

}  // namespace latticegas_win32
