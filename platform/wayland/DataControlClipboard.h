#pragma once

#include "platform/Clipboard.h"

#include <QByteArray>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct zwlr_data_control_device_v1;
struct zwlr_data_control_device_v1_listener;
struct zwlr_data_control_offer_v1_listener;
struct zwlr_data_control_source_v1_listener;
struct zwlr_data_control_manager_v1;
struct zwlr_data_control_offer_v1;
struct zwlr_data_control_source_v1;

namespace kivrano::platform {

class WaylandConnection;

// The clipboard through the compositor's data-control protocol, which takes a selection from a
// program that does not have the keyboard. The usual Wayland clipboard does not: KDE Plasma
// ignores it from any program but the one in front, so a field pasted into another window
// would find the clipboard unchanged. The text is served from here to whoever pastes it, for
// as long as nobody else puts something on the clipboard; its events arrive through the
// connection, within the Qt event loop.
class DataControlClipboard : public Clipboard {
public:
    // Null when the compositor does not offer the protocol or has no seat.
    static std::unique_ptr<DataControlClipboard> create(WaylandConnection& connection);
    ~DataControlClipboard() override;
    DataControlClipboard(const DataControlClipboard&) = delete;
    DataControlClipboard& operator=(const DataControlClipboard&) = delete;

    bool open() override;
    void close() override {}
    void empty() override;
    void setText(const std::string& text) override;
    void setSecretText(const std::string& text) override;
    std::optional<std::string> text() const override;
    bool isOwner() const override { return m_source != nullptr; }

private:
    DataControlClipboard(WaylandConnection& connection, zwlr_data_control_manager_v1* manager);
    void offer(const std::string& text, bool secret);
    void dropSource();
    void send(const char* mimeType, int fd) const;
    void takeSelection(zwlr_data_control_offer_v1* offer);

    static const ::zwlr_data_control_device_v1_listener kDeviceListener;
    static const ::zwlr_data_control_source_v1_listener kSourceListener;
    static const ::zwlr_data_control_offer_v1_listener kOfferListener;

    WaylandConnection& m_connection;
    zwlr_data_control_manager_v1* m_manager;
    zwlr_data_control_device_v1* m_device = nullptr;
    // Ours while it is the selection, with what it serves.
    zwlr_data_control_source_v1* m_source = nullptr;
    QByteArray m_utf8;
    bool m_secret = false;
    // The offers the compositor introduced and the types of each; one of them is the
    // selection of another program (or none).
    std::map<zwlr_data_control_offer_v1*, std::vector<std::string>> m_offers;
    zwlr_data_control_offer_v1* m_selection = nullptr;
};

}  // namespace kivrano::platform
