#pragma once
// Counts allocations between a start and a stop. A program linking this
// library has every operator new and delete replaced, and, unless a
// sanitizer owns malloc (RUZOZ_SANITIZE), malloc and its relatives too, so
// that SDL's and the C library's allocations count as well.

namespace ruzoz::bench {

// From zero. thisThreadOnly: only the calling thread's allocations count
// (the game thread's; the audio threads may allocate).
void StartCountingAllocations(bool thisThreadOnly = false);
void StopCountingAllocations();
// Since the last start; safe to read while counting.
long CountedAllocations();
// Whether the C allocations are counted too.
bool CountsMalloc();

} // namespace ruzoz::bench
