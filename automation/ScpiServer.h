#pragma once
// The SCPI text server: lines of SCPI from TCP clients (or in-memory test clients), one command
// at a time on the user-interface thread, one command per turn of the event loop with the
// connections served in turn, replies written back, errors kept per connection.
//
// No thread of its own: socket events, parsing and commands all run on the user-interface
// thread, so the engine takes no locks. A command that waits (a single sweep) keeps the event
// loop running: the connections are read meanwhile and their commands queue until it returns.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Tcp.h"

namespace automation {

class TScpiSession;

class TScpiServer {
 public:
  static constexpr size_t kMaxConnections = 128;
  static constexpr size_t kMaxLineBytes = 4u << 20;         // longer lines are dropped: -223
  static constexpr size_t kMaxQueuedCommands = 1000;       // beyond: not read until it drains
  static constexpr size_t kMaxQueuedBytes = 16u << 20;
  static constexpr size_t kMaxUnsentBytes = 64u << 20;     // beyond: the connection is closed
  static constexpr uint16_t kDefaultPort = 5025;

  TScpiServer();
  ~TScpiServer();
  TScpiServer(const TScpiServer&) = delete;
  TScpiServer& operator=(const TScpiServer&) = delete;

  // Listens through platform::Tcp. Says where on standard error, or why not (then no listener).
  bool Listen(const std::string& address, uint16_t port);
  uint16_t Port() const;
  std::string Address() const;
  // Serves a connection: the listener's, or an in-memory one of a test.
  void Adopt(std::unique_ptr<platform::TcpConnection> connection);
  // Closes the listener and every connection; a waiting command ends its wait with 200.
  void Close();
  size_t ConnectionCount() const { return Connections.size(); }
  // Commands run once this is true; by default once the main window has made its channel
  // windows (or has shut down, when every command fails with 200).
  std::function<bool()> CommandsReady;
  // Where the server's few notices go (standard error by default).
  std::function<void(const std::string&)> Log;
  // The user id whose local clients are served (the program's own by default).
  uint32_t OwnerUid;
  // Called on the user-interface thread with every command before it runs (tests watch it).
  std::function<void()> OnCommand;

 private:
  struct Entry {
    std::string Line;
    bool TooLong = false;
  };
  struct Connection {
    std::unique_ptr<platform::TcpConnection> Socket;
    std::unique_ptr<TScpiSession> Session;
    std::string Input;
    size_t Scanned = 0;     // Input[0, Scanned) holds no LF
    bool Dropping = false;  // inside a line that was too long, up to its LF
    std::deque<Entry> Queue;
    size_t QueuedBytes = 0;
    bool Closed = false;
    bool Running = false;
  };
  using ConnectionPtr = std::shared_ptr<Connection>;

  void ReadFrom(const ConnectionPtr& c);
  void TakeLines(Connection& c, std::string&& bytes);
  bool Full(const Connection& c) const;
  void Schedule(int delayMs = 0);
  void RunOne();
  void Drop(const ConnectionPtr& c);
  void DropLater(const ConnectionPtr& c);
  bool Ready() const;

  std::unique_ptr<platform::TcpListener> Listener;
  std::vector<ConnectionPtr> Connections;
  size_t NextIndex = 0;
  bool Scheduled = false;
  bool Running = false;
  std::shared_ptr<bool> Alive;
};

}  // namespace automation
