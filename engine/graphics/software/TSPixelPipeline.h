// The software pixel pipeline's block routines and the choice of instruction
// set its loops run on.
#pragma once

#include <cstddef>

#include "engine/graphics/software/TSPixel555.h"

// Copies bytes between buffers that do not overlap.
void FastCopy(void* dst, const void* src, size_t bytes);
// Sets bytes to value.
void FastFill8(void* dst, BYTE value, size_t bytes);
// Sets count pixels to value.
void FastFill16(Pixel555* dst, Pixel555 value, size_t count);

// Whether the processor has what the pipeline's loops need. Always true on
// x86-64 (SSE2 is part of it) and where the portable loops run.
bool IsPixelPipelineSupported();

// The instruction sets the loops exist for; all of them give the same pixels.
enum class TSInstructionPath { Portable, SSE2, AVX2 };

// The widest path the processor has, chosen on first use.
TSInstructionPath GetInstructionPath();
// Runs the loops on path from now on; false (nothing changed) when the
// processor lacks it. Lets tests compare the paths.
bool SetInstructionPath(TSInstructionPath path);
