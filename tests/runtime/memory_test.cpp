#include "runtime/memory.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <cstddef>
#include <memory>

namespace melquon {
namespace {

std::size_t MappedBytes() {
  return mallinfo2().hblkhd;
}

// A block the compiler can't leave out: the allocation is what the test is about.
std::unique_ptr<char[]> Allocate(std::size_t aBytes) {
  auto block = std::make_unique_for_overwrite<char[]>(aBytes);
  asm volatile("" : : "r"(block.get()) : "memory");
  return block;
}

// Left to itself glibc raises its mmap threshold to the size of a large block once freed, and
// the next day buffer comes from the heap, where it stays resident after the run.
TEST(Allocator, LargeBlocksStayMappedAfterALargerOneWasFreed) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer has an allocator of its own";
#endif
  SetUpAllocator();
  Allocate(std::size_t{16} << 20).reset();
  const std::size_t before = MappedBytes();
  const auto dayBuffer = Allocate(std::size_t{2} << 20);
  EXPECT_GE(MappedBytes() - before, std::size_t{2} << 20);
}

}  // namespace
}  // namespace melquon
