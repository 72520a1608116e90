#include "platform/LibcRandom.h"

namespace {
constexpr int32_t kSeed = 1;  // what an unseeded rand() starts from
constexpr int32_t kMultiplier = 16807;
constexpr int32_t kModulus = 2147483647;
constexpr int32_t kQuotient = 127773;  // kModulus / kMultiplier
constexpr int32_t kRemainder = 2836;   // kModulus % kMultiplier
constexpr int kWarmUpRounds = 10;      // outputs discarded per state word after seeding
}  // namespace

LibcRandom::LibcRandom() { seed(kSeed); }

void LibcRandom::seed(uint32_t value)
{
    // The library keeps a zero seed from making an all-zero state.
    int32_t word = static_cast<int32_t>(value == 0 ? kSeed : value);
    state[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < kDegree; ++i) {
        // Park-Miller step done without overflow, as the library does it.
        const int32_t hi = word / kQuotient;
        const int32_t lo = word % kQuotient;
        word = kMultiplier * lo - kRemainder * hi;
        if (word < 0) {
            word += kModulus;
        }
        state[i] = static_cast<uint32_t>(word);
    }
    front = kSeparation;
    rear = 0;
    for (int i = 0; i < kWarmUpRounds * kDegree; ++i) {
        next();
    }
}

int32_t LibcRandom::next()
{
    state[front] += state[rear];
    const int32_t result = static_cast<int32_t>(state[front] >> 1);
    front = (front + 1) % kDegree;
    rear = (rear + 1) % kDegree;
    return result;
}
