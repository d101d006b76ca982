#pragma once

// The library's large blocks (pixel caches, a resize's intermediate picture) freed while
// a run is on wait for the run's next picture instead of going back to the system: a
// fresh block costs a page fault every 4 KiB, and each return to the system stalls the
// faults of every other file in work, as they share one address space.

#include <cstddef>

// The library's aligned memory goes through here from now on.
void InstallPixelMemory(void (*install)(void *(*acquire)(size_t, size_t), void (*relinquish)(void *)));

// Blocks are kept while one of these lives; the last one gone hands them all back.
class TPixelMemoryRun
{
public:
    TPixelMemoryRun();
    ~TPixelMemoryRun();
    TPixelMemoryRun(const TPixelMemoryRun &) = delete;
    TPixelMemoryRun &operator=(const TPixelMemoryRun &) = delete;
};

// Bytes kept for reuse at the moment, for tests.
size_t KeptPixelMemory();
