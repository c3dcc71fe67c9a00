// Loop previews: a small loop of the view made in seconds and played in
// the page; kept at full size through the keep queue like any picture.
#include "explore/explorer.h"
#include "options/option_keys.h"

namespace marl {

namespace {

using json = nlohmann::json;

json refusal(const std::string& message) {
  return {{"type", "refused"}, {"about", "loop"}, {"message", message}};
}

}  // namespace

void Explorer::loop(const std::shared_ptr<ClientState>& client,
                    const json& message) {
  PageRecipe recipe;
  std::string why;
  if (!message.contains("recipe") || !recipeFromJson(message["recipe"], recipe, why))
    return client->send(refusal(why.empty() ? "no recipe" : why));
  // Small and fast: seconds for the whole loop and its video.
  recipe[key::Size] = std::to_string(LoopSide);
  recipe[key::Mode] = "fast";
  recipe[key::It] = std::to_string(int64_t(LoopSide) * LoopSide * 48);
  recipe[key::Video] = "webm";
  recipe[key::Basename] = "loop";
  for (const char* k : {key::Width, key::Height, key::Quazi, key::Image, key::Depth})
    recipe.erase(k);
  if (!recipe.count(key::Frames)) recipe[key::Frames] = "24";
  const PageSettings checked = readPageRecipe(recipe);
  if (!checked.run) return client->send(refusal(checked.refusal));
  if (checked.run->animation.frames > MaxLoopFrames)
    return client->send(refusal("a loop previewed has at most " +
                                std::to_string(MaxLoopFrames) +
                                " frames: keep it for more"));
  if (!loops_->start(client->id, checked.words, "loop", why))
    client->send(refusal(why));
}

bool Explorer::loopVideo(std::size_t number, std::string& bytes) const {
  return loops_->video(number, bytes);
}

}  // namespace marl
