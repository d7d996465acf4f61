#pragma once

#include <cstdint>
#include <iterator>
#include <random>

namespace spawn::demo {

// Deterministic draws built on mt19937 alone (the standard distributions differ between
// library implementations), so the demo files are the same on every machine.
class Dice {
public:
    explicit Dice(std::uint32_t seed) : m_engine(seed) {}

    // A whole number in [lo, hi].
    std::int32_t between(std::int32_t lo, std::int32_t hi) {
        const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - lo + 1);
        return static_cast<std::int32_t>(lo + static_cast<std::int64_t>(m_engine() % span));
    }
    // A number in [0, 1).
    double unit() { return static_cast<double>(m_engine()) / 4294967296.0; }
    double between(double lo, double hi) { return lo + (hi - lo) * unit(); }
    bool chance(double p) { return unit() < p; }
    // One of the items of a non-empty container.
    template <class Container> const auto& pick(const Container& items) {
        return items[static_cast<std::size_t>(between(0, static_cast<std::int32_t>(std::size(items)) - 1))];
    }

private:
    std::mt19937 m_engine;
};

} // namespace spawn::demo
