#pragma once

/* The line-device interface between the dialer and a telephony provider library. A provider
 * is a shared library that exports the functions below under these names (C linkage); the
 * dialer looks each one up when it is first used, so a provider may leave out what it cannot
 * do. The values are the published line-device ones; the structures keep their published
 * layout for the fields the dialer reads or writes. All sizes are in bytes.
 *
 * Requests that finish later (lineMakeCall, lineDrop) return a positive request id and
 * report their result through the callback's LINE_REPLY; every other function answers at
 * once with 0 or a LINEERR_ value. A provider may call the callback on any thread. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t HLINEAPP;
typedef uint32_t HLINE;
typedef uint32_t HCALL;

typedef void (*LINECALLBACK)(uint32_t hDevice, uint32_t dwMessage, uintptr_t dwInstance,
                             uintptr_t dwParam1, uintptr_t dwParam2, uintptr_t dwParam3);

/* Results. */
#define LINEERR_ALLOCATED 0x80000001u
#define LINEERR_INIFILECORRUPT 0x8000000Eu
#define LINEERR_INVALCARD 0x8000001Eu
#define LINEERR_INVALLOCATION 0x8000002Du
#define LINEERR_NODRIVER 0x80000043u
#define LINEERR_NOMEM 0x80000044u
#define LINEERR_OPERATIONFAILED 0x80000048u
#define LINEERR_OPERATIONUNAVAIL 0x80000049u
#define LINEERR_RESOURCEUNAVAIL 0x8000004Bu
#define LINEERR_REINIT 0x80000052u
#define LINEERR_NOMULTIPLEINSTANCE 0x80000056u

/* Callback messages. */
#define LINE_CALLSTATE 2u
#define LINE_CLOSE 3u
#define LINE_GENERATE 7u
#define LINE_REPLY 12u
#define LINE_CREATE 19u

/* Call states (LINE_CALLSTATE dwParam1, LINECALLSTATUS.dwCallState). */
#define LINECALLSTATE_IDLE 0x00000001u
#define LINECALLSTATE_DIALTONE 0x00000008u
#define LINECALLSTATE_DIALING 0x00000010u
#define LINECALLSTATE_RINGBACK 0x00000020u
#define LINECALLSTATE_BUSY 0x00000040u
#define LINECALLSTATE_SPECIALINFO 0x00000080u
#define LINECALLSTATE_CONNECTED 0x00000100u
#define LINECALLSTATE_PROCEEDING 0x00000200u
#define LINECALLSTATE_ONHOLD 0x00000400u
#define LINECALLSTATE_DISCONNECTED 0x00004000u
#define LINECALLSTATE_UNKNOWN 0x00008000u

/* Why a call was disconnected (LINE_CALLSTATE dwParam2 with LINECALLSTATE_DISCONNECTED). */
#define LINEDISCONNECTMODE_NORMAL 0x00000001u
#define LINEDISCONNECTMODE_UNKNOWN 0x00000002u
#define LINEDISCONNECTMODE_REJECT 0x00000004u
#define LINEDISCONNECTMODE_PICKUP 0x00000008u
#define LINEDISCONNECTMODE_FORWARDED 0x00000010u
#define LINEDISCONNECTMODE_BUSY 0x00000020u
#define LINEDISCONNECTMODE_NOANSWER 0x00000040u
#define LINEDISCONNECTMODE_BADADDRESS 0x00000080u
#define LINEDISCONNECTMODE_UNREACHABLE 0x00000100u
#define LINEDISCONNECTMODE_CONGESTION 0x00000200u
#define LINEDISCONNECTMODE_INCOMPATIBLE 0x00000400u
#define LINEDISCONNECTMODE_UNAVAIL 0x00000800u
#define LINEDISCONNECTMODE_NODIALTONE 0x00001000u

#define LINEBEARERMODE_VOICE 0x00000001u
#define LINEMEDIAMODE_INTERACTIVEVOICE 0x00000004u
#define LINEFEATURE_MAKECALL 0x00000008u
#define LINECALLPRIVILEGE_NONE 0x00000001u
#define LINECALLPARAMFLAGS_IDLE 0x00000002u
#define LINEADDRESSMODE_ADDRESSID 0x00000001u
#define LINEDIGITMODE_DTMFEND 0x00000004u
#define STRINGFORMAT_ASCII 0x00000001u

typedef struct LINEEXTENSIONID {
    uint32_t dwExtensionID0;
    uint32_t dwExtensionID1;
    uint32_t dwExtensionID2;
    uint32_t dwExtensionID3;
} LINEEXTENSIONID;

typedef struct LINEDIALPARAMS {
    uint32_t dwDialPause;
    uint32_t dwDialSpeed;
    uint32_t dwDigitDuration;
    uint32_t dwWaitForDialtone;
} LINEDIALPARAMS;

/* A line device's capabilities; variable parts (the line name) follow the fixed part at
 * their offsets from the start of the structure. */
