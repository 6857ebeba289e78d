#include "allocation_counter.h"

#include <cstdlib>
#include <new>

namespace alloc_count {
bool counting = false;
long allocations = 0;
}  // namespace alloc_count

void* operator new(std::size_t size)
{
    if (alloc_count::counting) ++alloc_count::allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
