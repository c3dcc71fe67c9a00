// folder=: the pictures already in a folder, shown beside the candidates so
// that a batch made elsewhere can be browsed, tuned and kept like them.
#include <string>

#include "base/escaped_text.h"
#include "explore/counted_picture.h"
#include "explore/explorer.h"
#include "options/option_keys.h"

namespace marl {

namespace {

using json = nlohmann::json;

json pageRecipeJson(const PageRecipe& recipe) {
  json out = json::object();
  for (const auto& [key, value] : recipe) out[key] = value;
  return out;
}

}  // namespace

void Explorer::showFolder(const std::string& folder, std::ostream& err) {
  folder_ = folder;
  folderErr_ = &err;
  // A thread of its own: a look at the folder must not wait behind a page
  // of candidates, nor they behind it.
  folders_ = std::make_unique<TaskQueue>(1, 2, 64);
}

bool Explorer::folderFile(std::size_t number, std::string& bytes,
                          std::string& type) const {
  return !folder_.empty() && folderFiles_.read(number, bytes, type);
}

void Explorer::folder(const std::shared_ptr<ClientState>& client) {
  if (!folders_) return client->send({{"type", "folder"}, {"given", false}});
  const bool taken = folders_->add(client->id, [this, client] {
    const FolderLook look = lookAtFolder(folder_);
    client->send({{"type", "folder"}, {"given", true},
                  {"name", escapedText(folder_)}, {"error", look.error}});
    std::size_t shown = 0, refused = 0;
    std::vector<std::pair<std::string, PageRecipe>> previews;
    for (const FolderEntry& entry : look.entries) {
      if (client->link.expired()) return;
      if (!entry.shown) {
        ++refused;
        client->send({{"type", "folder-refused"},
                      {"name", escapedText(entry.name)},
                      {"message", entry.why}});
        std::lock_guard<std::mutex> lock(folderMutex_);
        if (folderWarned_.insert(entry.path).second)
          *folderErr_ << "marl: warning: not showing a file of folder=: "
                      << entry.why << "; the others are shown\n";
        continue;
      }
      ++shown;
      const std::size_t number = folderFiles_.numberOf(entry.path, entry.type);
      const std::string id = "f" + std::to_string(number);
      json image = nullptr;
      if (!entry.type.empty()) image = "folder/" + std::to_string(number);
      else previews.emplace_back(id, entry.recipe);
      client->send({{"type", "folder-picture"}, {"id", id},
                    {"name", escapedText(entry.name)},
                    {"recipe", pageRecipeJson(entry.recipe)},
                    {"image", image}});
    }
    client->send({{"type", "folder-done"}, {"shown", shown},
                  {"refused", refused}, {"notPictures", look.notPictures},
                  {"leftOut", look.leftOut}});
    for (const auto& [id, recipe] : previews) folderPreview(client, id, recipe);
  });
  if (!taken)
    client->send({{"type", "refused"}, {"about", "folder"},
                  {"message", "the folder is being read already: wait for it"}});
}

// A picture no browser shows (TIFF, a video's frame) is seen through a
// candidate-sized picture of its own map.
void Explorer::folderPreview(const std::shared_ptr<ClientState>& client,
                             const std::string& id, const PageRecipe& given) {
  if (client->link.expired()) return;
  PageRecipe recipe = given;
  recipe[key::Size] = std::to_string(CandidateSide);
  recipe[key::Mode] = "fast";
  recipe[key::It] = "4000000";
  for (const char* k : {key::Width, key::Height, key::Frames, key::Quazi,
                        key::Image, key::Depth, key::Video})
    recipe.erase(k);
  PageSettings settings = readPageRecipe(recipe);
  if (!settings.run) return;
  RandomSource random;
  std::string why;
  std::unique_ptr<CountedPicture> counted =
      countPicture(settings.run->job, random, 0, why);
  if (!counted) return;
  client->send({{"type", "folder-image"}, {"id", id},
                {"image", dataUrlOf(previewOf(counted->plan,
                                              counted->hits->grid()))}});
}

}  // namespace marl
