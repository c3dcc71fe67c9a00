#ifndef MARL_EXPLORE_PAGE_FILES_H_
#define MARL_EXPLORE_PAGE_FILES_H_

#include <cstddef>
#include <string>
#include <vector>

namespace marl {

// One file of the explorer's page, compiled into the binary.
struct PageFile {
  const char* path;  // as requested: "/index.html"
  const char* type;  // its Content-Type
  const unsigned char* data;
  std::size_t size;
};

// Every file of the page (made from src/explore/web/ at build time).
const std::vector<PageFile>& pageFiles();

// The file served for a request's path (without its query): "/" is the
// page itself; nullptr for anything else, so no path reaches the disk.
const PageFile* findPageFile(const std::string& path);

}  // namespace marl

#endif  // MARL_EXPLORE_PAGE_FILES_H_
