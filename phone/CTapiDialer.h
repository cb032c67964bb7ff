#pragma once

#include "phone/LineProvider.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kivrano {

class LineLibrary;
class LineMessageLoop;
class Prompter;
namespace platform {
class DebugSink;
}

// Places an outgoing voice call on the first line device of the telephony provider, hangs
// it up, and sends touch-tones over it. What happens on the call is outside the program:
// progress goes to the debug trace, and the user sees a message only when a call cannot be
// started for a reason they can act on.
//
// The provider reports through one program-wide callback that may run on any thread; its
// messages are queued and handled on the user-interface thread, by its event loop or by the
// wait for a reply. One dialer exists at a time.
class CTapiDialer {
public:
    static constexpr std::chrono::milliseconds kDefaultReplyTimeout{30000};

    CTapiDialer(LineLibrary& library, LineMessageLoop& loop, Prompter& prompter,
                platform::DebugSink& debug,
                std::chrono::milliseconds replyTimeout = kDefaultReplyTimeout);
    ~CTapiDialer();
    CTapiDialer(const CTapiDialer&) = delete;
    CTapiDialer& operator=(const CTapiDialer&) = delete;

    // Dials a number (the field's text as stored).
    void call(const std::string& number);
    // Stops the call in progress; nothing happens without one.
    void hangup();
    // Sends the text as touch-tones over the call in progress.
    void send(const std::string& digits);

    // Handles the provider's messages queued so far.
    void dispatchPending();

    bool callInProgress() const { return m_callInProgress; }
    bool initialized() const { return m_lineApp != 0; }
    std::uint32_t deviceCount() const { return m_deviceCount; }

private:
    struct Message {
        std::uint32_t device;
        std::uint32_t message;
        std::uintptr_t param1;
        std::uintptr_t param2;
        std::uintptr_t param3;
    };
    // Capabilities as the provider filled them: 32-bit words, so the records are aligned.
    struct CapsBuffer {
        std::vector<std::uint32_t> words;
        template <typename Record>
        Record* as() {
            return reinterpret_cast<Record*>(words.data());
        }
        std::uint32_t size() const { return static_cast<std::uint32_t>(words.size() * 4); }
    };
    template <typename Record, typename Query>
    std::optional<CapsBuffer> queryGrowing(std::uint32_t initialSize, const char* failure,
                                           Query query);

    static void lineCallback(std::uint32_t device, std::uint32_t message, std::uintptr_t instance,
                             std::uintptr_t param1, std::uintptr_t param2, std::uintptr_t param3);
    void queue(const Message& message);
    bool dispatchOne();
    void handle(const Message& message);
    void handleCallState(std::uint32_t state, std::uintptr_t reason);

    bool initialize();
    std::optional<CapsBuffer> chooseLine();
    void makeCall();
    bool stopCall();
    // The request's result; nothing when no reply came within the time limit.
    std::optional<std::int32_t> waitForReply(std::int32_t request);
    void shutdown();
    // False for a failure; writes its trace text and shuts down on LINEERR_REINIT.
    bool interpret(std::int32_t result);
    void trace(const std::string& text);

    LineLibrary& m_library;
    LineMessageLoop& m_loop;
    Prompter& m_prompter;
    platform::DebugSink& m_debug;
    std::chrono::milliseconds m_replyTimeout;

    std::uint32_t m_deviceCount = 0;
    std::int32_t m_deviceId = -1;
    std::int32_t m_awaitedRequest = 0;
    std::int32_t m_replyResult = static_cast<std::int32_t>(LINEERR_OPERATIONFAILED);
    bool m_shuttingDown = false;
    bool m_stopping = false;
    bool m_initializing = false;
    bool m_replyReceived = false;
    bool m_callInProgress = false;
    HLINEAPP m_lineApp = 0;
    HCALL m_call = 0;
    HLINE m_line = 0;
    std::uint32_t m_apiVersion = 0;
    std::string m_number;
    // The request of lineMakeCall: a failed reply to it ends the call.
    std::int32_t m_makeCallRequest = 0;

    std::mutex m_queueMutex;
    std::deque<Message> m_queue;
};

}  // namespace kivrano
