#include "explore/trust_rules.h"

#include <algorithm>
#include <random>

namespace marl {

namespace {

// Compares without stopping at the first difference, so that the time an
// answer takes tells nothing of how much of a guess was right.
bool sameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}

bool isOwnHost(const std::string& host, const TrustRules& rules) {
  return std::find(rules.hosts.begin(), rules.hosts.end(), host) !=
         rules.hosts.end();
}

}  // namespace

std::string queryValue(const std::string& target, const std::string& name) {
  const std::size_t question = target.find('?');
  if (question == std::string::npos) return {};
  std::size_t at = question + 1;
  while (at <= target.size()) {
    std::size_t end = target.find('&', at);
    if (end == std::string::npos) end = target.size();
    const std::string pair = target.substr(at, end - at);
    if (pair.compare(0, name.size() + 1, name + "=") == 0)
      return pair.substr(name.size() + 1);
    at = end + 1;
  }
  return {};
}

std::string cookieValue(const std::string& cookie, const std::string& name) {
  std::size_t at = 0;
  while (at < cookie.size()) {
    std::size_t end = cookie.find(';', at);
    if (end == std::string::npos) end = cookie.size();
    std::size_t start = at;
    while (start < end && cookie[start] == ' ') ++start;
    const std::string pair = cookie.substr(start, end - start);
    if (pair.compare(0, name.size() + 1, name + "=") == 0)
      return pair.substr(name.size() + 1);
    at = end + 1;
  }
  return {};
}

TrustVerdict judgeRequest(const RequestFacts& request,
                          const TrustRules& rules) {
  if (!isOwnHost(request.host, rules))
    return {403, "the Host header names another server", false};
  const std::string fromQuery = queryValue(request.target, "token");
  const bool queryOk = !fromQuery.empty() && sameSecret(fromQuery, rules.token);
  const bool cookieOk =
      sameSecret(cookieValue(request.cookie, rules.cookieName), rules.token);
  if (!queryOk && !cookieOk)
    return {401, "open the address with the token that marl explore printed",
            false};
  if (request.upgrade || request.method == "POST") {
    // A page elsewhere can make the browser send the cookie along, but not
    // forge the Origin it comes from.
    if (request.origin.compare(0, 7, "http://") != 0 ||
        !isOwnHost(request.origin.substr(7), rules))
      return {403, "the request comes from another page's origin", false};
  }
  if (request.method != "GET" && request.method != "HEAD" &&
      request.method != "POST")
    return {405, "only GET and POST are answered", false};
  return {200, "", queryOk};
}

TrustRules trustRulesFor(const std::string& token, const std::string& address,
                         unsigned port) {
  TrustRules rules;
  rules.token = token;
  const std::string p = ":" + std::to_string(port);
  rules.hosts = {"127.0.0.1" + p, "localhost" + p, "[::1]" + p};
  const std::string bound =
      address.find(':') != std::string::npos ? "[" + address + "]" : address;
  if (!isOwnHost(bound + p, rules)) rules.hosts.push_back(bound + p);
  // A browser leaves out the port it need not name.
  if (port == 80) {
    const std::size_t named = rules.hosts.size();
    for (std::size_t i = 0; i < named; ++i)
      rules.hosts.push_back(rules.hosts[i].substr(0, rules.hosts[i].size() - p.size()));
  }
  rules.cookieName = "marl_token_" + std::to_string(port);
  return rules;
}

std::string freshToken() {
  std::random_device device;  // /dev/urandom
  static const char Hex[] = "0123456789abcdef";
  std::string token;
  for (int i = 0; i < 6; ++i) {
    const uint32_t word = device();
    for (int j = 0; j < 8; ++j) token += Hex[(word >> (4 * j)) & 0xF];
  }
  return token;
}

}  // namespace marl
