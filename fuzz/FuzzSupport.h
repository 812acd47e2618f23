#pragma once
// What every fuzz target shares: a check that stops the run with the failed
// condition (libFuzzer then stores the input), and a reader that takes the
// fuzzed bytes apart without ever running past their end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace velt::fuzz {

[[noreturn]] inline void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    std::abort();
}

// For the harness's own loops: coverage is wanted of the code under test, and
// hooks on every comparison of a checking loop only slow the run down.
#define VELT_FUZZ_UNCOVERED __attribute__((no_sanitize("coverage")))

#define VELT_FUZZ_CHECK(condition)                                                                           \
    ((condition) ? static_cast<void>(0) : ::velt::fuzz::CheckFailed(#condition, __FILE__, __LINE__))

// Bytes taken from the front; past the end every byte reads as 0.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Empty() const { return size_ == 0; }
    size_t Left() const { return size_; }
    uint8_t Byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    // High byte first, as on the line.
    uint16_t Word() {
        const uint8_t high = Byte();
        return static_cast<uint16_t>(high << 8 | Byte());
    }
    // Up to n bytes; fewer when the input ends.
    std::string_view Bytes(size_t n) {
        if (n > size_) n = size_;
        const std::string_view taken(reinterpret_cast<const char*>(data_), n);
        data_ += n;
        size_ -= n;
        return taken;
    }
    std::string_view Rest() { return Bytes(size_); }

private:
    const uint8_t* data_;
    size_t size_;
};

} // namespace velt::fuzz
