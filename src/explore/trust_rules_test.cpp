#include "explore/trust_rules.h"

#include <gtest/gtest.h>

namespace marl {
namespace {

const std::string Token = "0123456789abcdef0123456789abcdef0123456789abcdef";

struct Case {
  const char* name;
  RequestFacts request;
  int status;
  bool setsCookie;
};

TEST(TrustRules, EachRequestIsJudgedByTokenHostAndOrigin) {
  const TrustRules rules = trustRulesFor(Token, "127.0.0.1", 8642);
  const std::string withToken = "/?token=" + Token;
  const std::string cookie = "other=1; marl_token_8642=" + Token;
  const std::string own = "http://127.0.0.1:8642";
  const Case cases[] = {
      {"the printed address", {"GET", withToken, "127.0.0.1:8642"}, 200, true},
      {"localhost names it too", {"GET", withToken, "localhost:8642"}, 200, true},
      {"and ::1", {"GET", withToken, "[::1]:8642"}, 200, true},
      {"the cookie after the first visit",
       {"GET", "/explore.js", "127.0.0.1:8642", "", cookie}, 200, false},
      {"no token", {"GET", "/", "127.0.0.1:8642"}, 401, false},
      {"a wrong token", {"GET", "/?token=" + Token.substr(1) + "0", "127.0.0.1:8642"},
       401, false},
      {"an empty token", {"GET", "/?token=", "127.0.0.1:8642"}, 401, false},
      {"the cookie of another port",
       {"GET", "/", "127.0.0.1:8642", "", "marl_token_9000=" + Token}, 401, false},
      {"a rebound DNS name", {"GET", withToken, "attacker.example:8642"}, 403, false},
      {"another port", {"GET", withToken, "127.0.0.1:8643"}, 403, false},
      {"no Host", {"GET", withToken, ""}, 403, false},
      {"the socket from the page",
       {"GET", "/ws", "127.0.0.1:8642", own, cookie, true}, 200, false},
      {"the socket from another page",
       {"GET", "/ws", "127.0.0.1:8642", "http://attacker.example", cookie, true},
       403, false},
      {"the socket with no origin",
       {"GET", "/ws", "127.0.0.1:8642", "", cookie, true}, 403, false},
      {"the socket from another port",
       {"GET", "/ws", "127.0.0.1:8642", "http://127.0.0.1:9000", cookie, true},
       403, false},
      {"a POST from another page",
       {"POST", "/", "127.0.0.1:8642", "http://attacker.example", cookie}, 403,
       false},
      {"a POST from the page", {"POST", "/", "127.0.0.1:8642", own, cookie}, 200,
       false},
      {"another method", {"DELETE", "/", "127.0.0.1:8642", own, cookie}, 405,
       false},
  };
  for (const Case& c : cases) {
    const TrustVerdict verdict = judgeRequest(c.request, rules);
    EXPECT_EQ(verdict.status, c.status) << c.name;
    EXPECT_EQ(verdict.tokenInQuery, c.setsCookie) << c.name;
    EXPECT_EQ(verdict.reason.empty(), c.status == 200) << c.name;
  }
}

TEST(TrustRules, ABoundAddressIsAHostOfItsOwn) {
  const TrustRules v4 = trustRulesFor(Token, "192.168.1.5", 80);
  EXPECT_EQ(judgeRequest({"GET", "/?token=" + Token, "192.168.1.5:80"}, v4).status, 200);
  const TrustRules v6 = trustRulesFor(Token, "fe80::1", 8000);
  EXPECT_EQ(judgeRequest({"GET", "/?token=" + Token, "[fe80::1]:8000"}, v6).status, 200);
  EXPECT_EQ(v6.hosts.size(), 4u);
  // Loopback is not listed twice.
  EXPECT_EQ(trustRulesFor(Token, "::1", 8000).hosts.size(), 3u);
  // Port 80 may go unnamed.
  const TrustRules web = trustRulesFor(Token, "127.0.0.1", 80);
  EXPECT_EQ(judgeRequest({"GET", "/?token=" + Token, "localhost"}, web).status, 200);
  EXPECT_EQ(judgeRequest({"GET", "/?token=" + Token, "localhost:80"}, web).status, 200);
}

TEST(TrustRules, QueryAndCookieValuesAreFoundByWholeName) {
  EXPECT_EQ(queryValue("/ws?a=1&token=xy&b=2", "token"), "xy");
  EXPECT_EQ(queryValue("/ws?mytoken=xy", "token"), "");
  EXPECT_EQ(queryValue("/ws", "token"), "");
  EXPECT_EQ(cookieValue("a=1; b=2;c=3", "b"), "2");
  EXPECT_EQ(cookieValue("a=1; b=2;c=3", "c"), "3");
  EXPECT_EQ(cookieValue("ab=1", "b"), "");
}

TEST(TrustRules, TokensAreFreshAndLong) {
  const std::string a = freshToken();
  EXPECT_EQ(a.size(), 48u);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(a, freshToken());
}

}  // namespace
}  // namespace marl