typedef struct LINEDEVCAPS {
    uint32_t dwTotalSize;
    uint32_t dwNeededSize;
    uint32_t dwUsedSize;
    uint32_t dwReserved1[5]; /* provider and switch information, permanent line id */
    uint32_t dwLineNameSize;
    uint32_t dwLineNameOffset;
    uint32_t dwStringFormat;
    uint32_t dwReserved2[2]; /* address modes, number of addresses */
    uint32_t dwBearerModes;
    uint32_t dwReserved3; /* maximum rate */
    uint32_t dwMediaModes;
    uint32_t dwReserved4[42]; /* tone, digit, media control, terminal and dial parameters */
    uint32_t dwLineFeatures;
} LINEDEVCAPS;

/* An address's capabilities: the dialer only checks that they can be had. */
typedef struct LINEADDRESSCAPS {
    uint32_t dwTotalSize;
    uint32_t dwNeededSize;
    uint32_t dwUsedSize;
} LINEADDRESSCAPS;

typedef struct LINECALLPARAMS {
    uint32_t dwTotalSize;
    uint32_t dwBearerMode;
    uint32_t dwMinRate;
    uint32_t dwMaxRate;
    uint32_t dwMediaMode;
    uint32_t dwCallParamFlags;
    uint32_t dwAddressMode;
    uint32_t dwAddressID;
    LINEDIALPARAMS DialParams;
    uint32_t dwOrigAddressSize;
    uint32_t dwOrigAddressOffset;
    uint32_t dwDisplayableAddressSize;
    uint32_t dwDisplayableAddressOffset;
    uint32_t dwCalledPartySize;
    uint32_t dwCalledPartyOffset;
    uint32_t dwCommentSize;
    uint32_t dwCommentOffset;
    uint32_t dwUserUserInfoSize;
    uint32_t dwUserUserInfoOffset;
    uint32_t dwHighLevelCompSize;
    uint32_t dwHighLevelCompOffset;
    uint32_t dwLowLevelCompSize;
    uint32_t dwLowLevelCompOffset;
    uint32_t dwDevSpecificSize;
    uint32_t dwDevSpecificOffset;
} LINECALLPARAMS;

typedef struct LINECALLSTATUS {
    uint32_t dwTotalSize;
    uint32_t dwNeededSize;
    uint32_t dwUsedSize;
    uint32_t dwCallState;
    uint32_t dwCallStateMode;
    uint32_t dwCallPrivilege;
    uint32_t dwCallFeatures;
    uint32_t dwDevSpecificSize;
    uint32_t dwDevSpecificOffset;
} LINECALLSTATUS;

/* The functions a provider exports, as the dialer calls them. */
typedef int32_t (*LINECLOSE)(HLINE hLine);
typedef int32_t (*LINEDEALLOCATECALL)(HCALL hCall);
typedef int32_t (*LINEDIAL)(HCALL hCall, const char* lpszDestAddress, uint32_t dwCountryCode);
typedef int32_t (*LINEDROP)(HCALL hCall, const char* lpsUserUserInfo, uint32_t dwSize);
typedef int32_t (*LINEGENERATEDIGITS)(HCALL hCall, uint32_t dwDigitMode, const char* lpszDigits,
                                      uint32_t dwDuration);
typedef int32_t (*LINEGETADDRESSCAPS)(HLINEAPP hLineApp, uint32_t dwDeviceID, uint32_t dwAddressID,
                                      uint32_t dwAPIVersion, uint32_t dwExtVersion,
                                      LINEADDRESSCAPS* lpAddressCaps);
typedef int32_t (*LINEGETCALLSTATUS)(HCALL hCall, LINECALLSTATUS* lpCallStatus);
typedef int32_t (*LINEGETDEVCAPS)(HLINEAPP hLineApp, uint32_t dwDeviceID, uint32_t dwAPIVersion,
                                  uint32_t dwExtVersion, LINEDEVCAPS* lpLineDevCaps);
typedef int32_t (*LINEINITIALIZE)(HLINEAPP* lphLineApp, void* hInstance, LINECALLBACK lpfnCallback,
                                  const char* lpszAppName, uint32_t* lpdwNumDevs);
typedef int32_t (*LINEMAKECALL)(HLINE hLine, HCALL* lphCall, const char* lpszDestAddress,
                                uint32_t dwCountryCode, const LINECALLPARAMS* lpCallParams);
typedef int32_t (*LINENEGOTIATEAPIVERSION)(HLINEAPP hLineApp, uint32_t dwDeviceID,
                                           uint32_t dwAPILowVersion, uint32_t dwAPIHighVersion,
                                           uint32_t* lpdwAPIVersion,
                                           LINEEXTENSIONID* lpExtensionID);
typedef int32_t (*LINEOPEN)(HLINEAPP hLineApp, uint32_t dwDeviceID, HLINE* lphLine,
                            uint32_t dwAPIVersion, uint32_t dwExtVersion,
                            uintptr_t dwCallbackInstance, uint32_t dwPrivileges,
                            uint32_t dwMediaModes, const LINECALLPARAMS* lpCallParams);
typedef int32_t (*LINESHUTDOWN)(HLINEAPP hLineApp);

#ifdef __cplusplus
}
#endif
