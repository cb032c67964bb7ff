#pragma once

#include "platform/Keyboard.h"
#include "platform/portal/RestoreTokenFile.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <string>

namespace kivrano::platform {

class DebugSink;

namespace portal {

// Typing through the desktop's RemoteDesktop portal, for Wayland desktops whose compositor
// lets no program send keys of its own (KDE Plasma, GNOME). Each typing is one portal session:
// created, given the keyboard and started in beginTyping (the desktop may ask the user), and
// closed in endTyping, since a session is a live grant to control the desktop. Where the
// portal can remember the grant (version 2), the restore token it hands out is kept for the
// next typing. Keys go by keysym, which the compositor looks up in the user's layout.
class RemoteDesktopKeyboard : public QObject, public Keyboard {
    Q_OBJECT

public:
    struct Timeouts {
        std::chrono::milliseconds request{10000};   // the steps nobody has to answer
        std::chrono::milliseconds consent{120000};  // Start, which may wait for the user
    };

    RemoteDesktopKeyboard(QDBusConnection bus, RestoreTokenFile restoreToken, DebugSink& trace,
                          Timeouts timeouts);
    ~RemoteDesktopKeyboard() override;

    bool beginTyping() override;
    void endTyping() override;

    void keyDown(VirtualKey key) override;
    void keyUp(VirtualKey key) override;
    // The layout is the compositor's business: nothing is known about its keys.
    std::optional<KeyStroke> mapCharacter(char32_t character) const override;
    bool isPhysicallyHeld(Modifier modifier) const override;
    bool knowsHeldModifiers() const override { return false; }
    bool typeCharacter(char32_t character) override;
    bool typesCharacter(char32_t character) const override;

    bool hasSession() const { return !m_session.isEmpty(); }

private slots:
    void sessionClosed();

private:
    bool startSession();
    void closeSession();
    bool sendKeysym(std::uint32_t keysym, bool pressed);
    void trace(const std::string& line);

    QDBusConnection m_bus;
    RestoreTokenFile m_restoreToken;
    DebugSink& m_trace;
    Timeouts m_timeouts;
    QString m_session;
};

}  // namespace portal
}  // namespace kivrano::platform
