#include "explore/explorer.h"

#include <ctime>
#include <thread>

#include "colour/palettes.h"
#include "image/image_format.h"
#include "options/option_keys.h"

namespace marl {

namespace {

using json = nlohmann::json;

unsigned cores() { return std::max(1u, std::thread::hardware_concurrency()); }

json refusal(const std::string& about, const std::string& message) {
  return {{"type", "refused"}, {"about", about}, {"message", message}};
}

}  // namespace

void ClientState::send(const json& message) {
  if (std::shared_ptr<ClientLink> to = link.lock()) to->send(message.dump());
}

bool recipeFromJson(const json& value, PageRecipe& recipe, std::string& why) {
  if (!value.is_object()) {
    why = "the recipe is not an object of key: value";
    return false;
  }
  for (const auto& [key, v] : value.items()) {
    if (v.is_string()) {
      recipe[key] = v.get<std::string>();
    } else if (v.is_number() || v.is_boolean()) {
      recipe[key] = v.dump();
    } else {
      why = "the value of " + key + " is neither text nor a number";
      return false;
    }
  }
  return true;
}

Explorer::Explorer(const std::string& program, const std::string& folder)
    // Candidates come from all cores; the view refines on one thread (its
    // fast orbits use every core) and colours are made on another, so that
    // neither waits behind a page of candidates.
    : nextCandidate_(uint64_t(std::time(nullptr)) % 1000 * 1000 + 1),
      cache_(std::size_t(384) << 20),
      candidates_(cores(), 64, 1024),
      views_(1, 8, 64),
      colours_(1, 4, 128),
      keeps_(program, folder, [this](uint64_t id, const json& message) {
        if (auto c = client(id)) c->send(message);
      }) {
  loops_ = std::make_unique<LoopPreviews>(
      program, [this](uint64_t id, const json& message) {
        if (auto c = client(id)) c->send(message);
      });
}

Explorer::~Explorer() { stop(); }

void Explorer::stop() {
  keeps_.stop();
  if (folders_) folders_->stop();
  loops_->stop();
  candidates_.stop();
  views_.stop();
  colours_.stop();
}

std::shared_ptr<ClientState> Explorer::client(uint64_t id) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = clients_.find(id);
  return found == clients_.end() ? nullptr : found->second;
}

uint64_t Explorer::connect(std::shared_ptr<ClientLink> link) {
  auto state = std::make_shared<ClientState>();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state->id = nextClient_++;
    clients_[state->id] = state;
  }
  state->link = link;
  json palettes = json::array();
  for (const Palette& p : builtInPalettes()) palettes.push_back(p.name);
  json formats = json::array();
  for (const ImageFormat& f : imageFormats())
    formats.push_back({{"name", f.name}, {"depth", f.maxDepth},
                       {"alpha", f.alpha}});
  state->send({{"type", "hello"}, {"palettes", palettes},
               {"formats", formats}, {"candidateSide", CandidateSide},
               {"viewSide", ViewSide}, {"folder", !folder_.empty()}});
  return state->id;
}

void Explorer::disconnect(uint64_t id) {
  std::shared_ptr<ClientState> state;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = clients_.find(id);
    if (found == clients_.end()) return;
    state = found->second;
    clients_.erase(found);
  }
  state->viewNumber++;  // ends its refining
  candidates_.forget(id);
  if (folders_) folders_->forget(id);
  views_.forget(id);
  colours_.forget(id);
}

void Explorer::receive(uint64_t id, const std::string& text) {
  std::shared_ptr<ClientState> state = client(id);
  if (!state) return;
  const json message = json::parse(text, nullptr, false);
  if (message.is_discarded() || !message.is_object() ||
      !message.contains("type") || !message["type"].is_string()) {
    state->send(refusal("message", "a message is a JSON object with a type"));
    return;
  }
  const std::string type = message["type"];
  // A field of another type than asked throws from the JSON library; the
  // page is told, and the server goes on.
  try {
    dispatch(state, type, message);
  } catch (const json::exception&) {
    state->send(refusal(type, "a field of this " + type +
                                  " message has the wrong type"));
  }
}

