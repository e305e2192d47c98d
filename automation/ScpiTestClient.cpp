#include "automation/ScpiTestClient.h"

#include "automation/ScpiServer.h"
#include "platform/Tcp.h"
#include "platform/ui/EventLoop.h"

namespace automation {

class TestConnection;

struct ScpiTestClient::State {
  std::string ToServer;
  std::string FromServer;
  bool ServerClosed = false;
  bool PeerClosed = false;
  TestConnection* Connection = nullptr;  // while the server holds it
};

class TestConnection : public platform::TcpConnection {
 public:
  explicit TestConnection(std::shared_ptr<ScpiTestClient::State> s) : S(std::move(s)) { S->Connection = this; }
  ~TestConnection() override {
    if (S->Connection == this) S->Connection = nullptr;
  }
  std::string read(size_t max) override {
    std::string out = S->ToServer.substr(0, max);
    S->ToServer.erase(0, out.size());
    return out;
  }
  size_t bytesAvailable() const override { return S->ServerClosed ? 0 : S->ToServer.size(); }
  void write(std::string_view bytes) override {
    if (!S->ServerClosed && !S->PeerClosed) S->FromServer.append(bytes);
  }
  size_t bytesToWrite() const override { return 0; }
  void close() override {
    S->ServerClosed = true;
    S->ToServer.clear();
  }
  std::string peerAddress() const override { return "memory"; }
  uint16_t peerPort() const override { return 0; }
  uint16_t localPort() const override { return 0; }
  bool peerIsLoopback() const override { return false; }

 private:
  std::shared_ptr<ScpiTestClient::State> S;
};

ScpiTestClient::ScpiTestClient(TScpiServer& server) : S(std::make_shared<State>()) {
  server.Adopt(std::make_unique<TestConnection>(S));
  if (S->Connection == nullptr) S->ServerClosed = true;
}

ScpiTestClient::~ScpiTestClient() { Close(); }

void ScpiTestClient::Feed(std::string_view bytes) {
  if (S->ServerClosed || S->PeerClosed) return;
  S->ToServer.append(bytes);
  if (S->Connection && S->Connection->onReadable) S->Connection->onReadable();
}

std::optional<std::string> ScpiTestClient::TakeLine() {
  const size_t lf = S->FromServer.find('\n');
  if (lf == std::string::npos) return std::nullopt;
  std::string line = S->FromServer.substr(0, lf);
  S->FromServer.erase(0, lf + 1);
  return line;
}

std::optional<std::string> ScpiTestClient::Query(std::string_view line, int timeoutMs) {
  Feed(std::string(line) + "\n");
  ui::EventLoop::WaitUntil([&] { return S->FromServer.find('\n') != std::string::npos || S->ServerClosed; },
                           timeoutMs);
  return TakeLine();
}

bool ScpiTestClient::Command(std::string_view line, int timeoutMs) {
  // The connection's commands run in order: the answer to *OPC? comes once the line has run.
  Feed(std::string(line) + "\n*OPC?\n");
  ui::EventLoop::WaitUntil([&] { return S->FromServer.find('\n') != std::string::npos || S->ServerClosed; },
                           timeoutMs);
  return TakeLine() == std::optional<std::string>("1");
}

void ScpiTestClient::Close() {
  if (S->PeerClosed) return;
  S->PeerClosed = true;
  S->ToServer.clear();
  if (S->Connection && !S->ServerClosed && S->Connection->onClosed) S->Connection->onClosed();
}

bool ScpiTestClient::ClosedByServer() const { return S->ServerClosed; }
size_t ScpiTestClient::Unread() const { return S->ToServer.size(); }
const std::string& ScpiTestClient::Pending() const { return S->FromServer; }

}  // namespace automation
