// Counts heap allocations (malloc, calloc, realloc, operator new) made on the
// calling thread, in this binary and in every library it loaded.
#pragma once

namespace strellon::test {

void startCountingAllocations();
// Stops counting and returns how many allocations were made since the start.
int stopCountingAllocations();

}  // namespace strellon::test
