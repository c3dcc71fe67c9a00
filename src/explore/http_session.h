#ifndef MARL_EXPLORE_HTTP_SESSION_H_
#define MARL_EXPLORE_HTTP_SESSION_H_

#include <memory>

#include <boost/asio/ip/tcp.hpp>

#include "explore/explorer.h"
#include "explore/trust_rules.h"

namespace marl {

// Accepts connections on one address and answers each (page files, or the
// page's WebSocket) under the trust rules.
class Listener : public std::enable_shared_from_this<Listener> {
 public:
  Listener(boost::asio::io_context& io, boost::asio::ip::tcp::acceptor acceptor,
           const TrustRules& rules, Explorer& explorer)
      : io_(io), acceptor_(std::move(acceptor)), rules_(rules),
        explorer_(explorer) {}

  void start() { accept(); }
  void stop();

 private:
  void accept();

  boost::asio::io_context& io_;
  boost::asio::ip::tcp::acceptor acceptor_;
  const TrustRules& rules_;
  Explorer& explorer_;
};

// Seconds a client has to send a whole request, headers and body.
constexpr int RequestSeconds = 10;

}  // namespace marl

#endif  // MARL_EXPLORE_HTTP_SESSION_H_
