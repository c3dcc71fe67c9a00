// Exact mode's stills are pinned by the hashes of their files, so that a
// change anywhere on the way from the orbit to the file's bytes shows here.
// The hashes were taken from pictures checked byte for byte against the
// releases before them; a failure means a still changed, which exact mode
// must never do. Fast mode is left out: its pictures are the same only on
// one build and machine. The tiling too: Cairo's pixel arithmetic may
// follow the machine's vector instructions.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

// FNV-1a, 64 bits: stable everywhere, unlike std::hash.
uint64_t fnv1a(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

TEST(PinnedStillsEndToEnd, ExactStillsKeepTheirBytes) {
  const struct {
    std::vector<std::string> args;
    const char* file;
    uint64_t hash;
  } cases[] = {
      {{"size=300", "it=1500000"}, "symmetric_square007104.jpg",
       0x01b645ed9543903bull},
      {{"image=bmp", "size=250", "it=1200000"}, "symmetric_square007104.bmp",
       0x14ffacfdd1e30c59ull},
      {{"image=tiff", "size=240", "it=1200000", "R0=10", "G0=20", "B0=30"},
       "symmetric_square025194.tif", 0x8e17d1e0cf7ae735ull},
      {{"image=png", "size=260", "it=1200000", "threads=2"},
       "symmetric_square007104.png", 0x6b28d8c77f7870caull},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    const RunResult run = runMarl(folder, c.args);
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(folder.files(), std::vector<std::string>{c.file});
    EXPECT_EQ(fnv1a(folder.read(c.file)), c.hash) << c.file;
  }
}

}  // namespace
}  // namespace marl_e2e
