#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AutomationRig.h"
#include "ScpiTestSteps.h"
#include "automation/AutomationStart.h"
#include "automation/ScpiServer.h"
#include "automation/ScpiTestClient.h"
#include "instrument/Device.h"
#include "platform/SettingsStore.h"
#include "platform/Tcp.h"
#include "platform/ui/EventLoop.h"
#include "platform/ui/QtTcp.h"

using namespace automation;

namespace {

class ScpiServer : public AutomationRig {
 protected:
  void SetUp() override {
    AutomationRig::SetUp();
    ui::InstallQtTcp();
    server = std::make_unique<TScpiServer>();
    server->Log = [this](const std::string& line) { log.push_back(line); };
  }
  void TearDown() override {
    server.reset();
    AutomationRig::TearDown();
  }

  std::unique_ptr<TScpiServer> server;
  std::vector<std::string> log;
};

// A plain socket client: sends the text, reads until n lines or the peer closes.
int Connect(uint16_t port) { return scpisteps::ConnectLoopback(port, 10); }

std::string ReadLines(int fd, int lines) {
  std::string got;
  char buf[4096];
  while (std::count(got.begin(), got.end(), '\n') < lines) {
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  return got;
}

TEST_F(ScpiServer, LinesEndAtLfAndAnswerInOrder) {
  ScpiTestClient client(*server);
  const std::string idn = ::Device->GetIdentification();
  // Split anywhere; CR dropped; several lines in one piece.
  client.Feed("*ID");
  client.Feed("N?\r\nTRIG:SEQ:SOUR?\n*OPC?\nFOO?\nSYST:ERR?\n");
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return std::count(client.Pending().begin(), client.Pending().end(), '\n') >= 4; }, 5000));
  EXPECT_EQ(client.TakeLine(), idn);
  EXPECT_EQ(client.TakeLine(), "INT");
  EXPECT_EQ(client.TakeLine(), "1");
  EXPECT_EQ(client.TakeLine(), "-113,\"Undefined header\"");
}

TEST_F(ScpiServer, OverlongLinesAreDroppedWithTooMuchData) {
  ScpiTestClient client(*server);
  // 1 MB is a line like any other (a header error); 5 MiB is dropped up to its LF.
  client.Feed(std::string(1000000, 'A') + "\n");
  EXPECT_EQ(client.Query("SYST:ERR?"), "-113,\"Undefined header\"") << "1 MB of a header that names nothing";
  const std::string big(5u << 20, 'x');
  for (size_t i = 0; i < big.size(); i += 1 << 20) client.Feed(std::string_view(big).substr(i, 1 << 20));
  client.Feed("\n");
  EXPECT_EQ(client.Query("SYST:ERR?"), "-223,\"Too much data\"");
  EXPECT_EQ(client.Query("SYST:ERR?"), "0,\"No error\"");
  // Junk, NUL bytes and 100,000 separators: each its error, the state as it was.
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 256 == '\n' ? 1 : (i * 7919) % 256);
  client.Feed(junk + "\n");
  client.Feed(std::string(100000, ';') + "\n");
  EXPECT_EQ(client.Query("*IDN?"), ::Device->GetIdentification());
  EXPECT_EQ(client.Query("SYST:ERR?"), "-101,\"Invalid character\"");
  EXPECT_EQ(client.Query("SYST:ERR?"), "0,\"No error\"");
  EXPECT_EQ(ScannerModule->TriggerSource, TScannerModule::SourceInternal);
}

TEST_F(ScpiServer, AFullQueueIsLeftUnreadAndNothingIsDropped) {
  ScpiTestClient client(*server);
  const int count = 40000;
  std::string lines;
  for (int i = 0; i < count; ++i) lines += "*OPC?\n";
  client.Feed(lines);
  // Fed in one piece: the server read a little beyond its queue's limit and left the rest.
  EXPECT_GT(client.Unread(), lines.size() / 2);
  int replies = 0;
  EXPECT_TRUE(ui::EventLoop::WaitUntil(
      [&] {
        while (auto line = client.TakeLine()) {
          EXPECT_EQ(*line, "1");
          ++replies;
        }
        return replies == count;
      },
      60000));
  EXPECT_EQ(replies, count);
  EXPECT_EQ(client.Unread(), 0u);
}

TEST_F(ScpiServer, TheConnectionAfterTheLastOneAllowedIsClosedAtOnce) {
  std::vector<std::unique_ptr<ScpiTestClient>> clients;
  for (size_t i = 0; i < TScpiServer::kMaxConnections; ++i) clients.push_back(std::make_unique<ScpiTestClient>(*server));
  EXPECT_EQ(server->ConnectionCount(), TScpiServer::kMaxConnections);
  ScpiTestClient extra(*server);
  EXPECT_TRUE(extra.ClosedByServer());
  EXPECT_FALSE(clients.back()->ClosedByServer());
  EXPECT_EQ(clients.back()->Query("*OPC?"), "1");
  // A client that goes mid-line leaves the others' queues as they were.
  clients[0]->Feed("TRIG:SEQ:SO");
  clients[1]->Feed("*OPC?\n");
  clients[0]->Close();
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return server->ConnectionCount() == TScpiServer::kMaxConnections - 1; }, 5000));
  EXPECT_EQ(clients[1]->Query("*IDN?"), "1") << "the earlier reply comes first";
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return !clients[1]->Pending().empty(); }, 5000));
  EXPECT_EQ(clients[1]->TakeLine(), ::Device->GetIdentification());
}

