// The command driver as a libFuzzer target: the input is a grid size and a
// sequence of user messages and frames (see CommandDriver::RunBytes); any
// failed check aborts, so libFuzzer keeps the input as a crash.
#include <cstdio>
#include <cstdlib>

#include "command_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static latticegas_test::CommandDriver* driver = new latticegas_test::CommandDriver();
  const std::string failure = driver->RunBytes(data, size);
  if (!failure.empty()) {
    std::fprintf(stderr, "command driver: %s\nlast commands:\n%s", failure.c_str(), driver->Trace().c_str());
    std::abort();
  }
  return 0;
}
