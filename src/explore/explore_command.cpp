#include "explore/explore_command.h"

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/signal_set.hpp>

#include "base/escaped_text.h"
#include "driver/argument_map.h"
#include "driver/option_reader.h"
#include "explore/explorer.h"
#include "explore/http_session.h"
#include "explore/trust_rules.h"
#include "options/option_keys.h"

extern char** environ;

namespace marl {

namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

constexpr unsigned DefaultPort = 8642;

// The program itself, which makes the pictures the page keeps.
std::string ownProgram(const char* argv0) {
  std::vector<char> path(4096);
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return argv0;
  return std::string(path.data(), std::size_t(n));
}

bool listenOn(tcp::acceptor& acceptor, const asio::ip::address& address,
              unsigned port, std::string& why) {
  boost::system::error_code ec;
  const tcp::endpoint at(address, static_cast<unsigned short>(port));
  acceptor.open(at.protocol(), ec);
  if (!ec && address.is_v6()) acceptor.set_option(asio::ip::v6_only(true), ec);
  if (!ec) acceptor.set_option(asio::socket_base::reuse_address(true), ec);
  if (!ec) acceptor.bind(at, ec);
  if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) why = ec.message();
  return !ec;
}

std::string hostPart(const asio::ip::address& address) {
  return address.is_v6() ? "[" + address.to_string() + "]"
                         : address.to_string();
}

void openInBrowser(const std::string& url, std::ostream& err) {
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr,
                   const_cast<char* const*>(argv), environ) != 0)
    err << "marl: warning: cannot run xdg-open; open the address above "
           "yourself\n";
}

}  // namespace

bool asksForExplorer(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strchr(argv[i], '=')) return false;
    // A request for help or the version is answered first, as always.
    for (const char* word : {key::Help, key::DashH, key::Version,
                             key::DashDashVersion})
      if (std::strcmp(argv[i], word) == 0) return false;
    if (std::strcmp(argv[i], key::Explore) == 0) return true;
  }
  return false;
}

int runExplorer(int argc, const char* const* argv, std::ostream& out,
                std::ostream& err) {
  const ArgumentMap map(argc, argv, err);
  if (!map.ok()) return 1;
  OptionReader read(map, err);
  const unsigned port = unsigned(read.integer(key::Port).value_or(DefaultPort));
  const bool open = read.onOff(key::Open).value_or(false);
  for (const auto& [key, value] : map.values()) {
    const std::string k = key;
    if (k == argv[0] || k == key::Explore || k == key::Port ||
        k == key::Host || k == key::Open || k == key::Folder)
      continue;
    err << "marl: warning: ignoring " << Escaped{k}
        << ": the explorer takes only port=, host=, open= and folder=; the "
           "page sets the rest\n";
  }

  std::vector<asio::ip::address> addresses;
  if (const std::string* host = read.text(key::Host)) {
    boost::system::error_code ec;
    const asio::ip::address address = asio::ip::make_address(*host, ec);
    if (ec) {
      err << "marl: error: host=" << Escaped{*host}
          << " is not a numeric address; give one such as 127.0.0.1\n";
      return 1;
    }
    if (!address.is_loopback())
      err << "marl: warning: host=" << Escaped{*host}
          << " lets other machines reach the explorer: anyone who learns "
             "its address with the token can use it\n";
    addresses.push_back(address);
  } else {
    addresses = {asio::ip::make_address("127.0.0.1"),
                 asio::ip::make_address("::1")};
  }
  // Before the io_context: its sessions, ended with it, still tell these.
  Explorer explorer(ownProgram(argv[0]), ".");
  if (const std::string* folder = read.text(key::Folder)) {
    std::error_code ec;
    if (!std::filesystem::is_directory(*folder, ec)) {
      err << "marl: error: folder=" << Escaped{*folder}
          << " is not a folder that can be read; give the folder of the "
             "pictures to show\n";
      return 1;
    }
    explorer.showFolder(*folder, err);
  }
  std::optional<TrustRules> rules;
  asio::io_context io(1);
  std::vector<tcp::acceptor> acceptors;
  unsigned boundPort = port;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    tcp::acceptor acceptor(io);
    std::string why;
    if (!listenOn(acceptor, addresses[i], boundPort, why)) {
      // The second loopback address is a convenience: IPv6 may be off.
      if (i > 0) continue;
      err << "marl: error: cannot listen on " << hostPart(addresses[i]) << ":"
          << boundPort << ": " << why
          << "; give another port= (port=0 lets the system choose one)\n";
      return 1;
    }
    boundPort = acceptor.local_endpoint().port();
    acceptors.push_back(std::move(acceptor));
  }

  const std::string token = freshToken();
  rules = trustRulesFor(token, addresses.front().to_string(), boundPort);
  std::vector<std::shared_ptr<Listener>> listeners;
  for (tcp::acceptor& acceptor : acceptors) {
    listeners.push_back(std::make_shared<Listener>(io, std::move(acceptor),
                                                   *rules, explorer));
    listeners.back()->start();
  }
  const std::string url = "http://" + hostPart(addresses.front()) + ":" +
                          std::to_string(boundPort) + "/?token=" + token;
  out << url << std::endl;
  if (open) openInBrowser(url, err);

  asio::signal_set signals(io, SIGINT, SIGTERM, SIGHUP);
  signals.async_wait([&](const boost::system::error_code&, int) {
    for (auto& listener : listeners) listener->stop();
    explorer.stop();
    io.stop();
  });
  io.run();
  explorer.stop();
  err << "marl: note: the explorer has stopped; the pictures it kept are in "
         "this folder\n";
  return 0;
}

}  // namespace marl
