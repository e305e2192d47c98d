#pragma once
// The program's TCP transport over QTcpServer and QTcpSocket, and its next-turn scheduling over
// Qt's posted events and timers (see platform/Tcp.h).
namespace ui {

// Installs the Qt transport as platform::Tcp's. Needs a running application.
void InstallQtTcp();

}  // namespace ui
