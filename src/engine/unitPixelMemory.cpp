#include "engine/unitPixelMemory.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <unordered_map>

namespace {

// Smaller blocks come and go through the allocator's own free lists.
constexpr size_t kLargeBlock = size_t(4) << 20;
// At most this much waits for reuse; more goes back at once.
constexpr size_t kMostKept = size_t(256) << 20;

struct TBlocks
{
    std::mutex Lock;
    // Every large block handed out or kept, with its size.
    std::unordered_map<void *, size_t> Sizes;
    std::multimap<size_t, void *> Kept;
    size_t KeptBytes = 0;
    int Runs = 0;
};

TBlocks &blocks()
{
    static TBlocks *all = new TBlocks; // outlives every thread that frees into it
    return *all;
}

void *acquire(size_t size, size_t alignment)
{
    TBlocks &all = blocks();
    if (size >= kLargeBlock) {
        const std::lock_guard<std::mutex> locked(all.Lock);
        // A kept block at most a quarter larger: the photos of a batch mostly share a size.
        const auto kept = all.Kept.lower_bound(size);
        if (kept != all.Kept.end() && kept->first - size <= size / 4) {
            void *block = kept->second;
            all.KeptBytes -= kept->first;
            all.Kept.erase(kept);
            return block;
        }
    }
    void *block = nullptr;
    if (posix_memalign(&block, alignment < sizeof(void *) ? sizeof(void *) : alignment, size) != 0)
        return nullptr;
    if (size >= kLargeBlock) {
        const std::lock_guard<std::mutex> locked(all.Lock);
        all.Sizes.emplace(block, size);
    }
    return block;
}

void relinquish(void *block)
{
    if (!block)
        return;
    TBlocks &all = blocks();
    {
        const std::lock_guard<std::mutex> locked(all.Lock);
        const auto found = all.Sizes.find(block);
        if (found != all.Sizes.end()) {
            if (all.Runs > 0 && all.KeptBytes + found->second <= kMostKept) {
                all.Kept.emplace(found->second, block);
                all.KeptBytes += found->second;
                return;
            }
            all.Sizes.erase(found);
        }
    }
    std::free(block);
}

} // namespace

void InstallPixelMemory(void (*install)(void *(*)(size_t, size_t), void (*)(void *)))
{
    if (install)
        install(acquire, relinquish);
}

TPixelMemoryRun::TPixelMemoryRun()
{
    TBlocks &all = blocks();
    const std::lock_guard<std::mutex> locked(all.Lock);
    ++all.Runs;
}

TPixelMemoryRun::~TPixelMemoryRun()
{
    TBlocks &all = blocks();
    std::multimap<size_t, void *> kept;
    {
        const std::lock_guard<std::mutex> locked(all.Lock);
        if (--all.Runs > 0)
            return;
        kept.swap(all.Kept);
        all.KeptBytes = 0;
        for (const auto &[size, block] : kept)
            all.Sizes.erase(block);
    }
    for (const auto &[size, block] : kept)
        std::free(block);
}

size_t KeptPixelMemory()
{
    TBlocks &all = blocks();
    const std::lock_guard<std::mutex> locked(all.Lock);
    return all.KeptBytes;
}
