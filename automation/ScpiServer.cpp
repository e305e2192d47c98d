#include "automation/ScpiServer.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "automation/AutomationCore.h"
#include "automation/ScpiParser.h"
#include "automation/ScpiSession.h"
#include "shell/MainFrm.h"

namespace automation {

namespace {
constexpr size_t kReadChunk = 64 * 1024;
}

TScpiServer::TScpiServer() : OwnerUid(static_cast<uint32_t>(geteuid())), Alive(std::make_shared<bool>(true)) {
  CommandsReady = [] { return MainFrm != nullptr && (MainFrm->IsShutDown() || MainFrm->GetView(0) != nullptr); };
  Log = [](const std::string& text) { std::cerr << text << std::endl; };
}

TScpiServer::~TScpiServer() {
  *Alive = false;
  Close();
  TAutomationServer::Stopping = false;
}

bool TScpiServer::Listen(const std::string& address, uint16_t port) {
  if (!platform::Tcp::MakeListener) return false;
  Listener = platform::Tcp::MakeListener();
  Listener->onConnection = [this](std::unique_ptr<platform::TcpConnection> c) { Adopt(std::move(c)); };
  std::string error;
  if (!Listener->listen(address, port, error)) {
    Listener.reset();
    if (Log) Log("SCPI server cannot listen on " + address + ":" + std::to_string(port) + ": " + error);
    return false;
  }
  if (Log) Log("SCPI server listening on " + Listener->address() + ":" + std::to_string(Listener->port()));
  return true;
}

uint16_t TScpiServer::Port() const { return Listener ? Listener->port() : 0; }
std::string TScpiServer::Address() const { return Listener ? Listener->address() : std::string(); }

void TScpiServer::Adopt(std::unique_ptr<platform::TcpConnection> socket) {
  if (!socket) return;
  if (Connections.size() >= kMaxConnections) {
    socket->close();
    return;
  }
  // A local client of another account is refused before it sends anything: there is no
  // authentication beyond this.
  if (socket->peerIsLoopback()) {
    const std::optional<uint32_t> owner = platform::LocalSocketOwner(socket->peerPort(), socket->localPort());
    if (!owner || *owner != OwnerUid) {
      socket->close();
      return;
    }
  }
  auto c = std::make_shared<Connection>();
  c->Socket = std::move(socket);
  c->Session = std::make_unique<TScpiSession>();
  std::weak_ptr<Connection> weak = c;
  c->Socket->onReadable = [this, weak] {
    if (ConnectionPtr c = weak.lock()) ReadFrom(c);
  };
  c->Socket->onClosed = [this, weak] {
    if (ConnectionPtr c = weak.lock()) DropLater(c);
  };
  Connections.push_back(c);
  ReadFrom(c);
}

bool TScpiServer::Full(const Connection& c) const {
  return c.Queue.size() >= kMaxQueuedCommands || c.QueuedBytes >= kMaxQueuedBytes;
}

void TScpiServer::ReadFrom(const ConnectionPtr& c) {
  while (!c->Closed && c->Socket && !Full(*c) && c->Socket->bytesAvailable() > 0) {
    std::string bytes = c->Socket->read(kReadChunk);
    if (bytes.empty()) break;
    TakeLines(*c, std::move(bytes));
  }
  if (!c->Queue.empty()) Schedule();
}

void TScpiServer::TakeLines(Connection& c, std::string&& bytes) {
  size_t from = 0;
  while (from < bytes.size()) {
    const size_t lf = bytes.find('\n', from);  // only the new bytes are searched
    const size_t end = lf == std::string::npos ? bytes.size() : lf;
    if (c.Dropping) {
      if (lf == std::string::npos) return;
      c.Dropping = false;
      from = lf + 1;
      continue;
    }
    c.Input.append(bytes, from, end - from);
    if (c.Input.size() > kMaxLineBytes) {
      // The line is dropped up to its LF; its error takes its place in the queue.
      c.Input.clear();
      c.Input.shrink_to_fit();
      c.Queue.push_back(Entry{{}, true});
      c.Dropping = lf == std::string::npos;
      if (lf == std::string::npos) return;
      from = lf + 1;
      continue;
    }
    if (lf == std::string::npos) return;
    std::string line = std::move(c.Input);
    c.Input.clear();
    while (!line.empty() && line.back() == '\r') line.pop_back();
    c.QueuedBytes += line.size();
    c.Queue.push_back(Entry{std::move(line), false});
    from = lf + 1;
  }
}

void TScpiServer::Schedule(int delayMs) {
  if (Scheduled || !platform::Tcp::NextTurn) return;
  Scheduled = true;
  std::weak_ptr<bool> alive = Alive;
  platform::Tcp::NextTurn(
      [this, alive] {
        std::shared_ptr<bool> a = alive.lock();
        if (!a || !*a) return;
        Scheduled = false;
        RunOne();
      },
      delayMs);
}

bool TScpiServer::Ready() const { return !CommandsReady || CommandsReady(); }

void TScpiServer::RunOne() {
  // One command at a time: a command that waits ends with its own reschedule.
  if (Running) return;
  const bool anyQueued = std::any_of(Connections.begin(), Connections.end(),
                                     [](const ConnectionPtr& c) { return !c->Closed && !c->Queue.empty(); });
  if (!anyQueued) return;
  if (!Ready()) {
    Schedule(10);
    return;
  }
  // The next connection in turn that has a command.
  ConnectionPtr c;
  for (size_t k = 0; k < Connections.size(); ++k) {
    const size_t i = (NextIndex + k) % Connections.size();
    if (!Connections[i]->Closed && !Connections[i]->Queue.empty()) {
      c = Connections[i];
      NextIndex = i + 1;
      break;
    }
  }
  if (!c) return;
  Entry entry = std::move(c->Queue.front());
  c->Queue.pop_front();
  c->QueuedBytes -= entry.Line.size();

  std::optional<std::string> reply;
  Running = true;
  c->Running = true;
  if (OnCommand) OnCommand();
  if (entry.TooLong) {
    c->Session->PushError(scpi::kTooMuchData, scpi::TransportErrorText(scpi::kTooMuchData));
  } else {
    reply = c->Session->Execute(entry.Line);
  }
  c->Running = false;
  Running = false;

  if (c->Closed) {
    // Closed while its command ran: its lock goes now that the command has returned.
    Drop(c);
  } else if (reply) {
    reply->push_back('\n');
    c->Socket->write(*reply);
    if (c->Socket->bytesToWrite() > kMaxUnsentBytes) {
      Drop(c);
    }
  }
  if (!c->Closed) ReadFrom(c);
  if (std::any_of(Connections.begin(), Connections.end(),
                  [](const ConnectionPtr& x) { return !x->Closed && !x->Queue.empty(); })) {
    Schedule();
  }
}

void TScpiServer::DropLater(const ConnectionPtr& c) {
  // The partial line, the queue and the unsent replies go at once; the connection itself after
  // the callback that reported the close has returned, and after its running command.
  c->Closed = true;
  c->Queue.clear();
  c->QueuedBytes = 0;
  c->Input.clear();
  if (c->Running) return;
  std::weak_ptr<bool> alive = Alive;
  if (!platform::Tcp::NextTurn) return;
  platform::Tcp::NextTurn(
      [this, alive, c] {
        std::shared_ptr<bool> a = alive.lock();
        if (a && *a) Drop(c);
      },
      0);
}

void TScpiServer::Drop(const ConnectionPtr& c) {
  c->Closed = true;
  if (c->Running) return;
  auto it = std::find(Connections.begin(), Connections.end(), c);
  if (it == Connections.end()) return;
  const size_t index = static_cast<size_t>(it - Connections.begin());
  Connections.erase(it);
  if (NextIndex > index) --NextIndex;
  if (c->Socket) {
    c->Socket->onReadable = nullptr;
    c->Socket->onClosed = nullptr;
    c->Socket->close();
  }
  c->Queue.clear();
  c->Session.reset();  // the connection's application object, and its lock, go here
}

void TScpiServer::Close() {
  TAutomationServer::Stopping = true;
  if (Listener) {
    Listener->close();
    Listener.reset();
  }
  const std::vector<ConnectionPtr> all = Connections;
  for (const ConnectionPtr& c : all) {
    c->Queue.clear();
    Drop(c);
  }
}

}  // namespace automation
