#include "explore/keep_queue.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

extern char** environ;

namespace marl {

namespace {

std::set<std::string> namesIn(const std::string& folder,
                              const std::string& prefix) {
  std::set<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) == 0 &&
        name.find(".tmp") == std::string::npos)
      names.insert(name);
  }
  closedir(dir);
  return names;
}

int64_t numberAfter(const std::string& line, const std::string& label) {
  if (line.compare(0, label.size(), label) != 0) return -1;
  return std::strtoll(line.c_str() + label.size(), nullptr, 10);
}

}  // namespace

double progressFrom(const std::string& line, double sofar, int64_t& runTo) {
  if (int64_t n = numberAfter(line, "Will run to "); n > 0) {
    runTo = n;
    return sofar;
  }
  if (int64_t n = numberAfter(line, "itcnt = "); n >= 0 && runTo > 0)
    return std::max(sofar, std::min(1.0, double(n) / double(runTo)));
  if (line.compare(0, 6, "frame ") == 0) {
    long index = 0, frames = 0;
    if (std::sscanf(line.c_str(), "frame %ld of %ld", &index, &frames) == 2 &&
        frames > 0)
      return std::max(sofar, double(index + 1) / double(frames));
  }
  return sofar;
}

KeepQueue::KeepQueue(std::string program, std::string folder, Report report)
    : program_(std::move(program)),
      folder_(std::move(folder)),
      report_(std::move(report)),
      thread_([this] { work(); }) {}

KeepQueue::~KeepQueue() { stop(); }

uint64_t KeepQueue::add(uint64_t client, std::vector<std::string> words,
                        const std::string& basename,
                        const std::string& command) {
  std::unique_lock<std::mutex> lock(mutex_);
  const auto mine = std::count_if(waiting_.begin(), waiting_.end(),
                                  [&](const Job& j) { return j.client == client; });
  if (stopping_ || waiting_.size() >= MaxJobs || std::size_t(mine) >= MaxPerClient)
    return 0;
  Job job{nextId_++, client, std::move(words), basename, command};
  const uint64_t id = job.id;
  waiting_.push_back(std::move(job));
  lock.unlock();
  report_(client, {{"type", "job"}, {"id", id}, {"state", "queued"},
                   {"command", command}});
  ready_.notify_one();
  return id;
}

void KeepQueue::cancel(uint64_t client, uint64_t id) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto found = std::find_if(waiting_.begin(), waiting_.end(), [&](const Job& j) {
    return j.id == id && j.client == client;
  });
  if (found != waiting_.end()) {
    waiting_.erase(found);
    lock.unlock();
    report_(client, {{"type", "job"}, {"id", id}, {"state", "cancelled"}});
    return;
  }
  if (runningId_ == id && runningClient_ == client) {
    // Before its start too: then it is not started.
    cancelRunning_ = true;
    if (runningPid_ > 0) kill(runningPid_, SIGTERM);
  }
}

void KeepQueue::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    waiting_.clear();
    if (runningPid_ > 0) {
      cancelRunning_ = true;
      kill(runningPid_, SIGTERM);
    }
  }
  ready_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void KeepQueue::work() {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      if (stopping_) return;
      job = std::move(waiting_.front());
      waiting_.pop_front();
      runningId_ = job.id;
      runningClient_ = job.client;
      cancelRunning_ = false;
    }
    run(job);
    std::lock_guard<std::mutex> lock(mutex_);
    runningId_ = 0;
    runningPid_ = -1;
  }
}

void KeepQueue::run(const Job& job) {
  const std::set<std::string> before = namesIn(folder_, job.basename);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    report_(job.client, {{"type", "job"}, {"id", job.id}, {"state", "failed"},
                         {"message", std::strerror(errno)}});
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Its diagnostics too, so that the page can say why a job failed.
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
  // Made in the queue's folder; the program's path is absolute.
  if (folder_ != ".")
    posix_spawn_file_actions_addchdir_np(&actions, folder_.c_str());
  std::vector<char*> argv = {const_cast<char*>("marl")};
  for (const std::string& word : job.words)
    argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  int spawned = -1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!cancelRunning_ && !stopping_) {
      spawned = posix_spawn(&pid, program_.c_str(), &actions, nullptr,
                            argv.data(), environ);
      if (spawned == 0) runningPid_ = pid;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    report_(job.client,
            {{"type", "job"}, {"id", job.id},
             {"state", spawned < 0 ? "cancelled" : "failed"},
             {"message", spawned < 0 ? "" : std::strerror(spawned)}});
    return;
  }
  report_(job.client, {{"type", "job"}, {"id", job.id}, {"state", "running"},
                       {"progress", 0.0}});
  const std::string diagnostics = follow(job, out[0]);
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  nlohmann::json files = nlohmann::json::array();
  for (const std::string& name : namesIn(folder_, job.basename))
    if (!before.count(name)) files.push_back(name);
  bool cancelled;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled = cancelRunning_;
  }
  const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  report_(job.client,
          {{"type", "job"}, {"id", job.id},
           {"state", cancelled ? "cancelled" : ok ? "done" : "failed"},
           {"files", files}, {"command", job.command},
           {"message", diagnostics}});
}

std::string KeepQueue::follow(const Job& job, int fd) {
  std::string pending;
  std::string diagnostics;
  char chunk[4096];
  double progress = 0.0;
  double told = 0.0;
  int64_t runTo = 0;
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return diagnostics;
    pending.append(chunk, std::size_t(n));
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      const std::string line = pending.substr(0, end);
      progress = progressFrom(line, progress, runTo);
      if (line.compare(0, 6, "marl: ") == 0 && diagnostics.size() < 4096)
        diagnostics += line + "\n";
      pending.erase(0, end + 1);
    }
    // Kept short: a console line too long for the buffer is dropped.
    if (pending.size() > 65536) pending.clear();
    if (progress >= told + 0.01) {
      told = progress;
      report_(job.client, {{"type", "job"}, {"id", job.id},
                           {"state", "running"}, {"progress", progress}});
    }
  }
}

}  // namespace marl
