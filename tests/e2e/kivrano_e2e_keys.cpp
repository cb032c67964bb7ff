// The keyboard of the Wayland end-to-end scripts: one virtual keyboard (the Wayland backend's
// own) that lives as long as the script, so that no keyboard comes or goes while the program
// under test types (sway moves the keyboard focus out and in again when a keyboard goes, and
// a key sent in that moment is lost). Commands arrive on stdin, one per line:
//   type <hex>   type the UTF-8 text
//   down <name>  press a key: shift, ctrl, alt, super, return, tab, f1 ... f12
//   up <name>    release it
// Each command is answered with "done <n>" (n counts from 1) once the compositor has it.
#include "StdinCommands.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeyboard.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <optional>

using namespace kivrano::platform;

namespace {

std::optional<VirtualKey> keyNamed(const QByteArray& name) {
    if (name == "shift") return vk::kShift;
    if (name == "ctrl") return vk::kControl;
    if (name == "alt") return vk::kMenu;
    if (name == "super") return VirtualKey{0x5B};
    if (name == "return") return vk::kReturn;
    if (name == "tab") return vk::kTab;
    if (name.startsWith('f')) {
        bool ok = false;
        const int number = name.mid(1).toInt(&ok);
        if (ok && number >= 1 && number <= 12) return static_cast<VirtualKey>(vk::kF1 + number - 1);
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto connection = WaylandConnection::open();
    auto keyboard = connection ? WaylandKeyboard::create(*connection) : nullptr;
    if (!keyboard) {
        std::fprintf(stderr, "kivrano_e2e_keys: no compositor with a virtual keyboard\n");
        return 1;
    }
    int answered = 0;
    StdinCommands commands([&](const QByteArray& line) {
        const QByteArray argument = line.mid(line.indexOf(' ') + 1);
        if (line.startsWith("type ")) {
            for (const uint c : QString::fromUtf8(QByteArray::fromHex(argument)).toUcs4())
                keyboard->typeCharacter(c);
        } else if (const auto key = keyNamed(argument); key && line.startsWith("down ")) {
            keyboard->keyDown(*key);
        } else if (key && line.startsWith("up ")) {
            keyboard->keyUp(*key);
        } else {
            std::fprintf(stderr, "kivrano_e2e_keys: not a command: %s\n", line.constData());
        }
        connection->roundtrip();
        std::printf("done %d\n", ++answered);
        std::fflush(stdout);
    });
    return app.exec();
}
