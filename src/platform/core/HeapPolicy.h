#pragma once

#include <cstddef>
#include <string>

namespace pw::core {

// How the process's heap treats memory it has freed. By default the C library
// gives the top of the heap back to the system as soon as 128 KB of it is
// free; a reader that loads a chapter list or a page window, drops it and
// loads the next then pays a page fault for every page of the next one (most
// of the time of reading a 5,000-chapter list went there). Keeping up to
// `bytes` of freed memory makes the next load reuse it.
class HeapPolicy {
public:
    static constexpr std::size_t kDefaultRetainedBytes = 64u << 20;

    // Called once at start-up by the app (and by the benchmarks that measure
    // what the app does); false when the C library refused the setting.
    static bool retainFreedMemory(std::size_t bytes = kDefaultRetainedBytes);

    // Asks the system to back the whole 2 MB pages inside a large buffer that
    // is about to be filled (a body of many megabytes received into memory)
    // with huge pages: filling it then takes one page fault per 2 MB instead
    // of one per 4 KB, and the faults were most of the time of receiving such
    // a body. Buffers under 4 MB are left alone; false when nothing was advised.
    static bool preferHugePages(void* data, std::size_t bytes);
    // Sets room for bytes aside in text, and prefers huge pages for it as above.
    static void reserveWithHugePages(std::string& text, std::size_t bytes);
};

} // namespace pw::core