void Explorer::dispatch(const std::shared_ptr<ClientState>& state,
                        const std::string& type, const json& message) {
  const uint64_t id = state->id;
  if (type == "candidates") return candidates(state, message);
  if (type == "view") return view(state, message);
  if (type == "colour") return colour(state, message);
  if (type == "keep") return keep(state, message);
  if (type == "folder") return folder(state);
  if (type == "mutate" || type == "cross") return breed(state, message);
  if (type == "loop") return loop(state, message);
  if (type == "cancel" && message.contains("job") &&
      message["job"].is_number_unsigned())
    return keeps_.cancel(id, message["job"].get<uint64_t>());
  state->send(refusal(type, "no such message: " + type));
}

void Explorer::candidates(const std::shared_ptr<ClientState>& client,
                          const json& message) {
  PageRecipe recipe;
  std::string why;
  if (message.contains("recipe") &&
      !recipeFromJson(message["recipe"], recipe, why))
    return client->send(refusal("candidates", why));
  int count = message.value("count", 12);
  if (count < 1 || count > MaxCandidatesAsked)
    return client->send(refusal(
        "candidates", "count=" + std::to_string(count) +
                          " is not 1 to " + std::to_string(MaxCandidatesAsked)));
  // Small and fast; the map is drawn and judged as the command line does.
  recipe[key::Size] = std::to_string(CandidateSide);
  recipe[key::Mode] = "fast";
  recipe[key::It] = "4000000";
  for (const char* k : {key::Width, key::Height, key::Frames, key::Quazi})
    recipe.erase(k);
  const PageSettings checked = readPageRecipe(recipe);
  if (!checked.run) return client->send(refusal("candidates", checked.refusal));
  // A new grid (other colours, say) drops the candidates still waiting.
  if (message.value("replace", false)) candidates_.forget(client->id);
  const json batch = message.value("batch", json(0));
  for (int i = 0; i < count; ++i) {
    const uint64_t number = nextCandidate_++;
    const bool taken = candidates_.add(
        client->id, [this, client, recipe, number, batch] {
          makeCandidate(client, recipe, number, batch);
        });
    if (!taken)
      return client->send(refusal(
          "candidates", "the explorer is busy: ask again when these are done"));
  }
}

void Explorer::makeCandidate(const std::shared_ptr<ClientState>& client,
                             const PageRecipe& recipe, uint64_t number,
                             const json& batch) {
  if (client->link.expired()) return;
  PageSettings settings = readPageRecipe(recipe);
  if (!settings.run) return client->send(refusal("candidates", settings.refusal));
  // Each candidate its own stream of draws: the number moves it on.
  RandomSource random;
  for (uint64_t i = 0; i < number % 100000; ++i) random.next();
  std::string why;
  std::unique_ptr<CountedPicture> counted = countPicture(
      settings.run->job, random, std::time_t(number / 100000), why);
  if (!counted) return client->send(refusal("candidates", why));
  const std::vector<unsigned char> webp =
      previewOf(counted->plan, counted->hits->grid());
  const json message = {{"type", "candidate"},
                        {"id", "c" + std::to_string(number)},
                        {"batch", batch},
                        {"number", counted->plan.imageNumber},
                        {"fill", counted->fill()},
                        {"recipe", pageRecipeOf(counted->plan.recipe)},
                        {"image", dataUrlOf(webp)}};
  cache_.put("c" + std::to_string(number), std::move(counted));
  client->send(message);
}

void Explorer::keep(const std::shared_ptr<ClientState>& client,
                    const json& message) {
  PageRecipe recipe;
  std::string why;
  if (!message.contains("recipe") ||
      !recipeFromJson(message["recipe"], recipe, why))
    return client->send(refusal("keep", why.empty() ? "no recipe" : why));
  const PageSettings checked = readPageRecipe(recipe);
  if (!checked.run) return client->send(refusal("keep", checked.refusal));
  const std::string command = commandLineOf(checked.words);
  if (keeps_.add(client->id, checked.words, checked.run->job.basename,
                 command) == 0)
    client->send(refusal("keep", "the queue is full: wait for a job to end"));
}

}  // namespace marl
