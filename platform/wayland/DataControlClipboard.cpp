#include "platform/wayland/DataControlClipboard.h"

#include "platform/qt/QtClipboard.h"
#include "platform/qt/VaultText.h"
#include "platform/wayland/WaylandConnection.h"

#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace kivrano::platform {

namespace {

// What a program may ask for to get the text; the first ones are read back from others.
constexpr std::array<const char*, 5> kTextTypes = {"text/plain;charset=utf-8", "UTF8_STRING",
                                                   "text/plain", "TEXT", "STRING"};
// A program that reads slowly, or offers and never writes, is given up after this.
constexpr auto kTransferLimit = std::chrono::milliseconds(1000);

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

}  // namespace

const zwlr_data_control_device_v1_listener DataControlClipboard::kDeviceListener = {
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        auto* self = static_cast<DataControlClipboard*>(data);
        self->m_offers[offer];
        zwlr_data_control_offer_v1_add_listener(offer, &kOfferListener, &self->m_offers[offer]);
    },
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        static_cast<DataControlClipboard*>(data)->takeSelection(offer);
    },
    [](void* data, zwlr_data_control_device_v1* device) {
        // The seat has gone: nothing can be put on its clipboard any more.
        auto* self = static_cast<DataControlClipboard*>(data);
        self->takeSelection(nullptr);
        self->dropSource();
        zwlr_data_control_device_v1_destroy(device);
        self->m_device = nullptr;
    },
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
        // The primary selection is not ours to follow.
        auto* self = static_cast<DataControlClipboard*>(data);
        if (!offer || offer == self->m_selection) return;
        self->m_offers.erase(offer);
        zwlr_data_control_offer_v1_destroy(offer);
    },
};

const zwlr_data_control_source_v1_listener DataControlClipboard::kSourceListener = {
    [](void* data, zwlr_data_control_source_v1*, const char* mimeType, int fd) {
        static_cast<DataControlClipboard*>(data)->send(mimeType, fd);
    },
    [](void* data, zwlr_data_control_source_v1* source) {
        // Another program put something on the clipboard.
        auto* self = static_cast<DataControlClipboard*>(data);
        if (self->m_source == source) self->dropSource();
    },
};

const zwlr_data_control_offer_v1_listener DataControlClipboard::kOfferListener = {
    [](void* data, zwlr_data_control_offer_v1*, const char* mimeType) {
        static_cast<std::vector<std::string>*>(data)->emplace_back(mimeType);
    },
};

std::unique_ptr<DataControlClipboard> DataControlClipboard::create(WaylandConnection& connection) {
    if (!connection.seat()) return nullptr;
    auto* manager = static_cast<zwlr_data_control_manager_v1*>(
        connection.bind(&zwlr_data_control_manager_v1_interface, 2));
    if (!manager) return nullptr;
    std::unique_ptr<DataControlClipboard> clipboard(new DataControlClipboard(connection, manager));
    // The compositor announces the current selection right away.
    if (!clipboard->m_device || !connection.roundtrip()) return nullptr;
    return clipboard;
}

DataControlClipboard::DataControlClipboard(WaylandConnection& connection,
                                           zwlr_data_control_manager_v1* manager)
    : m_connection(connection), m_manager(manager) {
    m_device = zwlr_data_control_manager_v1_get_data_device(manager, connection.seat());
    if (m_device) zwlr_data_control_device_v1_add_listener(m_device, &kDeviceListener, this);
}

DataControlClipboard::~DataControlClipboard() {
    // What we offered goes with us: nobody could be served it any more.
    dropSource();
    for (auto& [offer, types] : m_offers) zwlr_data_control_offer_v1_destroy(offer);
    if (m_device) zwlr_data_control_device_v1_destroy(m_device);
    zwlr_data_control_manager_v1_destroy(m_manager);
    m_connection.flush();
}

bool DataControlClipboard::open() {
    return m_device != nullptr && !m_connection.failed();
}

void DataControlClipboard::takeSelection(zwlr_data_control_offer_v1* offer) {
    // Only the newest offer stays; the ones before it are worth nothing now.
    for (auto it = m_offers.begin(); it != m_offers.end();) {
        if (it->first == offer) {
            ++it;
            continue;
        }
        zwlr_data_control_offer_v1_destroy(it->first);
        it = m_offers.erase(it);
    }
    m_selection = offer;
}

void DataControlClipboard::dropSource() {
    if (!m_source) return;
    zwlr_data_control_source_v1_destroy(m_source);
    m_source = nullptr;
    m_utf8.fill('\0');
    m_utf8.clear();
}

void DataControlClipboard::empty() {
    if (!open()) return;
    dropSource();
    zwlr_data_control_device_v1_set_selection(m_device, nullptr);
    m_connection.roundtrip();
}

void DataControlClipboard::setText(const std::string& text) {
    offer(text, false);
}

void DataControlClipboard::setSecretText(const std::string& text) {
    offer(text, true);
}

void DataControlClipboard::offer(const std::string& text, bool secret) {
    if (!open()) return;
    dropSource();
    m_source = zwlr_data_control_manager_v1_create_data_source(m_manager);
    if (!m_source) return;
    zwlr_data_control_source_v1_add_listener(m_source, &kSourceListener, this);
    for (const char* type : kTextTypes) zwlr_data_control_source_v1_offer(m_source, type);
    if (secret) zwlr_data_control_source_v1_offer(m_source, QtClipboard::kPasswordHintFormat);
    m_utf8 = fromVaultText(text).toUtf8();
    m_secret = secret;
    zwlr_data_control_device_v1_set_selection(m_device, m_source);
    // Done before the caller goes on (to paste it, usually).
    m_connection.roundtrip();
}

void DataControlClipboard::send(const char* mimeType, int fd) const {
    QByteArray bytes = m_utf8;
    if (std::strcmp(mimeType, QtClipboard::kPasswordHintFormat) == 0)
        bytes = m_secret ? QByteArray(QtClipboard::kPasswordHintSecret) : QByteArray();
    // Written without blocking the program on a reader that does not read.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const auto deadline = std::chrono::steady_clock::now() + kTransferLimit;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written,
                                  static_cast<std::size_t>(bytes.size() - written));
        if (n > 0) {
            written += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        pollfd out{fd, POLLOUT, 0};
        if (::poll(&out, 1, remainingMs(deadline)) <= 0) break;
    }
    bytes.fill('\0');
    ::close(fd);
}

std::optional<std::string> DataControlClipboard::text() const {
    if (m_source) return toVaultText(QString::fromUtf8(m_utf8));
    const auto found = m_offers.find(m_selection);
    if (!m_selection || found == m_offers.end()) return std::nullopt;
    const auto type = std::find_first_of(kTextTypes.begin(), kTextTypes.end(),
                                         found->second.begin(), found->second.end());
    if (type == kTextTypes.end()) return std::nullopt;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) return std::nullopt;
    zwlr_data_control_offer_v1_receive(m_selection, *type, pipe[1]);
    ::close(pipe[1]);
    m_connection.flush();
    QByteArray bytes;
    const auto deadline = std::chrono::steady_clock::now() + kTransferLimit;
    for (;;) {
        char buffer[4096];
        const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) break;
        pollfd in{pipe[0], POLLIN, 0};
        if (::poll(&in, 1, remainingMs(deadline)) <= 0) break;
    }
    ::close(pipe[0]);
    return toVaultText(QString::fromUtf8(bytes));
}

}  // namespace kivrano::platform
