#include "explore/explorer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>

#include "colour/palettes.h"

namespace marl {
namespace {

using json = nlohmann::json;

// A page that keeps what the explorer sends it.
class PageLink : public ClientLink {
 public:
  void send(std::string message) override {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(json::parse(message));
    arrived_.notify_all();
  }
  // The first message of `type` not taken yet, others left for later;
  // null after 300 s (a sanitized build beside other tests may need
  // minutes for the 1024-pixel view).
  json next(const std::string& type) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(300);
    for (;;) {
      for (auto m = messages_.begin(); m != messages_.end(); ++m) {
        if ((*m)["type"] != type) continue;
        json found = *m;
        messages_.erase(m);
        return found;
      }
      if (arrived_.wait_until(lock, until) == std::cv_status::timeout) return nullptr;
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<json> messages_;
};

class ExplorerTest : public ::testing::Test {
 protected:
  Explorer explorer{"/nonexistent/marl", "/nonexistent"};
  std::shared_ptr<PageLink> page = std::make_shared<PageLink>();
  uint64_t id = explorer.connect(page);
  void say(const json& message) { explorer.receive(id, message.dump()); }
};

TEST_F(ExplorerTest, CandidatesThenAViewRefinedAndRecolouredFromItsCounts) {
  const json hello = page->next("hello");
  ASSERT_FALSE(hello.is_null());
  EXPECT_EQ(hello["palettes"].size(), builtInPalettes().size());

  say({{"type", "candidates"}, {"count", 2}, {"recipe", {{"palette", "magma"}}}});
  const json first = page->next("candidate");
  const json second = page->next("candidate");
  ASSERT_FALSE(second.is_null());
  EXPECT_NE(first["id"], second["id"]);
  EXPECT_NE(first["recipe"]["coefficients"], second["recipe"]["coefficients"]);
  EXPECT_GT(first["fill"].get<double>(), 0.0);
  EXPECT_LE(first["fill"].get<double>(), 1.0);
  EXPECT_EQ(first["recipe"]["palette"], "magma");
  EXPECT_EQ(first["image"].get<std::string>().rfind("data:image/webp;base64,", 0), 0u);

  json recipe = first["recipe"];
  say({{"type", "view"}, {"recipe", recipe}});
  std::vector<int64_t> hits;
  std::string lastImage;
  for (;;) {
    const json view = page->next("view");
    ASSERT_FALSE(view.is_null());
    hits.push_back(view["hits"]);
    lastImage = view["image"];
    if (view["done"]) break;
  }
  EXPECT_EQ(hits, (std::vector<int64_t>{4, 32, 200}));
  const json palettes = page->next("palettes");
  ASSERT_FALSE(palettes.is_null());
  EXPECT_EQ(palettes["previews"].size(), builtInPalettes().size());

  recipe["palette"] = "viridis";
  say({{"type", "colour"}, {"recipe", recipe}, {"sequence", 7}});
  const json recoloured = page->next("view");
  ASSERT_FALSE(recoloured.is_null());
  EXPECT_EQ(recoloured["sequence"], 7);
  EXPECT_EQ(recoloured["hits"], 200);  // the kept counts, not a new orbit
  EXPECT_NE(recoloured["image"], lastImage);

  // The density filter on the kept counts, twice alike, then off again:
  // the counts it filtered were a copy.
  std::vector<std::string> images;
  for (const char* filter : {"de", "de", "none"}) {
    recipe["filter"] = filter;
    say({{"type", "colour"}, {"recipe", recipe}, {"sequence", 8 + images.size()}});
    const json view = page->next("view");
    ASSERT_FALSE(view.is_null()) << filter;
    images.push_back(view["image"]);
  }
  EXPECT_EQ(images[0], images[1]);
  EXPECT_NE(images[0], recoloured["image"]);
  EXPECT_EQ(images[2], recoloured["image"]);
}

TEST_F(ExplorerTest, RefusesValuesOutOfTheirLimitsAndBadMessages) {
  say({{"type", "candidates"}, {"count", 1}, {"recipe", {{"gamma", "50"}}}});
  json refused = page->next("refused");
  ASSERT_FALSE(refused.is_null());
  EXPECT_EQ(refused["about"], "candidates");
  EXPECT_NE(refused["message"].get<std::string>().find("gamma=50"), std::string::npos);

  say({{"type", "keep"}, {"recipe", {{"size", "99999"}}}});
  refused = page->next("refused");
  EXPECT_EQ(refused["about"], "keep");
  EXPECT_NE(refused["message"].get<std::string>().find("size=99999"), std::string::npos);

  say({{"type", "candidates"}, {"count", 1000}});
  EXPECT_EQ(page->next("refused")["about"], "candidates");
  explorer.receive(id, "not json");
  EXPECT_EQ(page->next("refused")["about"], "message");
  say({{"type", "view"}, {"recipe", {{"palette", "magma"}}}});
  EXPECT_NE(page->next("refused")["message"].get<std::string>().find("no map"),
            std::string::npos);
  // A field of the wrong type is refused, never thrown out of the server.
  for (const json& message :
       {json{{"type", "candidates"}, {"count", "many"}},
        json{{"type", "candidates"}, {"count", 1}, {"replace", json::array()}},
        json{{"type", "mutate"}, {"step", "big"}}}) {
    SCOPED_TRACE(message.dump());
    ASSERT_NO_THROW(say(message));
    EXPECT_EQ(page->next("refused")["about"], message["type"]);
  }
}

}  // namespace
}  // namespace marl
