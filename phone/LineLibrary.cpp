#include "phone/LineLibrary.h"

#include "platform/DebugSink.h"

#include <dlfcn.h>

#include <utility>

namespace kivrano {

namespace {

constexpr std::array<const char*, 13> kFunctionNames{
    "lineClose",         "lineDeallocateCall",      "lineDial",
    "lineDrop",          "lineGenerateDigits",      "lineGetAddressCaps",
    "lineGetCallStatus", "lineGetDevCaps",          "lineInitialize",
    "lineMakeCall",      "lineNegotiateAPIVersion", "lineOpen",
    "lineShutdown"};

constexpr auto kUnavailable = static_cast<std::int32_t>(LINEERR_OPERATIONUNAVAIL);

}  // namespace

LineLibrary::LineLibrary(std::string path, platform::DebugSink& debug)
    : m_path(std::move(path)), m_debug(debug) {
    static_assert(kFunctionNames.size() == FunctionCount);
}

void* LineLibrary::bind(Function function) {
    Entry& entry = m_functions[function];
    if (entry.state == State::Bound) return entry.address;
    if (entry.state == State::Missing) return nullptr;
    if (m_libraryState == State::NotTried) {
        m_libraryState = State::Missing;
        if (m_path.empty()) {
            m_debug.write("No telephony provider is configured.\n");
        } else if ((m_library = dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL))) {
            m_libraryState = State::Bound;
        } else {
            const char* why = dlerror();
            m_debug.write("Cannot load the telephony provider " + m_path + ": " +
                          (why ? why : "unknown error") + "\n");
        }
    }
    entry.state = State::Missing;
    if (m_libraryState != State::Bound) return nullptr;
    entry.address = dlsym(m_library, kFunctionNames[function]);
    if (!entry.address) {
        m_debug.write(std::string("The telephony provider has no ") + kFunctionNames[function] +
                      ".\n");
        return nullptr;
    }
    entry.state = State::Bound;
    return entry.address;
}

template <typename Signature, typename... Args>
std::int32_t LineLibrary::invoke(Function function, Args... args) {
    void* address = bind(function);
    if (!address) return kUnavailable;
    return reinterpret_cast<Signature>(address)(args...);
}

std::int32_t LineLibrary::lineClose(HLINE line) {
    return invoke<LINECLOSE>(Close, line);
}

std::int32_t LineLibrary::lineDeallocateCall(HCALL call) {
    return invoke<LINEDEALLOCATECALL>(DeallocateCall, call);
}

std::int32_t LineLibrary::lineDial(HCALL call, const char* destination, std::uint32_t countryCode) {
    return invoke<LINEDIAL>(Dial, call, destination, countryCode);
}

std::int32_t LineLibrary::lineDrop(HCALL call, const char* userUserInfo, std::uint32_t size) {
    return invoke<LINEDROP>(Drop, call, userUserInfo, size);
}

std::int32_t LineLibrary::lineGenerateDigits(HCALL call, std::uint32_t digitMode,
                                             const char* digits, std::uint32_t duration) {
    return invoke<LINEGENERATEDIGITS>(GenerateDigits, call, digitMode, digits, duration);
}

std::int32_t LineLibrary::lineGetAddressCaps(HLINEAPP app, std::uint32_t device,
                                             std::uint32_t address, std::uint32_t apiVersion,
                                             std::uint32_t extVersion, LINEADDRESSCAPS* caps) {
    return invoke<LINEGETADDRESSCAPS>(GetAddressCaps, app, device, address, apiVersion, extVersion,
                                      caps);
}

std::int32_t LineLibrary::lineGetCallStatus(HCALL call, LINECALLSTATUS* status) {
    return invoke<LINEGETCALLSTATUS>(GetCallStatus, call, status);
}

std::int32_t LineLibrary::lineGetDevCaps(HLINEAPP app, std::uint32_t device,
                                         std::uint32_t apiVersion, std::uint32_t extVersion,
                                         LINEDEVCAPS* caps) {
    return invoke<LINEGETDEVCAPS>(GetDevCaps, app, device, apiVersion, extVersion, caps);
}

std::int32_t LineLibrary::lineInitialize(HLINEAPP* app, void* instance, LINECALLBACK callback,
                                         const char* appName, std::uint32_t* deviceCount) {
    return invoke<LINEINITIALIZE>(Initialize, app, instance, callback, appName, deviceCount);
}

std::int32_t LineLibrary::lineMakeCall(HLINE line, HCALL* call, const char* destination,
                                       std::uint32_t countryCode, const LINECALLPARAMS* params) {
    return invoke<LINEMAKECALL>(MakeCall, line, call, destination, countryCode, params);
}

std::int32_t LineLibrary::lineNegotiateAPIVersion(HLINEAPP app, std::uint32_t device,
                                                  std::uint32_t lowVersion,
                                                  std::uint32_t highVersion, std::uint32_t* version,
                                                  LINEEXTENSIONID* extensionId) {
    return invoke<LINENEGOTIATEAPIVERSION>(NegotiateAPIVersion, app, device, lowVersion,
                                           highVersion, version, extensionId);
}

std::int32_t LineLibrary::lineOpen(HLINEAPP app, std::uint32_t device, HLINE* line,
                                   std::uint32_t apiVersion, std::uint32_t extVersion,
                                   std::uintptr_t callbackInstance, std::uint32_t privileges,
                                   std::uint32_t mediaModes, const LINECALLPARAMS* params) {
    return invoke<LINEOPEN>(Open, app, device, line, apiVersion, extVersion, callbackInstance,
                            privileges, mediaModes, params);
}

std::int32_t LineLibrary::lineShutdown(HLINEAPP app) {
    return invoke<LINESHUTDOWN>(Shutdown, app);
}

}  // namespace kivrano
