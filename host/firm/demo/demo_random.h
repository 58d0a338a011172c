// The demo firm's randomness.  It depends on nothing but the seed: the
// standard library's distributions differ between implementations, and a
// firm made with them would too.  For the same reason no two draws stand
// where the language leaves their order to the compiler: as the operands of
// one + or *, or as two arguments of one call.
#pragma once

#include <cstddef>
#include <cstdint>

namespace demo_firm {

class Random {
public:
    explicit Random(unsigned seed)
        : state_(0x5DEECE66Dull * (static_cast<uint64_t>(seed) + 1))
    {
    }

    uint64_t Next()
    {
        // splitmix64
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool PerMille(int chance) { return Below(1000) < chance; }
    uint32_t Word() { return static_cast<uint32_t>(Next() >> 32); }

private:
    uint64_t state_;
};

// One of the items, each as likely.
template <typename T, std::size_t N> const T& Pick(Random& random, const T (&items)[N])
{
    return items[random.Below(static_cast<int>(N))];
}

// A value and how often it is picked, relative to the rest of its table.
template <typename T> struct Weighted {
    T value;
    int weight;
};

template <typename T, std::size_t N> T PickWeighted(Random& random, const Weighted<T> (&table)[N])
{
    int total = 0;
    for (const auto& entry : table)
        total += entry.weight;
    int x = random.Below(total);
    for (const auto& entry : table) {
        if (x < entry.weight)
            return entry.value;
        x -= entry.weight;
    }
    return table[N - 1].value;
}

} // namespace demo_firm
