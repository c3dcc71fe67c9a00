#ifndef MARL_EXPLORE_TRUST_RULES_H_
#define MARL_EXPLORE_TRUST_RULES_H_

#include <cstddef>
#include <string>
#include <vector>

namespace marl {

// Whom the explorer answers. Anything on the machine (and, with host=, the
// network) can reach its port, and any web page the user visits can make
// the browser send it requests, so every request must show the token the
// console printed, name the server as it was bound (a page on a DNS name
// rebound to 127.0.0.1 names its own), and a WebSocket or POST must come
// from the page's own origin.
struct TrustRules {
  std::string token;
  // Host header values that name this server: "127.0.0.1:8642",
  // "localhost:8642", "[::1]:8642" and the bound address.
  std::vector<std::string> hosts;
  // The cookie that carries the token after the first visit; named by the
  // port, as browsers share cookies between a host's ports.
  std::string cookieName;

  static constexpr std::size_t MaxHeaderBytes = 8 * 1024;
  static constexpr std::size_t MaxBodyBytes = 64 * 1024;
  static constexpr std::size_t MaxMessageBytes = 64 * 1024;
};

// What a request shows about itself.
struct RequestFacts {
  std::string method;  // "GET"
  std::string target;  // "/ws?token=..."
  std::string host;
  std::string origin;  // empty when absent
  std::string cookie;  // the whole Cookie header
  bool upgrade = false;  // asks for a WebSocket
};

struct TrustVerdict {
  int status = 200;    // 200 when the request may be answered
  std::string reason;  // why not, for the refusal's body
  bool tokenInQuery = false;  // then the answer sets the cookie
};

TrustVerdict judgeRequest(const RequestFacts& request,
                          const TrustRules& rules);

// The rules for a server bound to `address` (numeric) on `port`.
TrustRules trustRulesFor(const std::string& token, const std::string& address,
                         unsigned port);

// A random token of 48 hex digits from the system's random source.
std::string freshToken();

// The value of `name` in a query string or a Cookie header; empty when
// absent.
std::string queryValue(const std::string& target, const std::string& name);
std::string cookieValue(const std::string& cookie, const std::string& name);

}  // namespace marl

#endif  // MARL_EXPLORE_TRUST_RULES_H_
