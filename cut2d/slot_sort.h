#pragma once
// Stable merge sort of the population slots, shared by the genetic searches.
#include <algorithm>
#include <cstdint>

// Sorts slots[from, to) using buffer (as large as slots); first(a, b) is true when slot a must come before b.
// Stable, since the searches' orders tolerate ties within their tolerances.
template <class First>
void MergeSortSlots(int32_t* slots, int32_t* buffer, int32_t from, int32_t to, First first)
{
    if (to - from < 2) return;
    for (int32_t width = 1; width < to - from; width *= 2) {
        for (int32_t lo = from; lo < to; lo += 2 * width) {
            const int32_t mid = std::min(lo + width, to), hi = std::min(lo + 2 * width, to);
            int32_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) {
                if (first(slots[j], slots[i]))
                    buffer[k++] = slots[j++];
                else
                    buffer[k++] = slots[i++];
            }
            while (i < mid) buffer[k++] = slots[i++];
            while (j < hi) buffer[k++] = slots[j++];
        }
        std::copy(buffer + from, buffer + to, slots + from);
    }
}
