// Counts the program's heap allocations: linking AllocationCounter.cpp into a
// program replaces every form of operator new and delete with counting ones.
#pragma once

#include <cstddef>

// Allocations made through operator new since the program started.
size_t AllocationCount();