// A client that reads none of its replies: beyond 64 MiB unsent, its connection is closed.
class SlowReader : public platform::TcpConnection {
 public:
  explicit SlowReader(bool& closed) : Closed(closed) {}
  std::string read(size_t max) override {
    std::string out = In.substr(0, max);
    In.erase(0, out.size());
    return out;
  }
  size_t bytesAvailable() const override { return In.size(); }
  void write(std::string_view bytes) override { Unsent += bytes.size(); }
  size_t bytesToWrite() const override { return Unsent; }
  void close() override { Closed = true; }
  std::string peerAddress() const override { return "memory"; }
  uint16_t peerPort() const override { return 0; }
  uint16_t localPort() const override { return 0; }
  bool peerIsLoopback() const override { return false; }
  std::string In;
  size_t Unsent = 0;
  bool& Closed;
};

TEST_F(ScpiServer, UnreadRepliesBeyondTheirLimitCloseTheConnection) {
  bool closed = false;
  auto owned = std::make_unique<SlowReader>(closed);
  SlowReader* reader = owned.get();
  reader->Unsent = TScpiServer::kMaxUnsentBytes - 1;  // the reply "1" and its LF cross the limit
  reader->In = "*OPC?\n";
  server->Adopt(std::move(owned));
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return closed; }, 5000));
  EXPECT_EQ(server->ConnectionCount(), 0u);
}

TEST_F(ScpiServer, CommandsWaitForTheChannelWindows) {
  bool ready = false;
  server->CommandsReady = [&] { return ready; };
  ScpiTestClient client(*server);
  client.Feed("*OPC?\n");
  ui::EventLoop::WaitMs(50);
  EXPECT_EQ(client.TakeLine(), std::nullopt);
  ready = true;
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return !client.Pending().empty(); }, 5000));
  EXPECT_EQ(client.TakeLine(), "1");
}

TEST_F(ScpiServer, ListensOnLoopbackAndServesItsOwnUserOnly) {
  ASSERT_TRUE(server->Listen("127.0.0.1", 0));
  EXPECT_EQ(server->Address(), "127.0.0.1");
  const uint16_t port = server->Port();
  ASSERT_NE(port, 0);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "SCPI server listening on 127.0.0.1:" + std::to_string(port));

  // A port in use: one line, no listener.
  TScpiServer second;
  std::vector<std::string> secondLog;
  second.Log = [&](const std::string& line) { secondLog.push_back(line); };
  EXPECT_FALSE(second.Listen("127.0.0.1", port));
  EXPECT_EQ(secondLog.size(), 1u);
  EXPECT_EQ(second.Port(), 0);

  // The same user is served.
  std::string mine;
  std::thread own([&] {
    const int fd = Connect(port);
    send(fd, "*OPC?\n", 6, 0);
    mine = ReadLines(fd, 1);
    close(fd);
  });
  ui::EventLoop::WaitUntil([&] { return !mine.empty(); }, 10000);
  own.join();
  EXPECT_EQ(mine, "1\n");

  // The server goes while a client is still connected: its connection goes with it.
  const int stays = Connect(port);
  ASSERT_GE(stays, 0);
  EXPECT_TRUE(ui::EventLoop::WaitUntil([&] { return server->ConnectionCount() == 1; }, 5000));
  server.reset();
  char byte;
  EXPECT_LE(recv(stays, &byte, 1, 0), 0) << "closed (or reset) by the server";
  close(stays);

  // Another local account is closed before any command.
  server = std::make_unique<TScpiServer>();
  ASSERT_TRUE(server->Listen("127.0.0.1", port));
  if (geteuid() != 0) GTEST_SKIP() << "only root can connect as another user";
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    const int fd = Connect(port);
    if (fd < 0) _exit(4);
    send(fd, "*OPC?\n", 6, 0);
    const std::string got = ReadLines(fd, 1);
    _exit(got.empty() ? 0 : 1);
  }
  int status = -1;
  ui::EventLoop::WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, 15000);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the other user got a reply; 3, 4: the set-up failed";
}

TEST_F(ScpiServer, TheOwnerOfALocalSocketComesFromTheKernelTables) {
  const std::filesystem::path root = testenv::Root() / "proc";
  std::filesystem::create_directories(root / "net");
  std::ofstream(root / "net/tcp")
      << "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n"
         "   0: 0100007F:13C4 0100007F:9C40 01 00000000:00000000 00:00000000 00000000  1000        0 1 1\n"
         "   1: 0100007F:9C40 0100007F:13C4 01 00000000:00000000 00:00000000 00000000 65534        0 2 1\n";
  std::ofstream(root / "net/tcp6") << "  sl  local_address remote_address st\n";
  EXPECT_EQ(platform::LocalSocketOwner(0x9C40, 0x13C4, root.string()), 65534u);
  EXPECT_EQ(platform::LocalSocketOwner(0x13C4, 0x9C40, root.string()), 1000u);
  EXPECT_EQ(platform::LocalSocketOwner(1, 2, root.string()), std::nullopt);
}

TEST_F(ScpiServer, TheProgramsServerListensOnLoopbackAtTheStoredPort) {
  platform::SettingsStore store((testenv::Root() / "scpi-default.ini").string());
  ASSERT_TRUE(store.writeInteger(platform::SettingsStore::kScpiPort, 0));
  EXPECT_EQ(AutomationStartup({"DemoMode"}, store), std::nullopt);
  ASSERT_NE(RunningScpiServer(), nullptr);
  EXPECT_EQ(RunningScpiServer()->Address(), "127.0.0.1");
  EXPECT_NE(RunningScpiServer()->Port(), 0);
  AutomationShutdown();
  EXPECT_EQ(RunningScpiServer(), nullptr);
}

}  // namespace
