#pragma once
// The memory a piece of code takes through operator new: the test binary that links
// AllocationMeter.cpp counts every allocation. One meter at a time.

#include <cstddef>

class TAllocationMeter {
public:
    TAllocationMeter();
    // The most bytes held at once since the meter was made, beyond what was held then.
    std::size_t Peak() const;

private:
    std::size_t Base;
};
