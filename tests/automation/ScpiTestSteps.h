#pragma once
// Shared steps of the SCPI node tests: send a line, check its reply and the error it left.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "automation/AutomationCore.h"
#include "automation/ScpiTestClient.h"

namespace scpisteps {

inline const std::string kNone = "0,\"No error\"";

// Sends a line and checks its reply (when given) and the error it left (kNone: none).
inline void Step(automation::ScpiTestClient& c, const std::string& line, const std::string& reply,
                 const std::string& error = kNone) {
  SCOPED_TRACE(line);
  if (!reply.empty()) {
    EXPECT_EQ(c.Query(line), reply);
  } else {
    EXPECT_TRUE(c.Command(line));
  }
  EXPECT_EQ(c.Query("SYST:ERR?"), error);
}

// The error a line leaves, the queue emptied after it.
inline std::string ErrorOf(automation::ScpiTestClient& c, const std::string& line) {
  c.Command(line);
  return c.Query("SYST:ERR?").value_or("(no reply)");
}

// The node at a path of child getters from the root, each with its index arguments.
struct PathStep {
  const char* Getter;
  std::vector<automation::Variant> Args = {};
};
inline automation::Node NodeAt(std::initializer_list<PathStep> path) {
  using namespace automation;
  Node node = child(createApplication(), "SCPI").Value.asNode();
  for (const PathStep& s : path) {
    CallResult r = child(node, s.Getter, s.Args);
    EXPECT_TRUE(r.Outcome.Ok()) << s.Getter << ": " << r.Outcome.Description;
    if (!r.Outcome.Ok()) return nullptr;
    node = r.Value.asNode();
  }
  return node;
}

// The node at a path of child getters below a given node; an index of 0 passes no argument.
inline automation::Node Walk(automation::Node node, const std::vector<std::pair<const char*, int>>& path) {
  using namespace automation;
  for (const auto& [name, index] : path) {
    std::vector<Variant> args;
    if (index != 0) args.emplace_back(static_cast<int32_t>(index));
    CallResult r = child(node, name, args);
    EXPECT_TRUE(r.Outcome.Ok()) << name << ": " << r.Outcome.Description;
    if (!r.Outcome.Ok()) return nullptr;
    node = r.Value.asNode();
  }
  return node;
}

// Counts the events of a change hook while it lives, each passed on to the handler the hook had;
// that handler goes back at its end.
template <class Hook>
class ChangeCount {
 public:
  explicit ChangeCount(Hook& hook) : hook_(hook), saved_(hook) {
    hook_ = [this](auto&&... args) {
      ++count;
      if (saved_) saved_(std::forward<decltype(args)>(args)...);
    };
  }
  ~ChangeCount() { hook_ = saved_; }
  ChangeCount(const ChangeCount&) = delete;
  ChangeCount& operator=(const ChangeCount&) = delete;

  int count = 0;

 private:
  Hook& hook_;
  const Hook saved_;
};

// A plain socket to the server on the loopback port whose reads give up after timeoutSeconds;
// -1 when it does not connect.
inline int ConnectLoopback(uint16_t port, int timeoutSeconds) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  timeval tv{timeoutSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  return fd;
}

}  // namespace scpisteps
