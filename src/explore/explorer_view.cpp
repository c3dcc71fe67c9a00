// The large view: counted in rounds of more hits a pixel, each shown as it
// is done, and recoloured from the kept counts.
#include <ctime>

#include "colour/palettes.h"
#include "explore/explorer.h"
#include "options/option_keys.h"

namespace marl {

namespace {

using json = nlohmann::json;

json refusal(const std::string& about, const std::string& message) {
  return {{"type", "refused"}, {"about", about}, {"message", message}};
}

// Hits a pixel of each round: each round counts afresh, so the last costs
// most and the ones before add a third at most.
constexpr int64_t RoundHits[] = {4, 32, 200};

// The view's recipe at `side` pixels and `hits` a pixel, in fast mode.
PageRecipe viewRecipe(PageRecipe recipe, int side, int64_t hits) {
  recipe[key::Size] = std::to_string(side);
  recipe[key::Mode] = "fast";
  recipe[key::It] = std::to_string(hits * side * side);
  for (const char* k : {key::Width, key::Height, key::Frames, key::Quazi,
                        key::Image, key::Depth})
    recipe.erase(k);
  return recipe;
}

std::string viewName(uint64_t client) { return "view" + std::to_string(client); }

}  // namespace

void Explorer::view(const std::shared_ptr<ClientState>& client,
                    const json& message) {
  PageRecipe recipe;
  std::string why;
  if (!message.contains("recipe") ||
      !recipeFromJson(message["recipe"], recipe, why))
    return client->send(refusal("view", why.empty() ? "no recipe" : why));
  const PageSettings checked = readPageRecipe(viewRecipe(recipe, ViewSide, 1));
  if (!checked.run) return client->send(refusal("view", checked.refusal));
  if (!checked.run->job.map)
    return client->send(refusal("view", "the recipe holds no map"));
  uint64_t view;
  {
    std::lock_guard<std::mutex> lock(client->mutex);
    client->view = recipe;
    view = ++client->viewNumber;
  }
  if (!views_.add(client->id, [this, client, view] { refine(client, view); }))
    client->send(refusal("view", "the explorer is busy: choose again"));
}

void Explorer::refine(const std::shared_ptr<ClientState>& client,
                      uint64_t view) {
  bool first = true;
  for (int64_t hits : RoundHits) {
    if (client->viewNumber != view || client->link.expired()) return;
    PageRecipe recipe;
    {
      std::lock_guard<std::mutex> lock(client->mutex);
      recipe = client->view;
    }
    PageSettings settings = readPageRecipe(viewRecipe(recipe, ViewSide, hits));
    if (!settings.run) return client->send(refusal("view", settings.refusal));
    settings.run->job.threads = std::max(1u, std::thread::hardware_concurrency());
    RandomSource random;
    std::string why;
    std::unique_ptr<CountedPicture> counted =
        countPicture(settings.run->job, random, 0, why);
    if (!counted) return client->send(refusal("view", why));
    if (client->viewNumber != view) return;
    std::shared_ptr<CachedPicture> kept =
        cache_.put(viewName(client->id), std::move(counted));
    std::vector<unsigned char> webp;
    {
      std::lock_guard<std::mutex> lock(client->mutex);
      recipe = client->view;
    }
    // Coloured as the page asks now, which may have changed while counting.
    PageSettings colours = readPageRecipe(viewRecipe(recipe, ViewSide, hits));
    {
      std::lock_guard<std::mutex> lock(kept->lock);
      CountedPicture& picture = *kept->picture;
      if (colours.run) picture.plan = recolouredPlan(picture.plan, colours.run->job);
      webp = previewOf(picture.plan, picture.hits->grid());
    }
    client->send({{"type", "view"}, {"view", view}, {"hits", hits},
                  {"done", hits == RoundHits[std::size(RoundHits) - 1]},
                  {"image", dataUrlOf(webp)}});
    if (first) {
      first = false;
      colours_.add(client->id,
                   [this, client, view] { palettePreviews(client, view); });
    }
  }
}

void Explorer::palettePreviews(const std::shared_ptr<ClientState>& client,
                               uint64_t view) {
  if (client->viewNumber != view) return;
  PageRecipe recipe;
  {
    std::lock_guard<std::mutex> lock(client->mutex);
    recipe = client->view;
  }
  // A small count of its own: a 1024-pixel picture per palette would cost
  // more than the palettes are worth.
  constexpr int Side = 96;
  PageSettings settings = readPageRecipe(viewRecipe(recipe, Side, 64));
  if (!settings.run) return client->send(refusal("palettes", settings.refusal));
  RandomSource random;
  std::string why;
  std::unique_ptr<CountedPicture> small =
      countPicture(settings.run->job, random, 0, why);
  if (!small) return client->send(refusal("palettes", why));
  json previews = json::object();
  for (const Palette& palette : builtInPalettes()) {
    if (client->viewNumber != view) return;
    PageRecipe withPalette = recipe;
    withPalette[key::Palette] = palette.name;
    withPalette.erase(key::Colors);
    PageSettings colours = readPageRecipe(viewRecipe(withPalette, Side, 64));
    if (!colours.run) continue;
    const PicturePlan plan = recolouredPlan(small->plan, colours.run->job);
    previews[palette.name] = dataUrlOf(previewOf(plan, small->hits->grid()));
  }
  client->send({{"type", "palettes"}, {"view", view}, {"previews", previews}});
}

void Explorer::colour(const std::shared_ptr<ClientState>& client,
                      const json& message) {
  PageRecipe recipe;
  std::string why;
  if (!message.contains("recipe") ||
      !recipeFromJson(message["recipe"], recipe, why))
    return client->send(refusal("colour", why.empty() ? "no recipe" : why));
  const PageSettings checked = readPageRecipe(viewRecipe(recipe, ViewSide, 1));
  if (!checked.run) return client->send(refusal("colour", checked.refusal));
  uint64_t view;
  {
    std::lock_guard<std::mutex> lock(client->mutex);
    client->view = recipe;
    client->colourSequence = message.value("sequence", json(0));
    view = client->viewNumber;
    // Only the newest colours matter: a change waiting takes these.
    if (client->colourWaiting) return;
    client->colourWaiting = true;
  }
  const bool taken = colours_.add(client->id, [this, client, view] {
    PageRecipe recipe;
    json sequence;
    {
      std::lock_guard<std::mutex> lock(client->mutex);
      client->colourWaiting = false;
      recipe = client->view;
      sequence = client->colourSequence;
    }
    std::shared_ptr<CachedPicture> kept = cache_.find(viewName(client->id));
    if (!kept || client->viewNumber != view) return;
    PageSettings settings = readPageRecipe(viewRecipe(recipe, ViewSide, 1));
    if (!settings.run) return;
    std::vector<unsigned char> webp;
    int64_t hits;
    {
      std::lock_guard<std::mutex> lock(kept->lock);
      CountedPicture& picture = *kept->picture;
      picture.plan = recolouredPlan(picture.plan, settings.run->job);
      webp = previewOf(picture.plan, picture.hits->grid());
      hits = picture.plan.options.iterationMaximum /
             (int64_t(ViewSide) * ViewSide);
    }
    client->send({{"type", "view"}, {"view", view}, {"hits", hits},
                  {"sequence", sequence}, {"image", dataUrlOf(webp)}});
  });
  if (!taken) {
    std::lock_guard<std::mutex> lock(client->mutex);
    client->colourWaiting = false;
    client->send(refusal("colour", "the explorer is busy: change it again"));
  }
}

}  // namespace marl
