#pragma once
// An SCPI client in memory: its connection goes to the same server code as a TCP client's, the
// test feeds text and reads the replies. Everything on the user-interface thread.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace automation {

class TScpiServer;

class ScpiTestClient {
 public:
  // Connects to the server (the server adopts the in-memory connection at once).
  explicit ScpiTestClient(TScpiServer& server);
  ~ScpiTestClient();

  // Sends bytes as they are (add the LF yourself).
  void Feed(std::string_view bytes);
  // The next complete reply line (without its LF), when one has come.
  std::optional<std::string> TakeLine();
  // Sends the line with an LF, then runs the event loop until a reply line comes (at most
  // timeoutMs); empty when none came.
  std::optional<std::string> Query(std::string_view line, int timeoutMs = 10000);
  // Sends a line without queries and runs the event loop until it has run (at most timeoutMs);
  // false when it did not.
  bool Command(std::string_view line, int timeoutMs = 10000);
  // The peer closes (a client that goes away).
  void Close();
  // The server closed the connection.
  bool ClosedByServer() const;
  // Bytes sent that the server has not read yet.
  size_t Unread() const;
  // Reply bytes not yet taken.
  const std::string& Pending() const;

  struct State;

 private:
  std::shared_ptr<State> S;
};

}  // namespace automation
