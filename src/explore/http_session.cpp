#include "explore/http_session.h"

#include <chrono>
#include <deque>
#include <optional>

#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "explore/page_files.h"

namespace marl {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace websocket = beast::websocket;
using tcp = asio::ip::tcp;
using Request = http::request<http::string_body>;

// Connections open at once, HTTP and WebSocket: past MaxConnections a new
// one is closed at once, so that a flood of idle connections cannot use up
// the process's file descriptors. Sessions live on the one I/O thread.
int openConnections = 0;
constexpr int MaxConnections = 512;

struct Counted {
  Counted() { ++openConnections; }
  ~Counted() { --openConnections; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
};

// A header's NAME=VALUE parameter.
std::string parameter(const char* name, const char* value) {
  return std::string(name) + "=" + value;
}

// The page's WebSocket: messages in go to the explorer, its answers go out
// in order. A page that reads too slowly to take them is closed rather
// than held in memory.
class SocketSession : public ClientLink,
                      public std::enable_shared_from_this<SocketSession> {
 public:
  SocketSession(tcp::socket socket, Explorer& explorer)
      : ws_(std::move(socket)), explorer_(explorer) {}
  ~SocketSession() override {
    if (client_) explorer_.disconnect(client_);
  }

  void run(Request request) {
    beast::get_lowest_layer(ws_).expires_never();
    ws_.set_option(
        websocket::stream_base::timeout::suggested(beast::role_type::server));
    ws_.read_message_max(TrustRules::MaxMessageBytes);
    ws_.async_accept(request, [self = shared_from_this()](beast::error_code ec) {
      if (ec) return;
      self->client_ = self->explorer_.connect(self);
      self->read();
    });
  }

  void send(std::string message) override {
    asio::post(ws_.get_executor(),
               [self = shared_from_this(), m = std::move(message)]() mutable {
                 self->queue(std::move(m));
               });
  }

 private:
  static constexpr std::size_t MaxQueuedBytes = std::size_t(64) << 20;

  void read() {
    ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec,
                                                        std::size_t) {
      if (ec) return self->end();
      const std::string text = beast::buffers_to_string(self->buffer_.data());
      self->buffer_.consume(self->buffer_.size());
      self->explorer_.receive(self->client_, text);
      self->read();
    });
  }

  void queue(std::string message) {
    if (closed_) return;
    queuedBytes_ += message.size();
    out_.push_back(std::move(message));
    if (queuedBytes_ > MaxQueuedBytes) return end();
    if (out_.size() == 1) write();
  }

  void write() {
    ws_.text(true);
    ws_.async_write(asio::buffer(out_.front()),
                    [self = shared_from_this()](beast::error_code ec,
                                                std::size_t) {
                      if (ec) return self->end();
                      self->queuedBytes_ -= self->out_.front().size();
                      self->out_.pop_front();
                      if (!self->out_.empty()) self->write();
                    });
  }

  void end() {
    if (closed_) return;
    closed_ = true;
    out_.clear();
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().shutdown(tcp::socket::shutdown_both,
                                                   ignored);
    if (client_) explorer_.disconnect(client_);
    client_ = 0;
  }

  Counted counted_;
  websocket::stream<beast::tcp_stream> ws_;
  Explorer& explorer_;
  beast::flat_buffer buffer_;
  std::deque<std::string> out_;
  std::size_t queuedBytes_ = 0;
  uint64_t client_ = 0;
  bool closed_ = false;
};

