#include "explore/loop_preview.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <system_error>

namespace marl {

namespace fs = std::filesystem;

LoopPreviews::LoopPreviews(const std::string& program, Report report)
    : program_(program), report_(std::move(report)) {}

LoopPreviews::~LoopPreviews() { stop(); }

void LoopPreviews::stop() {
  std::lock_guard<std::mutex> lock(startMutex_);
  stopped_ = true;
  if (queue_) queue_->stop();
  std::error_code ignored;
  if (!folder_.empty()) fs::remove_all(folder_, ignored);
  folder_.clear();
}

bool LoopPreviews::start(uint64_t client, std::vector<std::string> words,
                         const std::string& basename, std::string& why) {
  std::lock_guard<std::mutex> lock(startMutex_);
  // Made with the first loop, so an explorer that previews none leaves
  // no folder even when it is killed.
  if (!queue_ && !stopped_) {
    std::error_code ec;
    std::string pattern =
        (fs::temp_directory_path(ec) / "marl-loops-XXXXXX").string();
    if (mkdtemp(pattern.data())) {
      folder_ = pattern;
      queue_ = std::make_unique<KeepQueue>(
          program_, folder_, [this](uint64_t client, const nlohmann::json& job) {
            finished(client, job);
          });
    }
  }
  if (!queue_ || stopped_) {
    why = "no temporary folder for loops can be made";
    return false;
  }
  if (queue_->add(client, std::move(words), basename, "") == 0) {
    why = "loops are being made already: wait for them";
    return false;
  }
  return true;
}

bool LoopPreviews::video(std::size_t number, std::string& bytes) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto found = videos_.find(number);
  if (found == videos_.end()) return false;
  bytes = found->second;
  return true;
}

void LoopPreviews::finished(uint64_t client, const nlohmann::json& job) {
  const std::string state = job.value("state", "");
  nlohmann::json message = {{"type", "loop"}, {"state", state}};
  if (job.contains("progress")) message["progress"] = job["progress"];
  if (state == "running") return report_(client, message);
  std::string bytes;
  for (const auto& name : job.value("files", nlohmann::json::array())) {
    const fs::path path = fs::path(folder_) / name.get<std::string>();
    std::error_code ec;
    if (path.extension() == ".webm" && fs::file_size(path, ec) <= MaxVideoBytes) {
      std::ifstream in(path, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
  }
  // The folder holds one loop at a time: its frames and video go now.
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder_, ignored))
    fs::remove_all(entry.path(), ignored);
  if (state == "done" && bytes.empty()) {
    message["state"] = "failed";
    message["message"] = "the loop made no video";
  } else if (state == "done") {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t number = nextVideo_++;
    videos_[number] = std::move(bytes);
    while (videos_.size() > KeptVideos) videos_.erase(videos_.begin());
    message["video"] = "loop/" + std::to_string(number);
  } else if (job.contains("message")) {
    message["message"] = job["message"];
  }
  report_(client, message);
}

}  // namespace marl
