#pragma once
// What the processor running us can do, for code with a faster path on newer
// processors.

// Builds the function that follows once for each named processor (and
// "default"), the best one chosen when the program is loaded. The choosing
// function runs before ThreadSanitizer's runtime is up, and instrumented it
// crashes there; so under ThreadSanitizer only the default build is made.
#if defined(__SANITIZE_THREAD__)
#define TRELLIMAP_CLONES(...)
#else
#define TRELLIMAP_CLONES(...) __attribute__((target_clones(__VA_ARGS__)))
#endif

namespace trellimap {

// Whether it runs AVX2 and FMA instructions.
bool HasAvx2();

// Whether it also runs the AVX-512 foundation with its shorter vectors.
bool HasAvx512();

// Whether it also runs AVX-512's byte and word instructions, its byte
// permutes, word dot products and float reductions (BW, VBMI, VNNI, DQ).
bool HasAvx512Vnni();

}  // namespace trellimap
