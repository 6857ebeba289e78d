#pragma once
// Counts heap allocations of the test program while counting is on.
namespace alloc_count {
extern bool counting;
extern long allocations;
}  // namespace alloc_count
