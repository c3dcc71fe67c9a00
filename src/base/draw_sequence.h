#ifndef MARL_BASE_DRAW_SEQUENCE_H_
#define MARL_BASE_DRAW_SEQUENCE_H_

#include <cstdint>

namespace marl {

// The draws of one picture job, in the order they are taken. Every picture
// of a run depends on every draw of the jobs before it, so this order is
// part of what the program does: keep it, and keep this list true.
//
//  1. Clock: (calendar second mod ClockSkipPeriod) pairs of
//     drawSmallInteger(0, 200) and drawInteger(0, 99000), thrown away.
//     A run given seed= takes no such draws: its engine and the C
//     library's generator are seeded once, before its first job
//     (RandomSource::startFromSeed).
//  2. Colour slots: ColourSlotCount colours of three drawSmallInteger(0, 200)
//     each (red, green, blue), thrown away: the palette, the start and
//     finish colours and four spare slots all get their values later.
//  3. Colours: drawSmallInteger(0, 200) for each of R0, G0, B0, R1, G1, B1
//     that the options leave open, in that order (colors= gives all six;
//     palette= gives none, and palette=random picks by the image number).
//  4. With the tiling only: QuaziDiscardRounds rounds of next(),
//     drawInteger(50, side), drawInteger(5, 42) and next(), thrown away;
//     then, for each option left open: qline drawInteger(5, 42), qsize
//     drawReal(0.8, 2.2), qx and qy drawInteger(50, side), qscale
//     drawReal(0.05, 3.0), qsep drawReal(0.01, 0.1). A job whose grid
//     cannot be allocated stops after step 3.
//  5. Map: the linear coefficient drawSmallInteger(-3, 3); MapDiscardCount
//     raw values thrown away; the start point drawUnit() for x, then y; the
//     offset from the C library's rand (drawHalfOffset); detail x detail
//     coefficients drawUnit() row by row; the image number
//     drawSmallInteger(0, 30000).
//  6. Each attempt thrown away by the fill check: step 5 again.
//  7. With the tiling only: one drawUnit() per line family, in family order
//     (the spacings).
// Nothing else draws: finishing the orbit, colouring, painting and writing
// take no draw, so they may run later or elsewhere.
constexpr int32_t ClockSkipPeriod = 2000;
constexpr int32_t ColourSlotCount = 12006;
constexpr int32_t QuaziDiscardRounds = 100;
constexpr int32_t MapDiscardCount = 202;

}  // namespace marl

#endif  // MARL_BASE_DRAW_SEQUENCE_H_
