#include "platform/ui/QtTcp.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "platform/Tcp.h"
#include "platform/ui/Application.h"

namespace ui {

namespace {

// What Qt reads ahead of the server: beyond it, a connection whose queue is full is left unread
// in the system's buffers, and TCP holds its client back.
constexpr qint64 kReadAhead = 256 * 1024;

class QtTcpConnection : public platform::TcpConnection {
 public:
  explicit QtTcpConnection(QTcpSocket* socket) : socket_(socket) {
    socket_->setReadBufferSize(kReadAhead);
    QObject::connect(socket_, &QTcpSocket::readyRead, socket_, [this] {
      Application::Guard([this] {
        if (onReadable) onReadable();
      });
    });
    auto gone = [this] {
      if (closed_) return;
      closed_ = true;
      Application::Guard([this] {
        if (onClosed) onClosed();
      });
    };
    QObject::connect(socket_, &QTcpSocket::disconnected, socket_, gone);
    QObject::connect(socket_, &QTcpSocket::errorOccurred, socket_, gone);
  }
  ~QtTcpConnection() override { close(); }

  std::string read(size_t max) override {
    if (socket_ == nullptr) return {};
    const QByteArray bytes = socket_->read(static_cast<qint64>(max));
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
  }
  size_t bytesAvailable() const override { return socket_ ? static_cast<size_t>(socket_->bytesAvailable()) : 0; }
  void write(std::string_view bytes) override {
    if (socket_ == nullptr || closed_) return;
    socket_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  size_t bytesToWrite() const override { return socket_ ? static_cast<size_t>(socket_->bytesToWrite()) : 0; }
  void close() override {
    if (socket_ == nullptr) return;
    closed_ = true;
    QTcpSocket* s = socket_;
    socket_ = nullptr;
    QObject::disconnect(s, nullptr, nullptr, nullptr);
    s->abort();
    s->deleteLater();
  }
  std::string peerAddress() const override {
    return socket_ ? socket_->peerAddress().toString().toStdString() : std::string();
  }
  uint16_t peerPort() const override { return socket_ ? socket_->peerPort() : 0; }
  uint16_t localPort() const override { return socket_ ? socket_->localPort() : 0; }
  bool peerIsLoopback() const override { return socket_ && socket_->peerAddress().isLoopback(); }

 private:
  QTcpSocket* socket_;
  bool closed_ = false;
};

class QtTcpListener : public platform::TcpListener {
 public:
  QtTcpListener() {
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        auto connection = std::make_unique<QtTcpConnection>(s);
        if (onConnection) {
          Application::Guard([&] { onConnection(std::move(connection)); });
        }
      }
    });
  }
  ~QtTcpListener() override { close(); }

  bool listen(const std::string& address, uint16_t port, std::string& error) override {
    QHostAddress host;
    if (!host.setAddress(QString::fromStdString(address))) {
      error = "not an address: " + address;
      return false;
    }
    // Clients are served as fast as the UI thread runs; the system keeps the rest waiting.
    server_.setMaxPendingConnections(256);
    if (!server_.listen(host, port)) {
      error = server_.errorString().toStdString();
      return false;
    }
    return true;
  }
  uint16_t port() const override { return server_.serverPort(); }
  std::string address() const override { return server_.serverAddress().toString().toStdString(); }
  void close() override { server_.close(); }

 private:
  QTcpServer server_;
};

}  // namespace

void InstallQtTcp() {
  platform::Tcp::MakeListener = [] { return std::make_unique<QtTcpListener>(); };
  platform::Tcp::NextTurn = [](std::function<void()> task, int delayMs) {
    QTimer::singleShot(delayMs < 0 ? 0 : delayMs, QCoreApplication::instance(),
                       [task = std::move(task)] { Application::Guard(task); });
  };
}

}  // namespace ui
