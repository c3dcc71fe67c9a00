#ifndef MARL_EXPLORE_BREEDING_H_
#define MARL_EXPLORE_BREEDING_H_

#include <optional>
#include <string>
#include <vector>

#include <boost/random/mersenne_twister.hpp>

#include "explore/page_recipe.h"

namespace marl {

// A child of one or two maps, as a recipe like any other: its parent's (the
// first parent's) with other coefficients; linear, offset, detail, start
// point and colours stay.
struct Child {
  PageRecipe recipe;
  std::string kind;  // "step", "blend 25%", "rows", ...
};

// The coefficients of a recipe; nullopt when it holds none, or one that is
// not a list of finite numbers.
std::optional<std::vector<double>> coefficientsOf(const PageRecipe& recipe);

// The coefficients as a recipe writes them: each number in full, so that
// reading it back gives the same doubles.
std::string coefficientText(const std::vector<double>& coefficients);

// The step a mutation takes, as the root mean square of the change to one
// coefficient; a page's step is kept within these.
constexpr double MinStep = 0.001;
constexpr double MaxStep = 0.25;

// `count` mutations of `parent`: its coefficient block moved by `step`
// (see MinStep) in directions drawn from `random`, uniform over the sphere.
// Empty when the parent holds no coefficients.
std::vector<Child> mutationsOf(const PageRecipe& parent, double step, int count,
                               boost::random::mt19937_64& random);

// The children of `a` and `b`: blends along the segment between their
// coefficients, and block-wise mixes of the detail x detail block (rows of
// one and rows of the other, columns, a checkerboard). Empty, with `why`,
// when the two do not hold blocks of one size.
std::vector<Child> crossingsOf(const PageRecipe& a, const PageRecipe& b,
                               std::string& why);

}  // namespace marl

#endif  // MARL_EXPLORE_BREEDING_H_
