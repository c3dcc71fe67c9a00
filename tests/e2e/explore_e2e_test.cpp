// The explorer's server, run for real and reached over the loopback: who it
// answers, how it refuses the others, what it keeps, and how it stops.
#include <signal.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "e2e/marl_process.h"

namespace marl_e2e {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

// `marl explore port=0` in a folder of its own, and its printed address.
class Explorer {
 public:
  Explorer() {
    Launch launch;
    // A frozen clock would stop the server's deadlines too.
    launch.frozenClock = false;
    launch.standardOutput = console_.path() + "/out";
    process_.emplace(folder_, std::vector<std::string>{"explore", "port=0"}, launch);
    for (int i = 0; i < 200 && url_.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::ifstream out(console_.path() + "/out");
      std::getline(out, url_);
    }
    const std::size_t colon = url_.rfind(':');
    port_ = std::stoi(url_.substr(colon + 1));
    token_ = url_.substr(url_.find("token=") + 6);
  }

  unsigned port() const { return unsigned(port_); }
  const std::string& url() const { return url_; }
  const std::string& token() const { return token_; }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  const TempFolder& folder() const { return folder_; }
  MarlProcess& process() { return *process_; }

 private:
  TempFolder folder_;
  TempFolder console_;
  std::optional<MarlProcess> process_;
  std::string url_;
  std::string token_;
  int port_ = 0;
};

// Sends `raw` as it is and reads the answer: its status, 0 when none came.
int statusOf(unsigned port, const std::string& raw) {
  asio::io_context io;
  tcp::socket socket(io);
  socket.connect({asio::ip::make_address("127.0.0.1"), (unsigned short)port});
  beast::error_code ec;
  asio::write(socket, asio::buffer(raw), ec);
  beast::flat_buffer buffer;
  http::response<http::string_body> response;
  http::read(socket, buffer, response, ec);
  return ec && ec != http::error::end_of_stream ? 0 : int(response.result_int());
}

std::string get(const std::string& target, const std::string& host,
                const std::string& extra = "") {
  return "GET " + target + " HTTP/1.1\r\nHost: " + host +
         "\r\nConnection: close\r\n" + extra + "\r\n";
}

std::string upgrade(const std::string& target, const std::string& host,
                    const std::string& origin) {
  return "GET " + target + " HTTP/1.1\r\nHost: " + host +
         "\r\nConnection: Upgrade\r\nUpgrade: websocket\r\n"
         "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n" +
         (origin.empty() ? "" : "Origin: " + origin + "\r\n") + "\r\n";
}

// The page's socket, opened with `origin`.
struct Socket {
  asio::io_context io;
  websocket::stream<tcp::socket> ws{io};

