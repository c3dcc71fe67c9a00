#ifndef MARL_ATTRACTOR_FAST_ORBIT_KERNEL_H_
#define MARL_ATTRACTOR_FAST_ORBIT_KERNEL_H_

#include <cstddef>
#include <cstdint>

#include "attractor/torus_map.h"

namespace marl {

// Orbits are stepped in groups of this many; a SIMD target with fewer lanes
// steps a group as several vectors, so the grouping (and so the work of each
// orbit) is the same on every target.
constexpr std::size_t FastKernelGroup = 8;
// Likewise in single precision, twice as many lanes a vector.
constexpr std::size_t FastSingleGroup = 16;

// A cell as the kernel reports it: its row in the high 16 bits, its column
// in the low 16, so that any side up to 65535 fits 32 bits (a whole-grid
// index would not: side 65535 has 4.3e9 cells with the margin).
constexpr uint32_t packCell(uint32_t row, uint32_t column) {
  return row << 16 | column;
}
constexpr uint32_t cellRow(uint32_t packed) { return packed >> 16; }
constexpr uint32_t cellColumn(uint32_t packed) { return packed & 0xFFFFu; }

// One map and the side of the grid it counts into, flattened for the
// kernel.
struct FastKernelMap {
  FastKernelMap(const TorusMap& map, uint32_t side);

  int32_t detail;
  double angleScale;
  double linearCoefficient;
  double offsetX;
  double offsetY;
  double side;  // cells per row of the counted square (at most 65535)
  // Row-major, TorusMap::MaxDetail entries per row.
  double matrix[TorusMap::MaxDetail * TorusMap::MaxDetail];
};

// Steps `orbits` independent orbits (a multiple of FastKernelGroup) of `map`
// `steps` times each. xs[o], ys[o] hold orbit o's point and are left at its
// last one. After step s, the cell packCell(row, column) (column =
// int(x * side), row = int(side * y)) of orbit o is written to
// cells[s * orbits + o]. Unlike TorusMap::iterate, the harmonics come from
// the angle-addition formulas and the sums use fused multiply-add, so points
// agree with the exact step only to a few units in the last place.
void stepFastOrbits(const FastKernelMap& map, double* xs, double* ys,
                    std::size_t orbits, std::size_t steps, uint32_t* cells);
// The same in single precision (orbits a multiple of FastSingleGroup):
// twice the lanes a vector, each point to about 1e-7.
void stepFastOrbits(const FastKernelMap& map, float* xs, float* ys,
                    std::size_t orbits, std::size_t steps, uint32_t* cells);

// Name of the SIMD target the kernel dispatches to on this processor.
const char* fastKernelTarget();

}  // namespace marl

#endif  // MARL_ATTRACTOR_FAST_ORBIT_KERNEL_H_