// One HTTP connection: requests read under bounds and a deadline, judged
// by the trust rules, and answered from the page's files.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(tcp::socket socket, const TrustRules& rules, Explorer& explorer)
      : stream_(std::move(socket)),
        deadline_(stream_.get_executor()),
        rules_(rules),
        explorer_(explorer) {}

  void run() { read(); }

 private:
  void read() {
    parser_.emplace();
    parser_->header_limit(TrustRules::MaxHeaderBytes);
    parser_->body_limit(TrustRules::MaxBodyBytes);
    // The stream's own deadline closes the socket outright; this one comes
    // first and stops the read, so that the client is told why.
    stream_.expires_after(std::chrono::seconds(RequestSeconds + 5));
    deadline_.expires_after(std::chrono::seconds(RequestSeconds));
    deadline_.async_wait([self = shared_from_this()](beast::error_code ec) {
      if (ec) return;
      self->timedOut_ = true;
      beast::error_code ignored;
      self->stream_.socket().cancel(ignored);
    });
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec,
                                                 std::size_t) {
                       self->deadline_.cancel();
                       self->onRead(ec);
                     });
  }

  void onRead(beast::error_code ec) {
    if (timedOut_) return refuse(408, "the request came too slowly");
    if (ec == http::error::end_of_stream) return close();
    if (ec == http::error::body_limit) return refuse(413, "the request's body is too large");
    if (ec == http::error::header_limit) return refuse(431, "the request's headers are too large");
    if (ec) return refuse(400, "the request cannot be read");
    Request request = parser_->release();
    RequestFacts facts;
    facts.method = std::string(request.method_string());
    facts.target = std::string(request.target());
    facts.host = std::string(request[http::field::host]);
    facts.origin = std::string(request[http::field::origin]);
    facts.cookie = std::string(request[http::field::cookie]);
    facts.upgrade = websocket::is_upgrade(request);
    const TrustVerdict verdict = judgeRequest(facts, rules_);
    if (verdict.status != 200) return refuse(verdict.status, verdict.reason);
    const std::string path = facts.target.substr(0, facts.target.find('?'));
    if (facts.upgrade && path == "/ws") {
      std::make_shared<SocketSession>(stream_.release_socket(), explorer_)
          ->run(std::move(request));
      return;
    }
    if (facts.method == "GET" && path.rfind(FolderPrefix, 0) == 0)
      return folderFile(path.substr(sizeof FolderPrefix - 1), request);
    if (facts.method == "GET" && path.rfind(LoopPrefix, 0) == 0)
      return loopVideo(path.substr(sizeof LoopPrefix - 1), request);
    const PageFile* file = facts.method == "GET" ? findPageFile(path) : nullptr;
    if (!file) return refuse(404, "there is no such page");
    auto response = std::make_shared<http::response<http::string_body>>(
        http::status::ok, request.version());
    response->set(http::field::content_type, file->type);
    response->body().assign(reinterpret_cast<const char*>(file->data), file->size);
    if (verdict.tokenInQuery)
      response->set(http::field::set_cookie,
                    rules_.cookieName + "=" + rules_.token + "; " +
                        parameter("Path", "/") + "; HttpOnly; " +
                        parameter("SameSite", "Strict"));
    respond(response, !request.keep_alive());
  }

  // folder=: a picture of the folder, named by the number the page was
  // sent with it, never by a path.
  static constexpr char FolderPrefix[] = "/folder/";
  void folderFile(const std::string& number, const Request& request) {
    const bool digits = !number.empty() && number.size() < 10 &&
                        number.find_first_not_of("0123456789") == std::string::npos;
    std::string bytes, type;
    if (!digits || !explorer_.folderFile(std::stoul(number), bytes, type))
      return refuse(404, "there is no such picture");
    auto response = std::make_shared<http::response<http::string_body>>(
        http::status::ok, request.version());
    response->set(http::field::content_type, type);
    response->body() = std::move(bytes);
    respond(response, !request.keep_alive());
  }

  // A loop preview, by the number the page was told.
  static constexpr char LoopPrefix[] = "/loop/";
  void loopVideo(const std::string& number, const Request& request) {
    const bool digits = !number.empty() && number.size() < 10 &&
                        number.find_first_not_of("0123456789") == std::string::npos;
    std::string bytes;
    if (!digits || !explorer_.loopVideo(std::stoul(number), bytes))
      return refuse(404, "there is no such loop");
    auto response = std::make_shared<http::response<http::string_body>>(
        http::status::ok, request.version());
    response->set(http::field::content_type, "video/webm");
    response->body() = std::move(bytes);
    respond(response, !request.keep_alive());
  }

  // A refused request ends its connection: whatever else it sent is not
  // read.
  void refuse(int status, const std::string& why) {
    auto response = std::make_shared<http::response<http::string_body>>(
        http::status(status), 11);
    response->set(http::field::content_type,
                  "text/plain; " + parameter("charset", "utf-8"));
    response->body() = "marl explore: " + why + "\n";
    respond(response, true);
  }

  void respond(const std::shared_ptr<http::response<http::string_body>>& response,
               bool thenClose) {
    response->set(http::field::server, "marl");
    response->set(http::field::cache_control, "no-store");
    response->set("Referrer-Policy", "no-referrer");
    response->set("X-Content-Type-Options", "nosniff");
    response->set("Content-Security-Policy",
                  "default-src 'self'; img-src 'self' data:; "
                  "connect-src 'self'; frame-ancestors 'none'");
    response->keep_alive(!thenClose);
    response->prepare_payload();
    stream_.expires_after(std::chrono::seconds(RequestSeconds));
    http::async_write(stream_, *response,
                      [self = shared_from_this(), response, thenClose](
                          beast::error_code ec, std::size_t) {
                        if (ec || thenClose) return self->close();
                        self->read();
                      });
  }

  void close() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
  }

  Counted counted_;
  beast::tcp_stream stream_;
  asio::steady_timer deadline_;
  bool timedOut_ = false;
  const TrustRules& rules_;
  Explorer& explorer_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
};

}  // namespace

void Listener::accept() {
  acceptor_.async_accept(
      asio::make_strand(io_),
      [self = shared_from_this()](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted) return;
        if (ec) {
          // Out of descriptors, say: wait a moment instead of spinning.
          auto pause = std::make_shared<asio::steady_timer>(
              self->io_, std::chrono::milliseconds(100));
          pause->async_wait([self, pause](beast::error_code) { self->accept(); });
          return;
        }
        if (openConnections < MaxConnections)
          std::make_shared<HttpSession>(std::move(socket), self->rules_,
                                        self->explorer_)
              ->run();
        self->accept();
      });
}

void Listener::stop() {
  beast::error_code ignored;
  acceptor_.close(ignored);
}

const PageFile* findPageFile(const std::string& path) {
  const std::string wanted = path == "/" ? "/index.html" : path;
  for (const PageFile& file : pageFiles())
    if (wanted == file.path) return &file;
  return nullptr;
}

}  // namespace marl
