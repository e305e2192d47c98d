#pragma once
// TCP as the SCPI server sees it: a listener that hands out connections, and connections that
// read, write and close. Everything runs on the user-interface thread: the callbacks come from
// its event loop. The program installs the Qt implementation (platform/ui/QtTcp.h); tests add an
// in-memory connection of their own.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class TcpConnection {
 public:
  virtual ~TcpConnection() = default;

  // Up to max bytes of what has arrived (empty when nothing has).
  virtual std::string read(size_t max) = 0;
  virtual size_t bytesAvailable() const = 0;
  // Queues bytes to send.
  virtual void write(std::string_view bytes) = 0;
  // Bytes queued and not yet handed to the system.
  virtual size_t bytesToWrite() const = 0;
  // Closes at once, dropping what is unsent; no callback runs afterwards.
  virtual void close() = 0;
  // The peer's address and port, and the local ones ("127.0.0.1", "::1", ...).
  virtual std::string peerAddress() const = 0;
  virtual uint16_t peerPort() const = 0;
  virtual uint16_t localPort() const = 0;
  // Whether the peer's address is a loopback address.
  virtual bool peerIsLoopback() const = 0;

  std::function<void()> onReadable;  // new bytes have arrived
  std::function<void()> onClosed;    // the peer closed or the connection failed
};

class TcpListener {
 public:
  virtual ~TcpListener() = default;
  // Listens on the address and port (0: a free port). False with the reason on failure.
  virtual bool listen(const std::string& address, uint16_t port, std::string& error) = 0;
  virtual uint16_t port() const = 0;
  virtual std::string address() const = 0;
  virtual void close() = 0;

  std::function<void(std::unique_ptr<TcpConnection>)> onConnection;
};

// The transport in force.
struct Tcp {
  // A new listener; empty before the program installs its transport.
  static std::function<std::unique_ptr<TcpListener>()> MakeListener;
  // Runs the closure on the user-interface thread in a later turn of its event loop (after
  // delayMs when given), so input, paints and timers run in between.
  static std::function<void(std::function<void()>, int delayMs)> NextTurn;
};

// The user id that owns a local TCP socket with this local port connected to remotePort, from
// /proc/net/tcp and /proc/net/tcp6 (procRoot for tests); none when no such socket is listed.
std::optional<uint32_t> LocalSocketOwner(uint16_t localPort, uint16_t remotePort, const std::string& procRoot = "/proc");

}  // namespace platform
