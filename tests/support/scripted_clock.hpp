// Test clocks for the search: installed through the clock seam for the life
// of one object, so every reading is exactly the one a test expects.
#pragma once

#include <cstdint>
#include <functional>

#include "search/clock.hpp"

namespace tolp::testing {

// Each reading returns `readings(k)` for the k-th reading, counted from 0.
class ScriptedClock {
public:
    explicit ScriptedClock(std::function<std::int32_t(std::int64_t)> readings) {
        script() = std::move(readings);
        count() = 0;
        clock_source = &read;
    }
    ~ScriptedClock() { clock_source = nullptr; }
    ScriptedClock(const ScriptedClock&) = delete;
    ScriptedClock& operator=(const ScriptedClock&) = delete;

    std::int64_t readings_taken() const { return count(); }

private:
    static std::function<std::int32_t(std::int64_t)>& script() {
        static std::function<std::int32_t(std::int64_t)> f;
        return f;
    }
    static std::int64_t& count() {
        static std::int64_t k = 0;
        return k;
    }
    static std::int32_t read() { return script()(count()++); }
};

// Readings 0, 1, 2, ... starting at `first`: time advances by exactly one
// millisecond per reading.
class CountingClock : public ScriptedClock {
public:
    explicit CountingClock(std::int32_t first = 0)
        : ScriptedClock([first](std::int64_t k) {
              return static_cast<std::int32_t>(first + static_cast<std::int32_t>(k));
          }) {}
};

}  // namespace tolp::testing
