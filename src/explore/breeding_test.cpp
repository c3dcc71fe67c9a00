#include "explore/breeding.h"

#include <gtest/gtest.h>

#include <cmath>

#include "options/option_keys.h"

namespace marl {
namespace {

PageRecipe withCoefficients(const std::vector<double>& c) {
  return {{key::Coefficients, coefficientText(c)}, {key::Linear, "1"},
          {key::Detail, "2"}, {key::Palette, "glacier"}};
}

TEST(BreedingTest, CoefficientsAreReadOnlyWhenAllAreFiniteNumbers) {
  const struct {
    const char* text;
    std::optional<std::vector<double>> read;
  } cases[] = {
      {"0.5,-0.25,1e-3", std::vector<double>{0.5, -0.25, 1e-3}},
      {"", std::nullopt},
      {"0.5,,1", std::nullopt},
      {"0.5,nan", std::nullopt},
      {"0.5,inf", std::nullopt},
      {"0.5,1x", std::nullopt},
      {"0.5,", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(coefficientsOf({{key::Coefficients, c.text}}), c.read) << c.text;
  EXPECT_EQ(coefficientsOf({}), std::nullopt);
  // Written in full: read back, the same doubles.
  const std::vector<double> odd = {-0.24807815030217173, 0.1, 1e-300, 1.0 / 3};
  EXPECT_EQ(coefficientsOf({{key::Coefficients, coefficientText(odd)}}), odd);
}

TEST(BreedingTest, MutationsMoveOnlyTheBlockByTheStepInDirectionsOfTheirOwn) {
  const std::vector<double> parent = {0.1, -0.2, 0.3, 0.05};
  boost::random::mt19937_64 random(7);
  const std::vector<Child> children =
      mutationsOf(withCoefficients(parent), 0.02, 6, random);
  ASSERT_EQ(children.size(), 6u);
  std::vector<std::vector<double>> moved;
  for (const Child& child : children) {
    for (const char* k : {key::Linear, key::Detail, key::Palette})
      EXPECT_EQ(child.recipe.at(k), withCoefficients(parent).at(k));
    const std::vector<double> c = *coefficientsOf(child.recipe);
    double squares = 0.0;
    for (std::size_t i = 0; i < c.size(); ++i)
      squares += (c[i] - parent[i]) * (c[i] - parent[i]);
    EXPECT_NEAR(std::sqrt(squares / c.size()), 0.02, 1e-12);
    moved.push_back(c);
  }
  for (std::size_t i = 1; i < moved.size(); ++i) EXPECT_NE(moved[i], moved[0]);
  EXPECT_TRUE(mutationsOf({{key::Linear, "1"}}, 0.02, 3, random).empty());
}

TEST(BreedingTest, CrossingsBlendAndMixTheBlocksOfOneSize) {
  // 2 x 2 blocks: a = 1 2 / 3 4, b = 10 20 / 30 40.
  const PageRecipe a = withCoefficients({1, 2, 3, 4});
  PageRecipe b = withCoefficients({10, 20, 30, 40});
  b[key::Linear] = "-1";
  std::string why;
  const std::vector<Child> children = crossingsOf(a, b, why);
  const struct {
    const char* kind;
    std::vector<double> c;
  } expected[] = {
      {"blend 25%", {3.25, 6.5, 9.75, 13}},
      {"blend 50%", {5.5, 11, 16.5, 22}},
      {"blend 75%", {7.75, 15.5, 23.25, 31}},
      {"rows", {1, 2, 30, 40}},
      {"columns", {1, 20, 3, 40}},
      {"checkerboard", {1, 20, 30, 4}},
  };
  ASSERT_EQ(children.size(), std::size(expected)) << why;
  for (std::size_t i = 0; i < children.size(); ++i) {
    EXPECT_EQ(children[i].kind, expected[i].kind);
    EXPECT_EQ(*coefficientsOf(children[i].recipe), expected[i].c) << expected[i].kind;
    EXPECT_EQ(children[i].recipe.at(key::Linear), "1");  // the first parent's
  }
  EXPECT_TRUE(crossingsOf(a, withCoefficients({1, 2, 3, 4, 5, 6, 7, 8, 9}), why).empty());
  EXPECT_NE(why.find("detail"), std::string::npos);
  EXPECT_TRUE(crossingsOf(a, {{key::Linear, "1"}}, why).empty());
  EXPECT_TRUE(crossingsOf(withCoefficients({1, 2, 3}), withCoefficients({1, 2, 3}), why).empty());
}

}  // namespace
}  // namespace marl
