// libFuzzer target for one picture reader: the input is a whole file, read
// as marl reads the text of a picture given as file=PICTURE. Built once per
// reader, with MARL_READER naming its function and MARL_FORMAT its format.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "files/bounded_file.h"
#include "readers/embedded_text.h"
#include "readers/embedded_text_readers.h"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

// One file per fuzzing process, rewritten for every input.
const std::string& pictureFile() {
  static const std::string path = [] {
    char name[] = "/tmp/marl-fuzz-picture-XXXXXX";
    const int fd = mkstemp(name);
    check(fd >= 0);
    close(fd);
    std::atexit([] { unlink(pictureFile().c_str()); });
    return std::string(name);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::FILE* out = std::fopen(pictureFile().c_str(), "wb");
  check(out != nullptr);
  check(std::fwrite(data, 1, size, out) == size);
  check(std::fclose(out) == 0);

  marl::BoundedFile file(marl::MaxEmbeddedTextRead);
  check(file.open(pictureFile()));
  marl::EmbeddedTextResult result;
  result.format = MARL_FORMAT;
  marl::MARL_READER(file, result);
  // Never more than the budget, and every failure says why.
  check(file.bytesRead() <= marl::MaxEmbeddedTextRead);
  check(result.status != marl::EmbeddedTextResult::NotAPicture);
  if (result.status != marl::EmbeddedTextResult::Found)
    check(!result.reason.empty());
  std::size_t textBytes = 0;
  for (const std::string& text : result.texts) textBytes += text.size();
  check(textBytes <= 2 * marl::MaxEmbeddedTextRead);
  check(result.texts.size() <= std::size_t(marl::MaxTextPieces));
  return 0;
}
