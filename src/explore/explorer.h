#ifndef MARL_EXPLORE_EXPLORER_H_
#define MARL_EXPLORE_EXPLORER_H_

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "explore/breeding.h"
#include "explore/folder_pictures.h"
#include "explore/grid_cache.h"
#include "explore/keep_queue.h"
#include "explore/loop_preview.h"
#include "explore/page_recipe.h"
#include "explore/task_queue.h"

namespace marl {

// Where the explorer's answers to one page go; any thread may send.
class ClientLink {
 public:
  virtual ~ClientLink() = default;
  virtual void send(std::string message) = 0;
};

// What the explorer knows of one page.
struct ClientState {
  uint64_t id = 0;
  std::weak_ptr<ClientLink> link;
  std::mutex mutex;
  // The view's recipe as the page last sent it, and which view it is: a
  // new view ends the refining of the one before.
  PageRecipe view;
  std::atomic<uint64_t> viewNumber{0};
  // A recolouring is waiting to start, and the sequence number of the
  // change it shows, which the page measures its delay by.
  bool colourWaiting = false;
  nlohmann::json colourSequence;

  void send(const nlohmann::json& message);
};

// The explorer behind the page: candidates, the large view refined and
// recoloured from its kept counts, and the pictures kept. The message
// protocol is in docs/guide/explore.md.
class Explorer {
 public:
  // Kept pictures are made by `program` (marl itself) in `folder`.
  Explorer(const std::string& program, const std::string& folder);
  ~Explorer();

  uint64_t connect(std::shared_ptr<ClientLink> link);
  void receive(uint64_t client, const std::string& message);
  void disconnect(uint64_t client);
  // Cancels every job, drops waiting work, waits for the running work.
  void stop();

  // folder=: the page may also ask for the pictures already in `folder`;
  // refusals are told on `err` too. Before any client connects.
  void showFolder(const std::string& folder, std::ostream& err);
  // The bytes of the folder's file `number`, for the page's <img>.
  bool folderFile(std::size_t number, std::string& bytes,
                  std::string& type) const;

  // The bytes of the loop preview `number`, for the page's <video>.
  bool loopVideo(std::size_t number, std::string& bytes) const;
  static constexpr int LoopSide = 256;
  static constexpr int MaxLoopFrames = 120;

  // The side of a candidate, and of the large view.
  static constexpr int CandidateSide = 256;
  static constexpr int ViewSide = 1024;
  static constexpr int MaxCandidatesAsked = 48;

 private:
  std::shared_ptr<ClientState> client(uint64_t id);
  // One message of `type`, its fields read as the message handlers need.
  void dispatch(const std::shared_ptr<ClientState>& client,
                const std::string& type, const nlohmann::json& message);
  void candidates(const std::shared_ptr<ClientState>& client,
                  const nlohmann::json& message);
  void makeCandidate(const std::shared_ptr<ClientState>& client,
                     const PageRecipe& recipe, uint64_t number,
                     const nlohmann::json& batch);
  void view(const std::shared_ptr<ClientState>& client,
            const nlohmann::json& message);
  void refine(const std::shared_ptr<ClientState>& client, uint64_t view);
  void palettePreviews(const std::shared_ptr<ClientState>& client,
                       uint64_t view);
  void colour(const std::shared_ptr<ClientState>& client,
              const nlohmann::json& message);
  void keep(const std::shared_ptr<ClientState>& client,
            const nlohmann::json& message);

  // Loop previews (explorer_loop.cpp).
  void loop(const std::shared_ptr<ClientState>& client,
            const nlohmann::json& message);
  std::unique_ptr<LoopPreviews> loops_;
  // Mutations and crossings (explorer_breed.cpp).
  void breed(const std::shared_ptr<ClientState>& client,
             const nlohmann::json& message);
  void makeChild(const std::shared_ptr<ClientState>& client,
                 const Child& child, const nlohmann::json& brood);
  // folder= (explorer_folder.cpp).
  void folder(const std::shared_ptr<ClientState>& client);
  void folderPreview(const std::shared_ptr<ClientState>& client,
                     const std::string& id, const PageRecipe& recipe);
  std::string folder_;
  std::ostream* folderErr_ = nullptr;
  std::mutex folderMutex_;  // for folderErr_ and folderWarned_
  std::set<std::string> folderWarned_;
  FolderFiles folderFiles_;
  std::unique_ptr<TaskQueue> folders_;

  std::mutex mutex_;
  std::map<uint64_t, std::shared_ptr<ClientState>> clients_;
  uint64_t nextClient_ = 1;
  std::atomic<uint64_t> nextCandidate_;
  GridCache cache_;
  TaskQueue candidates_;
  TaskQueue views_;
  TaskQueue colours_;
  KeepQueue keeps_;
};

// A page's recipe from a message's "recipe" object; values may be text,
// numbers or true/false. Refused (with the reason in `why`) when it is not
// an object of such values.
bool recipeFromJson(const nlohmann::json& value, PageRecipe& recipe,
                    std::string& why);

}  // namespace marl

#endif  // MARL_EXPLORE_EXPLORER_H_
