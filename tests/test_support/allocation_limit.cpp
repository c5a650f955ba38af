#include "test_support/allocation_limit.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace tessaly::test {
namespace {

// 0: no limit.
std::atomic<std::size_t> g_limit{0};

}  // namespace

ScopedAllocationLimit::ScopedAllocationLimit(std::size_t bytes) : m_previous(g_limit.exchange(bytes)) {}
ScopedAllocationLimit::~ScopedAllocationLimit() { g_limit.store(m_previous); }

}  // namespace tessaly::test

void* operator new(std::size_t size) {
  std::size_t limit = tessaly::test::g_limit.load(std::memory_order_relaxed);
  if (limit != 0 && size >= limit) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
