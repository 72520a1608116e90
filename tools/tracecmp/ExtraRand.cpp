// Preloaded by tools/tracecmp.sh --control: draws one number from rand() before the program
// starts, so that every number the program draws is the next one along, as a start-up with
// one draw too many would make them.
#include <cstdlib>

namespace {

[[gnu::constructor]] void drawOneMore() { static_cast<void>(std::rand()); }

}  // namespace
