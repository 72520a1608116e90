#pragma once

#include <array>
#include <cstdint>

// The C library's rand() as the demo sees it: glibc's additive feedback
// generator in its never-seeded state. The landscape is drawn from this
// sequence at start-up, so the floor texture can follow its hills.
class LibcRandom {
public:
    LibcRandom();

    // Starts the sequence again from `value`, as srand(value) does (0 counts as 1).
    void seed(uint32_t value);

    // The next value in 0..2147483647, as rand() would return it.
    int32_t next();

private:
    static constexpr int kDegree = 31;
    static constexpr int kSeparation = 3;

    std::array<uint32_t, kDegree> state{};
    int front = kSeparation;
    int rear = 0;
};
