#pragma once
// The COM count every object we hand out keeps: made with one reference,
// deleted when the last is released.
#include "platform/d3d9_api.h"

namespace latticegas_d3d9 {

template <typename Interface>
class RefCounted : public Interface {
 public:
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  ULONG refCount() const { return refs_; }

 protected:
  RefCounted() = default;
  ~RefCounted() override = default;

 private:
  ULONG refs_ = 1;
};

}  // namespace latticegas_d3d9
