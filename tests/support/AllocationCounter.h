#pragma once
#include <cstddef>

// Counts the heap allocations made on the calling thread while it lives. The count comes from
// replacement global operator new functions (every form, array and aligned ones included),
// which this file's source installs in any test binary that links the support library.
//
//   AllocationCounter counter;
//   work();
//   EXPECT_EQ(counter.count(), 0u);
class AllocationCounter {
public:
    AllocationCounter();
    // Allocations on this thread since construction.
    std::size_t count() const;

private:
    std::size_t startCount;
};

// Allocations on the calling thread since it started; never decreases.
std::size_t threadAllocations();
