#pragma once

#include <stdint.h>

// Firmware-update engine for the second image. Plain C functions so the updater can import it
// like any vendor library. See engineprotocol.h for what goes over the wire and the image format.
#if defined(_WIN32)
#if defined(ESSDK2862_BUILD)
#define ES_API __declspec(dllexport)
#else
#define ES_API __declspec(dllimport)
#endif
#else
#define ES_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void* ES_HANDLE;

// Called from the engine's own thread: completion flag (low byte), percent 0-100, error (0 = none),
// and the context pointer given to ES_StartFwUpdate.
typedef void (*ES_ProgressCallback)(int done, int percent, int error, void* context);

// Engine errors reported through the callback.
enum ES_Error {
    ES_OK = 0,
    ES_ERR_IMAGE = 1,     // image file missing, too short, wrong length or checksum
    ES_ERR_NO_DEVICE = 2, // no engine interface on the device
    ES_ERR_TRANSFER = 3,  // a report could not be sent or read
    ES_ERR_REJECTED = 4,  // the device answered with a status other than 0
};

// Null when no engine can be had (only one instance exists at a time).
ES_API ES_HANDLE ES_InitializeEngine(void);
// Reads version, checksum and the 5-byte configuration version of device vid:pid. Non-zero in the
// low byte when the three outputs were filled. The device is remembered for the next update.
ES_API int ES_GetFirmwareVersion(int vid, int pid, uint16_t* version, uint16_t* checksum,
                                 uint8_t* configVersion);
// Starts writing the image at path (zero-terminated UTF-16) and returns at once; progress and
// completion arrive through callback.
ES_API int ES_StartFwUpdate(ES_HANDLE engine, const char16_t* path, ES_ProgressCallback callback,
                            void* context);
// Stops a running update (waiting for its thread) and frees the engine.
ES_API void ES_UninitializeEngine(ES_HANDLE engine);

#ifdef __cplusplus
}
#endif
