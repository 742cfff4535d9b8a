#include "bench/heap_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> g_heap_now{0};
std::atomic<std::size_t> g_heap_peak{0};

// Each block carries its size in front, keeping the default alignment.
constexpr std::size_t kHeader = alignof(std::max_align_t);

}  // namespace

void* operator new(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  const std::size_t now = g_heap_now.fetch_add(size, std::memory_order_relaxed) + size;
  std::size_t peak = g_heap_peak.load(std::memory_order_relaxed);
  while (now > peak && !g_heap_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
  return static_cast<char*>(block) + kHeader;
}

void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - kHeader;
  g_heap_now.fetch_sub(*static_cast<std::size_t*>(block), std::memory_order_relaxed);
  std::free(block);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace codetwin::bench {

std::size_t heap_in_use() { return g_heap_now.load(); }
std::size_t heap_peak() { return g_heap_peak.load(); }
void reset_heap_peak() { g_heap_peak.store(g_heap_now.load()); }

}  // namespace codetwin::bench
