#pragma once

#include "phone/LineProvider.h"

#include <array>
#include <cstddef>
#include <string>

namespace kivrano {

namespace platform {
class DebugSink;
}

// The line functions of a provider library, bound on first use: the library is loaded the
// first time any function is called, each function is looked up by name the first time it
// is called, and a library or function that is missing answers LINEERR_OPERATIONUNAVAIL from
// then on without being looked for again. So the program runs where no provider exists.
class LineLibrary {
public:
    // An empty path binds nothing: every function answers LINEERR_OPERATIONUNAVAIL.
    LineLibrary(std::string path, platform::DebugSink& debug);
    // The library stays loaded: a provider may have handed out callbacks and threads.
    ~LineLibrary() = default;
    LineLibrary(const LineLibrary&) = delete;
    LineLibrary& operator=(const LineLibrary&) = delete;

    const std::string& path() const { return m_path; }

    std::int32_t lineClose(HLINE line);
    std::int32_t lineDeallocateCall(HCALL call);
    std::int32_t lineDial(HCALL call, const char* destination, std::uint32_t countryCode);
    std::int32_t lineDrop(HCALL call, const char* userUserInfo, std::uint32_t size);
    std::int32_t lineGenerateDigits(HCALL call, std::uint32_t digitMode, const char* digits,
                                    std::uint32_t duration);
    std::int32_t lineGetAddressCaps(HLINEAPP app, std::uint32_t device, std::uint32_t address,
                                    std::uint32_t apiVersion, std::uint32_t extVersion,
                                    LINEADDRESSCAPS* caps);
    std::int32_t lineGetCallStatus(HCALL call, LINECALLSTATUS* status);
    std::int32_t lineGetDevCaps(HLINEAPP app, std::uint32_t device, std::uint32_t apiVersion,
                                std::uint32_t extVersion, LINEDEVCAPS* caps);
    std::int32_t lineInitialize(HLINEAPP* app, void* instance, LINECALLBACK callback,
                                const char* appName, std::uint32_t* deviceCount);
    std::int32_t lineMakeCall(HLINE line, HCALL* call, const char* destination,
                              std::uint32_t countryCode, const LINECALLPARAMS* params);
    std::int32_t lineNegotiateAPIVersion(HLINEAPP app, std::uint32_t device,
                                         std::uint32_t lowVersion, std::uint32_t highVersion,
                                         std::uint32_t* version, LINEEXTENSIONID* extensionId);
    std::int32_t lineOpen(HLINEAPP app, std::uint32_t device, HLINE* line, std::uint32_t apiVersion,
                          std::uint32_t extVersion, std::uintptr_t callbackInstance,
                          std::uint32_t privileges, std::uint32_t mediaModes,
                          const LINECALLPARAMS* params);
    std::int32_t lineShutdown(HLINEAPP app);

private:
    enum Function : std::size_t {
        Close,
        DeallocateCall,
        Dial,
        Drop,
        GenerateDigits,
        GetAddressCaps,
        GetCallStatus,
        GetDevCaps,
        Initialize,
        MakeCall,
        NegotiateAPIVersion,
        Open,
        Shutdown,
        FunctionCount
    };
    enum class State { NotTried, Bound, Missing };
    struct Entry {
        State state = State::NotTried;
        void* address = nullptr;
    };

    // The function's address, or null when it (or the library) is missing.
    void* bind(Function function);
    template <typename Signature, typename... Args>
    std::int32_t invoke(Function function, Args... args);

    std::string m_path;
    platform::DebugSink& m_debug;
    State m_libraryState = State::NotTried;
    void* m_library = nullptr;
    std::array<Entry, FunctionCount> m_functions{};
};

}  // namespace kivrano
