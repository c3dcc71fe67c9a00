// The SIMD step of many orbits at once. Highway compiles this file once per
// SIMD target (foreach_target.h re-includes it) and picks the best one the
// processor has at run time, so the binary needs no -march flag (with
// -march=native, Highway 1.0.3 and GCC 12 refuse to build it here).

#include "attractor/fast_orbit_kernel.h"

#include <limits>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "attractor/fast_orbit_kernel.cpp"
#include "hwy/foreach_target.h"  // must come before highway.h

#include "hwy/contrib/math/math-inl.h"
#include "hwy/highway.h"

HWY_BEFORE_NAMESPACE();
namespace marl {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

constexpr int32_t Harmonics = TorusMap::MaxDetail;

// sin(k a) and cos(k a) for k = 1..detail, lane by lane, harmonic k - 1 at
// sines[(k - 1) * N]. One vector sine and cosine; the rest by the addition
// formulas, which cost four multiplies instead of two more library calls.
template <class D, typename T = hn::TFromD<D>>
HWY_INLINE void harmonics(D d, hn::Vec<D> angle, int32_t detail,
                          T* HWY_RESTRICT sines, T* HWY_RESTRICT cosines) {
  const std::size_t N = hn::Lanes(d);
  const auto s1 = hn::Sin(d, angle);
  const auto c1 = hn::Cos(d, angle);
  hn::Store(s1, d, sines);
  hn::Store(c1, d, cosines);
  auto s = s1;
  auto c = c1;
  for (int32_t k = 1; k < detail; ++k) {
    const auto nextS = hn::MulAdd(s, c1, hn::Mul(c, s1));
    const auto nextC = hn::MulSub(c, c1, hn::Mul(s, s1));
    s = nextS;
    c = nextC;
    hn::Store(s, d, sines + k * N);
    hn::Store(c, d, cosines + k * N);
  }
}

// TorusMap::wrapToTorus, lane by lane.
template <class D>
HWY_INLINE hn::Vec<D> wrap(D d, hn::Vec<D> v) {
  const auto one = hn::Set(d, hn::TFromD<D>(1));
  const auto whole = hn::Trunc(v);
  const auto above = hn::Sub(v, whole);
  const auto below = hn::Add(v, hn::Sub(one, whole));
  return hn::IfThenElse(v > one, above,
                        hn::IfThenElse(v < hn::Zero(d), below, v));
}

// Both coordinates are in [0, 1], so truncation is the int conversion of
// the exact loop, and the packed cell is a whole number below 2^32. It is
// moved down by 2^31 to fit the signed conversion, and the sign bit
// flipped back after it.
template <class D>
HWY_INLINE void storeCells(D d, double side, hn::Vec<D> x, hn::Vec<D> y,
                           int32_t* HWY_RESTRICT cells) {
  const auto s = hn::Set(d, side);
  const auto row = hn::Trunc(hn::Mul(s, y));
  const auto column = hn::Trunc(hn::Mul(x, s));
  const auto packed = hn::Sub(hn::MulAdd(row, hn::Set(d, 65536.0), column),
                              hn::Set(d, 2147483648.0));
  const hn::Rebind<int32_t, D> di;
  const auto signBit = hn::Set(di, std::numeric_limits<int32_t>::min());
  hn::StoreU(hn::Xor(hn::DemoteTo(di, packed), signBit), di, cells);
}

// Single lanes: the row and column are whole numbers below 65536, exact in
// a float, and packed in integers (a float cannot hold the packed cell).
template <class D>
HWY_INLINE void storeCells(D d, float side, hn::Vec<D> x, hn::Vec<D> y,
                           int32_t* HWY_RESTRICT cells) {
  const auto s = hn::Set(d, side);
  // A product just below a whole number may round up to it: the last row
  // and column are as far as a coordinate of 1 reaches, as in the exact loop.
  const hn::RebindToSigned<D> di;
  const auto row = hn::ConvertTo(di, hn::Trunc(hn::Mul(s, y)));
  const auto column = hn::ConvertTo(di, hn::Trunc(hn::Mul(x, s)));
  hn::StoreU(hn::Or(hn::ShiftLeft<16>(row), column), di, cells);
}

// The map's numbers in the lanes' precision.
template <typename T>
struct LaneMap {
  explicit LaneMap(const FastKernelMap& m)
      : detail(m.detail),
        angleScale(T(m.angleScale)),
        linearCoefficient(T(m.linearCoefficient)),
        offsetX(T(m.offsetX)),
        offsetY(T(m.offsetY)),
        side(T(m.side)) {
    for (int32_t i = 0; i < TorusMap::MaxDetail * TorusMap::MaxDetail; ++i)
      matrix[i] = T(m.matrix[i]);
  }
  int32_t detail;
  T angleScale, linearCoefficient, offsetX, offsetY, side;
  T matrix[TorusMap::MaxDetail * TorusMap::MaxDetail];
};

// One step of the N orbits at x[0..N), y[0..N), in double or single
// precision.
template <class D, typename T = hn::TFromD<D>>
HWY_INLINE void stepVector(D d, const LaneMap<T>& m, T* HWY_RESTRICT x,
                           T* HWY_RESTRICT y, int32_t* HWY_RESTRICT cells) {
  const std::size_t N = hn::Lanes(d);
  HWY_ALIGN T sinX[Harmonics * FastSingleGroup];
  HWY_ALIGN T cosX[Harmonics * FastSingleGroup];
  HWY_ALIGN T sinY[Harmonics * FastSingleGroup];
  HWY_ALIGN T cosY[Harmonics * FastSingleGroup];

  const auto vx = hn::LoadU(d, x);
  const auto vy = hn::LoadU(d, y);
  const auto scale = hn::Set(d, m.angleScale);
  const int32_t L = m.detail;
  harmonics(d, hn::Mul(scale, vx), L, sinX, cosX);
  harmonics(d, hn::Mul(scale, vy), L, sinY, cosY);

  const auto linear = hn::Set(d, m.linearCoefficient);
  auto newX = hn::MulAdd(linear, vx, hn::Set(d, m.offsetX));
  auto newY = hn::MulAdd(linear, vy, hn::Set(d, m.offsetY));
  for (int32_t i = 0; i < L; ++i) {
    const T* row = m.matrix + i * TorusMap::MaxDetail;
    auto first = hn::Set(d, row[0]);
    auto sumX = hn::Mul(first, hn::Load(d, cosY));
    auto sumY = hn::Mul(first, hn::Load(d, cosX));
    for (int32_t j = 1; j < L; ++j) {
      const auto coefficient = hn::Set(d, row[j]);
      sumX = hn::MulAdd(coefficient, hn::Load(d, cosY + j * N), sumX);
      sumY = hn::MulAdd(coefficient, hn::Load(d, cosX + j * N), sumY);
    }
    newX = hn::MulAdd(hn::Load(d, sinX + i * N), sumX, newX);
    newY = hn::MulAdd(hn::Load(d, sinY + i * N), sumY, newY);
  }
  newX = wrap(d, newX);
  newY = wrap(d, newY);
  hn::StoreU(newX, d, x);
  hn::StoreU(newY, d, y);

  storeCells(d, m.side, newX, newY, cells);
}

template <class D, typename T = hn::TFromD<D>>
void stepAll(D d, std::size_t group, const FastKernelMap& map,
             T* HWY_RESTRICT xs, T* HWY_RESTRICT ys, std::size_t orbits,
             std::size_t steps, uint32_t* HWY_RESTRICT cells) {
  const std::size_t N = hn::Lanes(d);
  HWY_ASSERT(group % N == 0 && orbits % group == 0);
  const LaneMap<T> m(map);
  int32_t* out = reinterpret_cast<int32_t*>(cells);
  for (std::size_t s = 0; s < steps; ++s) {
    for (std::size_t o = 0; o < orbits; o += N) {
      stepVector(d, m, xs + o, ys + o, out + o);
    }
    out += orbits;
  }
}

void StepOrbits(const FastKernelMap& m, double* HWY_RESTRICT xs,
                double* HWY_RESTRICT ys, std::size_t orbits,
                std::size_t steps, uint32_t* HWY_RESTRICT cells) {
  stepAll(hn::CappedTag<double, FastKernelGroup>(), FastKernelGroup, m, xs,
          ys, orbits, steps, cells);
}

void StepSingleOrbits(const FastKernelMap& m, float* HWY_RESTRICT xs,
                      float* HWY_RESTRICT ys, std::size_t orbits,
                      std::size_t steps, uint32_t* HWY_RESTRICT cells) {
  stepAll(hn::CappedTag<float, FastSingleGroup>(), FastSingleGroup, m, xs,
          ys, orbits, steps, cells);
}

const char* TargetName() { return hwy::TargetName(HWY_TARGET); }

}  // namespace HWY_NAMESPACE
}  // namespace marl
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace marl {

HWY_EXPORT(StepOrbits);
HWY_EXPORT(StepSingleOrbits);
HWY_EXPORT(TargetName);

FastKernelMap::FastKernelMap(const TorusMap& map, uint32_t gridSide)
    : detail(map.detail),
      angleScale(map.angleScale),
      linearCoefficient(map.linearCoefficient),
      offsetX(map.offsetX),
      offsetY(map.offsetY),
      side(double(gridSide)),
      matrix{} {
  const double* source = map.coefficientMatrix.data();
  for (int32_t i = 0; i < TorusMap::MaxDetail * TorusMap::MaxDetail; ++i) {
    matrix[i] = source[i];
  }
}

void stepFastOrbits(const FastKernelMap& map, double* xs, double* ys,
                    std::size_t orbits, std::size_t steps, uint32_t* cells) {
  HWY_DYNAMIC_DISPATCH(StepOrbits)(map, xs, ys, orbits, steps, cells);
}

void stepFastOrbits(const FastKernelMap& map, float* xs, float* ys,
                    std::size_t orbits, std::size_t steps, uint32_t* cells) {
  HWY_DYNAMIC_DISPATCH(StepSingleOrbits)(map, xs, ys, orbits, steps, cells);
}

const char* fastKernelTarget() { return HWY_DYNAMIC_DISPATCH(TargetName)(); }

}  // namespace marl
#endif  // HWY_ONCE
