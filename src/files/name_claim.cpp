#include "files/name_claim.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace marl {

namespace {

// FNV-1a: names can be longer than an address holds.
std::uint64_t hashOf(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

NameClaim::~NameClaim() { release(); }

void NameClaim::release() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool NameClaim::tryClaim(const std::string& fileName) {
  if (fd_ >= 0) return true;
  const std::size_t slash = fileName.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                          : fileName.substr(0, slash);
  const std::string entry =
      slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  struct stat status;
  if (stat(folder.c_str(), &status) != 0) return true;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // The leading NUL makes it abstract: no file behind it.
  const int length = std::snprintf(
      address.sun_path + 1, sizeof address.sun_path - 1,
      "marl-claim/%llx/%llx/%016llx",
      static_cast<unsigned long long>(status.st_dev),
      static_cast<unsigned long long>(status.st_ino),
      static_cast<unsigned long long>(hashOf(entry)));
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;
  const socklen_t size =
      socklen_t(offsetof(sockaddr_un, sun_path) + 1 + std::size_t(length));
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
    fd_ = fd;
    return true;
  }
  const int error = errno;
  close(fd);
  return error != EADDRINUSE;
}

}  // namespace marl
