// A read-only stdio stream over the fuzzer's bytes, NULs included.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

namespace tolp::fuzzing {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// fmemopen refuses an empty buffer, so empty input reads from an empty file.
inline File open_bytes(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return File(std::fopen("/dev/null", "rb"));
    }
    return File(fmemopen(const_cast<std::uint8_t*>(data), size, "rb"));
}

}  // namespace tolp::fuzzing
