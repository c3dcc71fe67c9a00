#include "files/leftover_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <set>

namespace marl {

namespace {

constexpr std::size_t BootLength = 8;
constexpr std::size_t RandomLength = 6;
// A file of another boot (another machine on a shared folder) is left this
// long after its last change: its owner may be between creating and
// locking it.
constexpr std::time_t ForeignQuiet = 60;

const std::string& thisBoot() {
  static const std::string boot = [] {
    std::string id(BootLength, '0');
    if (std::FILE* file = std::fopen("/proc/sys/kernel/random/boot_id", "r")) {
      char text[BootLength + 1] = {};
      if (std::fread(text, 1, BootLength, file) == BootLength) id = text;
      std::fclose(file);
    }
    for (char& c : id) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) c = '0';
    }
    return id;
  }();
  return boot;
}

bool processLives(long pid) {
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// Removes `entry` of `folder` when it is a dead owner's leftover.
void removeIfDead(const std::string& folder, const std::string& entry) {
  std::string boot;
  long pid = 0;
  if (!isTemporaryName(entry, boot, pid)) return;
  if (boot == thisBoot() && processLives(pid)) return;
  const std::string path = folder.empty() ? entry : folder + "/" + entry;
  // Open for writing: where flock is emulated by record locks (NFS), an
  // exclusive lock needs it.
  const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  struct stat status;
  const bool quiet =
      fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      (boot == thisBoot() || std::time(nullptr) - status.st_mtime > ForeignQuiet);
  // The lock is held until the name is gone, so that no one else can take
  // the file for a live one in between.
  if (quiet && flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
  close(fd);
}

}  // namespace

std::string temporaryNameMark() {
  return ".tmp-" + thisBoot() + "-" + std::to_string(getpid()) + "-";
}

bool isTemporaryName(const std::string& entry, std::string& boot, long& pid) {
  const std::size_t mark = entry.rfind(".tmp-");
  if (mark == std::string::npos) return false;
  const std::string rest = entry.substr(mark + 5);
  // BOOT-PID-XXXXXX
  const std::size_t dash = rest.find('-');
  const std::size_t last = rest.rfind('-');
  if (dash != BootLength || last == dash || last + 1 + RandomLength != rest.size())
    return false;
  for (std::size_t i = 0; i < BootLength; ++i) {
    if (!std::isxdigit(static_cast<unsigned char>(rest[i]))) return false;
  }
  const std::string digits = rest.substr(dash + 1, last - dash - 1);
  if (digits.empty() || digits.size() > 9) return false;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  for (std::size_t i = last + 1; i < rest.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(rest[i]))) return false;
  }
  boot = rest.substr(0, BootLength);
  pid = std::stol(digits);
  return pid > 0;
}

void removeDeadLeftovers(const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> cleaned;
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (!cleaned.insert(folder).second) return;
  }
  DIR* const listing = opendir(folder.empty() ? "." : folder.c_str());
  if (!listing) return;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name.find(".tmp-") != std::string::npos) removeIfDead(folder, name);
  }
  closedir(listing);
}

}  // namespace marl
