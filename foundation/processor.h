#pragma once
// What the processor running us can do, for code with a faster path on newer
// processors.

namespace trellimap {

// Whether it runs AVX2 and FMA instructions.
bool HasAvx2();

// Whether it also runs the AVX-512 foundation with its shorter vectors.
bool HasAvx512();

}  // namespace trellimap