  bool open(const Explorer& e, const std::string& origin) {
    ws.next_layer().connect(
        {asio::ip::make_address("127.0.0.1"), (unsigned short)e.port()});
    ws.set_option(websocket::stream_base::decorator(
        [origin](websocket::request_type& r) { r.set(http::field::origin, origin); }));
    beast::error_code ec;
    websocket::response_type response;
    ws.handshake(response, e.host(), "/ws?token=" + e.token(), ec);
    return !ec;
  }
  void say(const json& message) { ws.write(asio::buffer(message.dump())); }
  json next(const std::string& type) {
    for (;;) {
      beast::flat_buffer buffer;
      ws.read(buffer);
      json m = json::parse(beast::buffers_to_string(buffer.data()));
      if (m["type"] == type) return m;
    }
  }
};

TEST(ExploreEndToEnd, RefusesStrangersWithTheRightStatusAndServesThePage) {
  Explorer e;
  ASSERT_FALSE(e.url().empty());
  EXPECT_EQ(e.url().rfind("http://127.0.0.1:", 0), 0u) << e.url();
  const std::string page = "/?token=" + e.token();
  EXPECT_EQ(statusOf(e.port(), get(page, e.host())), 200);
  EXPECT_EQ(statusOf(e.port(), get(page, "localhost:" + std::to_string(e.port()))), 200);
  EXPECT_EQ(statusOf(e.port(), get("/", e.host())), 401);
  EXPECT_EQ(statusOf(e.port(), get("/?token=nottheone", e.host())), 401);
  EXPECT_EQ(statusOf(e.port(), get(page, "rebound.example:" + std::to_string(e.port()))), 403);
  EXPECT_EQ(statusOf(e.port(), get("/../../etc/passwd?token=" + e.token(), e.host())), 404);
  EXPECT_EQ(statusOf(e.port(), get(page, e.host(), "X-Big: " + std::string(20000, 'a') + "\r\n")), 431);
  EXPECT_EQ(statusOf(e.port(),
                     "POST " + page + " HTTP/1.1\r\nHost: " + e.host() +
                         "\r\nOrigin: http://" + e.host() +
                         "\r\nContent-Length: 1000000\r\n\r\n" + std::string(70000, 'x')),
            413);
  EXPECT_EQ(statusOf(e.port(), "NOT HTTP\r\n\r\n"), 400);

  const std::string ws = "/ws?token=" + e.token();
  const std::string own = "http://" + e.host();
  EXPECT_EQ(statusOf(e.port(), upgrade(ws, e.host(), "http://attacker.example")), 403);
  EXPECT_EQ(statusOf(e.port(), upgrade(ws, e.host(), "")), 403);
  EXPECT_EQ(statusOf(e.port(), upgrade("/ws", e.host(), own)), 401);
  EXPECT_EQ(statusOf(e.port(), upgrade(ws, "rebound.example", own)), 403);
  Socket foreign;
  EXPECT_FALSE(foreign.open(e, "http://attacker.example"));
  Socket page1;
  ASSERT_TRUE(page1.open(e, "http://" + e.host()));
  EXPECT_FALSE(page1.next("hello")["palettes"].empty());
  page1.say({{"type", "keep"}, {"recipe", {{"size", "99999"}}}});
  const json refused = page1.next("refused");
  EXPECT_NE(refused["message"].get<std::string>().find("size=99999 is above"),
            std::string::npos) << refused.dump();
}

TEST(ExploreEndToEnd, ASlowClientIsCutOffWithoutDelayingOthers) {
  Explorer e;
  asio::io_context io;
  tcp::socket slow(io);
  slow.connect({asio::ip::make_address("127.0.0.1"), (unsigned short)e.port()});
  const auto started = Clock::now();
  std::thread dribble([&] {
    // A byte at a time of a request that never ends.
    const std::string start = "GET / HTTP/1.1\r\nHost: " + e.host() + "\r\nX-Slow: ";
    beast::error_code ec;
    for (std::size_t i = 0; i < start.size() && !ec; ++i) {
      asio::write(slow, asio::buffer(&start[i], 1), ec);
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    for (int i = 0; i < 200 && !ec; ++i) {
      asio::write(slow, asio::buffer("a", 1), ec);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (int i = 0; i < 20; ++i) {
    const auto asked = Clock::now();
    EXPECT_EQ(statusOf(e.port(), get("/?token=" + e.token(), e.host())), 200);
    EXPECT_LT(Clock::now() - asked, std::chrono::seconds(1));
  }
  beast::flat_buffer buffer;
  http::response<http::string_body> response;
  beast::error_code ec;
  http::read(slow, buffer, response, ec);
  const auto waited = Clock::now() - started;
  EXPECT_EQ(response.result_int(), 408u) << ec.message();
  EXPECT_GE(waited, std::chrono::seconds(9));
  EXPECT_LT(waited, std::chrono::seconds(15));
  slow.close();
  dribble.join();
}

TEST(ExploreEndToEnd, KeepsWhatTheShownCommandMakesAndStopsCleanlyOnCtrlC) {
  Explorer e;
  Socket page;
  ASSERT_TRUE(page.open(e, "http://" + e.host()));
  page.say({{"type", "candidates"}, {"count", 1}});
  json recipe = page.next("candidate")["recipe"];
  recipe["size"] = "96";
  recipe["it"] = "1500000";
  recipe["mode"] = "exact";
  recipe["image"] = "png";
  page.say({{"type", "keep"}, {"recipe", recipe}});
  json job = page.next("job");
  const std::string command = job["command"];
  while (job["state"] != "done" && job["state"] != "failed") job = page.next("job");
  ASSERT_EQ(job["state"], "done") << job.dump();
  ASSERT_EQ(job["files"].size(), 1u);
  const std::string kept = job["files"][0];

  // The command, run elsewhere at another time, makes the same bytes.
  std::istringstream words(command);
  std::vector<std::string> args;
  std::string word;
  words >> word;
  EXPECT_EQ(word, "marl");
  while (words >> word) args.push_back(word);
  TempFolder elsewhere;
  const RunResult again = runMarl(elsewhere, args, "2026-07-04 12:34:56");
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(elsewhere.read(kept), e.folder().read(kept));

  // A long job, cancelled by Ctrl-C while it runs.
  recipe["size"] = "2000";
  recipe["it"] = "200000000";
  page.say({{"type", "keep"}, {"recipe", recipe}});
  job = page.next("job");
  while (job["state"] != "running") job = page.next("job");
  e.process().signal(SIGINT);
  const RunResult stopped = e.process().waitAtMost(std::chrono::seconds(30));
  EXPECT_EQ(stopped.status, 0) << stopped.err;
  EXPECT_NE(stopped.err.find("marl: note: the explorer has stopped"), std::string::npos)
      << stopped.err;
  std::vector<std::string> left;
  for (const std::string& name : e.folder().files())
    if (name[0] != '.') left.push_back(name);
  EXPECT_EQ(left, std::vector<std::string>{kept});
}

}  // namespace
}  // namespace marl_e2e

namespace marl_e2e {
namespace {

TEST(ExploreEndToEnd, StartingProblemsAreToldAndNothingIsServed) {
  TempFolder folder;
  const RunResult bad = runMarl(folder, {"explore", "size=5", "host=nowhere"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "");  // neither the usage text nor an address
  EXPECT_NE(bad.err.find("marl: warning: ignoring size: the explorer takes only"),
            std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("marl: error: host=nowhere is not a numeric address"),
            std::string::npos) << bad.err;

  // A port already taken.
  asio::io_context io;
  tcp::acceptor taken(io, {asio::ip::make_address("127.0.0.1"), 0});
  const std::string port = std::to_string(taken.local_endpoint().port());
  const RunResult busy = runMarl(folder, {"explore", "port=" + port});
  EXPECT_EQ(busy.status, 1);
  EXPECT_NE(busy.err.find("marl: error: cannot listen on 127.0.0.1:" + port),
            std::string::npos) << busy.err;
  EXPECT_NE(busy.err.find("port=0 lets the system choose"), std::string::npos);
  EXPECT_TRUE(folder.files().empty());

  // Help asked for first is help, as always.
  const RunResult help = runMarl(folder, {"help", "explore"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, usageText());
}

}  // namespace
}  // namespace marl_e2e
