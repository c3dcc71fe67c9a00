// Children of the view: mutations of its map and crossings of two maps,
// each judged by the fill check and shown as it is done.
#include <random>

#include "attractor/run_control.h"
#include "explore/breeding.h"
#include "explore/counted_picture.h"
#include "explore/explorer.h"
#include "options/option_keys.h"

namespace marl {

namespace {

using json = nlohmann::json;

json refusal(const std::string& about, const std::string& message) {
  return {{"type", "refused"}, {"about", about}, {"message", message}};
}

// `recipe` made at `side` pixels, `it` steps, in `mode`.
PageRecipe workingRecipe(PageRecipe recipe, int side, const char* it,
                         const char* mode) {
  recipe[key::Size] = std::to_string(side);
  recipe[key::Mode] = mode;
  recipe[key::It] = it;
  for (const char* k : {key::Width, key::Height, key::Frames, key::Quazi,
                        key::Image, key::Depth, key::Video})
    recipe.erase(k);
  return recipe;
}

}  // namespace

void Explorer::breed(const std::shared_ptr<ClientState>& client,
                     const json& message) {
  const std::string type = message["type"];
  const json brood = message.value("brood", json(0));
  std::vector<Child> children;
  std::string why;
  PageRecipe a, b;
  if (!message.contains("recipe") || !recipeFromJson(message["recipe"], a, why))
    return client->send(refusal(type, why.empty() ? "no recipe" : why));
  if (type == "mutate") {
    const double step = message.value("step", 0.02);
    const int count = message.value("count", 8);
    if (!(step >= MinStep && step <= MaxStep))
      return client->send(refusal(type, "the step " + json(step).dump() +
                                            " is not " + json(MinStep).dump() +
                                            " to " + json(MaxStep).dump()));
    if (count < 1 || count > MaxCandidatesAsked)
      return client->send(refusal(type, "count=" + std::to_string(count) +
                                            " is not 1 to " +
                                            std::to_string(MaxCandidatesAsked)));
    // Mutations need not be repeatable: each child's recipe holds its map.
    boost::random::mt19937_64 random(std::random_device{}());
    children = mutationsOf(a, step, count, random);
    if (children.empty())
      return client->send(refusal(type, "the view holds no map to mutate"));
  } else {
    if (!message.contains("other") ||
        !recipeFromJson(message["other"], b, why))
      return client->send(refusal(type, why.empty() ? "no second picture" : why));
    children = crossingsOf(a, b, why);
    if (children.empty()) return client->send(refusal(type, why));
  }
  for (Child& child : children) {
    // Numbered as candidates are, so that each kept child has a name of
    // its own.
    child.recipe[key::Number] = std::to_string(nextCandidate_++ % 1000000);
    const PageSettings checked =
        readPageRecipe(workingRecipe(child.recipe, CandidateSide, "4000000", "fast"));
    if (!checked.run) return client->send(refusal(type, checked.refusal));
  }
  for (Child& child : children) {
    const bool taken = candidates_.add(
        client->id, [this, client, child, brood] { makeChild(client, child, brood); });
    if (!taken)
      return client->send(refusal(
          type, "the explorer is busy: ask again when these are done"));
  }
}

void Explorer::makeChild(const std::shared_ptr<ClientState>& client,
                         const Child& child, const json& brood) {
  if (client->link.expired()) return;
  const std::string id = "m" + child.recipe.at(key::Number);
  json message = {{"type", "child"}, {"id", id}, {"brood", brood},
                  {"kind", child.kind}, {"number", std::stoi(child.recipe.at(key::Number))}};
  // The fill check as a drawn map faces it: the share of the candidate's
  // grid an exact orbit visits by the check's step.
  PageSettings check = readPageRecipe(workingRecipe(
      child.recipe, CandidateSide, std::to_string(FillCheckInterval).c_str(),
      "exact"));
  RandomSource random;
  std::string why;
  std::unique_ptr<CountedPicture> checked =
      check.run ? countPicture(check.run->job, random, 0, why) : nullptr;
  if (!checked) return client->send(refusal("child", why));
  const double fill = checked->hits->grid().filledFraction();
  message["fill"] = fill;
  if (fill < FillThreshold) {
    message["rejected"] = true;
    return client->send(message);
  }
  PageSettings settings = readPageRecipe(
      workingRecipe(child.recipe, CandidateSide, "4000000", "fast"));
  std::unique_ptr<CountedPicture> counted =
      settings.run ? countPicture(settings.run->job, random, 0, why) : nullptr;
  if (!counted) return client->send(refusal("child", why));
  json recipe = json::object();
  for (const auto& [key, value] : child.recipe) recipe[key] = value;
  message["recipe"] = recipe;
  message["image"] = dataUrlOf(previewOf(counted->plan, counted->hits->grid()));
  client->send(message);
}

}  // namespace marl
