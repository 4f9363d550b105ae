// Replaces the global operator new and delete of the binary to count the bytes held.
#include "AllocationMeter.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<std::size_t> Held{0};
std::atomic<std::size_t> MostHeld{0};

void* Take(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    const std::size_t now = Held += malloc_usable_size(p);
    std::size_t most = MostHeld.load();
    while (now > most && !MostHeld.compare_exchange_weak(most, now)) {
    }
    return p;
}

void Give(void* p) noexcept {
    if (!p)
        return;
    Held -= malloc_usable_size(p);
    std::free(p);
}

} // namespace

void* operator new(std::size_t size) {
    return Take(size);
}
void* operator new[](std::size_t size) {
    return Take(size);
}
void operator delete(void* p) noexcept {
    Give(p);
}
void operator delete[](void* p) noexcept {
    Give(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Give(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Give(p);
}

TAllocationMeter::TAllocationMeter() : Base(Held.load()) {
    MostHeld = Base;
}

std::size_t TAllocationMeter::Peak() const {
    return MostHeld.load() - Base;
}
