#include "platform/Tcp.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

namespace platform {

std::function<std::unique_ptr<TcpListener>()> Tcp::MakeListener;
std::function<void(std::function<void()>, int delayMs)> Tcp::NextTurn;

namespace {

// The port of an "ADDRESS:PORT" field (both hexadecimal).
std::optional<uint32_t> PortOf(const std::string& field) {
  const size_t colon = field.rfind(':');
  if (colon == std::string::npos) return std::nullopt;
  uint32_t port = 0;
  const char* first = field.data() + colon + 1;
  const char* last = field.data() + field.size();
  auto [end, ec] = std::from_chars(first, last, port, 16);
  if (ec != std::errc() || end != last) return std::nullopt;
  return port;
}

std::optional<uint32_t> Search(const std::string& path, uint16_t localPort, uint16_t remotePort) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::vector<std::string> f;
    std::string word;
    while (f.size() < 8 && fields >> word) f.push_back(word);
    if (f.size() < 8) continue;
    const std::optional<uint32_t> local = PortOf(f[1]);
    const std::optional<uint32_t> remote = PortOf(f[2]);
    if (!local || !remote || *local != localPort || *remote != remotePort) continue;
    uint32_t uid = 0;
    auto [end, ec] = std::from_chars(f[7].data(), f[7].data() + f[7].size(), uid);
    if (ec != std::errc() || end != f[7].data() + f[7].size()) continue;
    return uid;
  }
  return std::nullopt;
}

}  // namespace

std::optional<uint32_t> LocalSocketOwner(uint16_t localPort, uint16_t remotePort, const std::string& procRoot) {
  if (auto uid = Search(procRoot + "/net/tcp", localPort, remotePort)) return uid;
  return Search(procRoot + "/net/tcp6", localPort, remotePort);
}

}  // namespace platform
