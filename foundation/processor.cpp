#include "foundation/processor.h"

namespace trellimap {

// Asked once, after the processor's description is read (static initialisers
// may run before it is).
bool HasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  return has;
}

bool HasAvx512() {
  static const bool has = [] {
    __builtin_cpu_init();
    return HasAvx2() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
  }();
  return has;
}

bool HasAvx512Vnni() {
  static const bool has = [] {
    __builtin_cpu_init();
    return HasAvx512() && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi") &&
           __builtin_cpu_supports("avx512vnni") && __builtin_cpu_supports("avx512dq");
  }();
  return has;
}

}  // namespace trellimap
