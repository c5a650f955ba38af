// Makes large allocations fail for the length of a scope, so that tests can reach the
// out-of-memory paths. A test binary that uses it links allocation_limit.cpp, which
// replaces the global operator new.
#pragma once

#include <cstddef>

namespace tessaly::test {

class ScopedAllocationLimit {
 public:
  // Every allocation of at least `bytes` bytes throws std::bad_alloc while this lives.
  explicit ScopedAllocationLimit(std::size_t bytes);
  ~ScopedAllocationLimit();
  ScopedAllocationLimit(const ScopedAllocationLimit&) = delete;
  ScopedAllocationLimit& operator=(const ScopedAllocationLimit&) = delete;

 private:
  std::size_t m_previous;
};

}  // namespace tessaly::test
