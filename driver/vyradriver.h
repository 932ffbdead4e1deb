#pragma once
/*
 * The camera driver boundary.
 *
 * Everything the application knows about the camera driver: the 36 driver
 * operations with C linkage, the status and handle types, the named command
 * codes, modes and event IDs, and the binary records exchanged with the
 * driver. On Windows the camera maker's driver library implements these
 * operations; on every other system (and by default) the simulated camera
 * driver in simulator/ does.
 *
 * Conventions of every operation:
 *  - The result is a VyraStatus, 0 (VYRA_SUCCESS) on success, unless the
 *    operation's comment says it answers a value instead.
 *  - Buffers go as a pointer and a size in bytes; the driver fails with
 *    VYRA_INVALID_PARAMETER when the size does not fit the command.
 *  - Texts are 8-bit and NUL-terminated; file paths are NUL-terminated UTF-16.
 *  - All operations are thread-safe.
 */

#include <stddef.h>
#include <stdint.h>

#include "vyrarecords.h"
#include "winevents.h"

#if defined(_WIN32)
#define VYRA_API __declspec(dllimport)
#else
#define VYRA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Camera handle: an opened camera. 0 addresses the driver itself (device events). */
typedef uint32_t VyraHandle;
/* Result of a driver operation; 0 is success. */
typedef int32_t VyraStatus;

/* ---- Status codes answered by the driver (texts live in the application) ---- */
enum {
    VYRA_NO_SUCCESS = -1,
    VYRA_SUCCESS = 0,
    VYRA_INVALID_HANDLE = 1,
    VYRA_IO_REQUEST_FAILED = 2,
    VYRA_CANT_OPEN_DEVICE = 3,
    VYRA_OUT_OF_MEMORY = 15,
    VYRA_NOT_SUPPORTED_YET = 18,
    VYRA_INVALID_COLOR_FORMAT = 28,
    VYRA_INVALID_IMAGE_SIZE = 30,
    VYRA_INVALID_CAPTURE_MODE = 32,
    VYRA_INVALID_MEMORY_POINTER = 49,
    VYRA_FILE_WRITE_OPEN_ERROR = 50,
    VYRA_FILE_READ_OPEN_ERROR = 51,
    VYRA_NO_ACTIVE_IMAGE_MEMORY = 108,
    VYRA_SEQUENCE_LIST_EMPTY = 112,
    VYRA_CANT_ADD_TO_SEQUENCE = 113,
    VYRA_CANT_LOCK_MEMORY = 117,
    VYRA_INVALID_DEVICE_ID = 118,
    VYRA_ALL_DEVICES_BUSY = 120,
    VYRA_TIMED_OUT = 122,
    VYRA_INVALID_PARAMETER = 125,
    VYRA_INTERNAL_ERROR = 129,
    VYRA_CAPTURE_RUNNING = 140,
    VYRA_IMAGE_NOT_PRESENT = 145,
    VYRA_TRIGGER_ACTIVATED = 148,
    VYRA_NOT_SUPPORTED = 155,
    VYRA_TRIGGER_NOT_ACTIVATED = 156,
    VYRA_INVALID_BUFFER_SIZE = 159,
    VYRA_INVALID_CAMERA_TYPE = 180,
    VYRA_DEVICE_BUSY = 205,
};

/* ---- openCamera ---- */
/* OR-ed into the handle word: the word holds a device ID (from the camera list). */
#define VYRA_USE_DEVICE_ID 0x8000u

/* ---- startLiveCapture / stopLiveCapture ---- */
#define VYRA_CAPTURE_START 0x0000
/* startLiveCapture with this mode answers 1 while live, else 0 (no status). */
#define VYRA_CAPTURE_QUERY_LIVE 0x8000
/* stopLiveCapture: stop at once, without waiting for the frame in progress. */
#define VYRA_CAPTURE_FORCE_STOP 0x4000

/* ---- selectTriggerSource ---- */
/* Free run: the sensor captures continuously at the frame rate while live. */
#define VYRA_TRIGGER_OFF 0x0000
/* One image per captureSingleFrame (software trigger per image). */
#define VYRA_TRIGGER_SINGLE 0x1002
/* Software trigger mode: while live, the driver triggers itself at the frame
 * rate, so the stream runs continuously; captureSingleFrame adds one image. */
#define VYRA_TRIGGER_SOFTWARE 0x1008

/* ---- selectPixelFormat ---- */
/* 24-bit colour, bytes R, G, B per pixel. */
#define VYRA_PIXEL_FORMAT_RGB8 129
#define VYRA_BITS_PER_PIXEL_RGB8 24

/* ---- enableImageQueue ---- */
#define VYRA_QUEUE_MODE_DEFAULT 0

/* ---- setSensorGains ---- */
/* Passing a query as the master gain answers that gain instead of a status. */
#define VYRA_GAIN_QUERY_MASTER 0x8000
#define VYRA_GAIN_QUERY_RED 0x8001
#define VYRA_GAIN_QUERY_GREEN 0x8002
#define VYRA_GAIN_QUERY_BLUE 0x8003
/* A gain argument of -1 leaves that gain unchanged. */
#define VYRA_GAIN_KEEP (-1)
#define VYRA_GAIN_MIN 0
#define VYRA_GAIN_MAX 100

/* ---- subsamplingMode / binningMode ---- */
/* Queries answer the mode bits instead of a status. */
#define VYRA_MODE_QUERY_CURRENT 0x8000
#define VYRA_MODE_QUERY_SUPPORTED 0x8001
/* One bit per factor and direction; factor 1 is no bit. */
#define VYRA_FACTOR_2X_VERTICAL 0x0001
#define VYRA_FACTOR_2X_HORIZONTAL 0x0002
#define VYRA_FACTOR_4X_VERTICAL 0x0004
#define VYRA_FACTOR_4X_HORIZONTAL 0x0008
#define VYRA_FACTOR_3X_VERTICAL 0x0010
#define VYRA_FACTOR_3X_HORIZONTAL 0x0020
#define VYRA_FACTOR_5X_VERTICAL 0x0040
#define VYRA_FACTOR_5X_HORIZONTAL 0x0080
#define VYRA_FACTOR_6X_VERTICAL 0x0100
#define VYRA_FACTOR_6X_HORIZONTAL 0x0200
#define VYRA_FACTOR_8X_VERTICAL 0x0400
#define VYRA_FACTOR_8X_HORIZONTAL 0x0800
#define VYRA_FACTOR_16X_VERTICAL 0x1000
#define VYRA_FACTOR_16X_HORIZONTAL 0x2000
#define VYRA_FACTOR_ALL_HORIZONTAL 0x2AAA
#define VYRA_FACTOR_ALL_VERTICAL 0x1555

/* ---- aoiControl commands ---- */
#define VYRA_AOI_SET 1              /* VyraRect in, 16 */
#define VYRA_AOI_GET 2              /* VyraRect out, 16 */
#define VYRA_AOI_SET_OFFSET 3       /* VyraPoint in, 8 */
#define VYRA_AOI_GET_OFFSET 4       /* VyraPoint out, 8 */
#define VYRA_AOI_OFFSET_MINIMUM 7   /* VyraPoint out, 8 */
#define VYRA_AOI_SIZE_MINIMUM 8     /* VyraSize out, 8 */
#define VYRA_AOI_OFFSET_MAXIMUM 9   /* VyraPoint out, 8 */
#define VYRA_AOI_SIZE_MAXIMUM 16    /* VyraSize out, 8 */
#define VYRA_AOI_POSITION_INCREMENT 17 /* VyraSize out, 8 */
#define VYRA_AOI_SIZE_INCREMENT 18  /* VyraSize out, 8 */

/* ---- exposureControl commands (double, milliseconds, 8; long exposure int32, 4) ---- */
#define VYRA_EXPOSURE_MINIMUM 3
#define VYRA_EXPOSURE_MAXIMUM 4
#define VYRA_EXPOSURE_INCREMENT 5
#define VYRA_EXPOSURE_GET 7
#define VYRA_EXPOSURE_SET 12
#define VYRA_EXPOSURE_LONG_GET 17
#define VYRA_EXPOSURE_LONG_SET 18

/* ---- flashControl commands ---- */
#define VYRA_FLASH_PARAMS_MINIMUM 14   /* VyraFlashParams out, 8 */
#define VYRA_FLASH_PARAMS_MAXIMUM 15   /* VyraFlashParams out, 8 */
#define VYRA_FLASH_PARAMS_INCREMENT 16 /* VyraFlashParams out, 8 */
#define VYRA_FLASH_PARAMS_GET 17       /* VyraFlashParams out, 8 */
#define VYRA_FLASH_PARAMS_SET 18       /* VyraFlashParams in, 8 */
#define VYRA_FLASH_MODE_GET 19         /* int32 out, 4 */
#define VYRA_FLASH_MODE_SET 20         /* int32 in, 4 */
/* Flash mode codes. */
#define VYRA_FLASH_MODE_OFF 0
#define VYRA_FLASH_MODE_LOW_ACTIVE 1
#define VYRA_FLASH_MODE_HIGH_ACTIVE 2
#define VYRA_FLASH_MODE_CONSTANT_HIGH 3
#define VYRA_FLASH_MODE_CONSTANT_LOW 4

/* ---- pixelClockControl commands (MHz) ---- */
#define VYRA_PIXELCLOCK_COUNT 1 /* uint32 out, 4 */
#define VYRA_PIXELCLOCK_LIST 2  /* uint32[count] out, count * 4 */
#define VYRA_PIXELCLOCK_RANGE 3 /* uint32[3] minimum, maximum, increment, 12 */
#define VYRA_PIXELCLOCK_GET 5   /* uint32 out, 4 */
#define VYRA_PIXELCLOCK_SET 6   /* uint32 in, 4 */

/* ---- imageFormatControl commands ---- */
#define VYRA_IMAGE_FORMAT_COUNT 1 /* uint32 out, 4 */
#define VYRA_IMAGE_FORMAT_LIST 2  /* VyraImageFormatList, 24 + 192 * count */
#define VYRA_IMAGE_FORMAT_SET 3   /* int32 format ID in, 4 */

/* ---- deviceOptionControl commands ---- */
#define VYRA_DEVICE_MEMORY_MODE 90 /* int32 out, 4: 1 = memory mode on */

/* ---- parameterSetControl commands (path: NUL-terminated UTF-16, size 0) ---- */
#define VYRA_PARAMETERSET_LOAD 2
#define VYRA_PARAMETERSET_SAVE 4

/* ---- sequencerControl commands ---- */
#define VYRA_SEQUENCER_MODE_SET 1            /* int32 in: 1 on, 0 off, 4 */
#define VYRA_SEQUENCER_MODE_GET 2            /* int32 out, 4 */
#define VYRA_SEQUENCER_CONFIGURATION_SET 3   /* int32 in: 1 on, 0 off, 4 */
#define VYRA_SEQUENCER_SUPPORTED 5           /* int32 out, 4 */
#define VYRA_SEQUENCER_RESET 6               /* none, 0 */
#define VYRA_SEQUENCER_LOAD_FILE 7           /* UTF-16 path, 0 */
#define VYRA_SEQUENCER_SAVE_FILE 8           /* UTF-16 path, 0 */
#define VYRA_SEQUENCER_SAVE_SET 10           /* none, 0 */
#define VYRA_SEQUENCER_START_SET 12          /* int32 out, 4 */
#define VYRA_SEQUENCER_SELECT_SET 13         /* int32 in, 4 */
#define VYRA_SEQUENCER_SELECTED_SET 14       /* int32 out, 4 */
#define VYRA_SEQUENCER_PATH_SET 15           /* VyraPathRecord in, 16 */
#define VYRA_SEQUENCER_PATH_GET 16           /* VyraPathRecord in/out, 16 */
#define VYRA_SEQUENCER_SET_COUNT 17          /* int32 out, 4 */
#define VYRA_SEQUENCER_FEATURE_SELECT 20     /* int64 feature in, 8 */
#define VYRA_SEQUENCER_FEATURE_ENABLE 22     /* int32 in: 1 enable, 0 disable, 4 */
#define VYRA_SEQUENCER_FEATURE_ENABLED 23    /* int32 out, 4 */
#define VYRA_SEQUENCER_FEATURE_VALUE 25      /* value out, feature's value size */
#define VYRA_SEQUENCER_PATH_COUNT 30         /* int32 out, 4: paths per set */
#define VYRA_SEQUENCER_TRIGGER_SOURCES 31    /* int32 out, 4: trigger source mask */

/* Sequencer features (8-byte identifiers) and the size of their stored value. */
#define VYRA_FEATURE_EXPOSURE 1      /* double ms, 8 */
#define VYRA_FEATURE_GAIN 2          /* int32 master, red, green, blue, 16 */
#define VYRA_FEATURE_AOI_OFFSET_X 4  /* int32, 4 */
#define VYRA_FEATURE_AOI_OFFSET_Y 8  /* int32, 4 */
#define VYRA_FEATURE_FLASH 16        /* int32 mode, duration us, delay us, 12 */

/* Trigger sources of a sequencer path. */
#define VYRA_SEQUENCER_TRIGGER_OFF 0
#define VYRA_SEQUENCER_TRIGGER_FRAME_END 1
#define VYRA_SEQUENCER_TRIGGER_FRAME_START 2
#define VYRA_SEQUENCER_TRIGGER_EXPOSURE_END 4

/* ---- Event IDs ---- */
#define VYRA_EVENT_CAMERA_RECONNECTED 9 /* camera handle */
#define VYRA_EVENT_CAMERA_REMOVED 128   /* camera handle */
#define VYRA_EVENT_DEVICE_REMOVED 129   /* handle 0 */
#define VYRA_EVENT_DEVICE_CONNECTED 130 /* handle 0 */

/* ---- Operations ---- */

/* Opens a camera: *handle holds a device ID OR VYRA_USE_DEVICE_ID on entry and the
 * camera handle on return. window is unused and must be null. */
VYRA_API VyraStatus openCamera(VyraHandle *handle, void *window);
VYRA_API VyraStatus closeCamera(VyraHandle handle);
VYRA_API VyraStatus countCameras(int32_t *count);
/* Fills at most list->count records and sets list->count to the number filled. */
VYRA_API VyraStatus listCameras(VyraCameraList *list);

/* mode VYRA_CAPTURE_START starts capture; VYRA_CAPTURE_QUERY_LIVE answers 1 or 0. */
VYRA_API VyraStatus startLiveCapture(VyraHandle handle, int32_t mode);
VYRA_API VyraStatus stopLiveCapture(VyraHandle handle, int32_t mode);
/* Takes one image (software trigger). */
VYRA_API VyraStatus captureSingleFrame(VyraHandle handle);
VYRA_API VyraStatus selectTriggerSource(VyraHandle handle, int32_t code);
VYRA_API VyraStatus selectPixelFormat(VyraHandle handle, int32_t format);

/* Frame buffers belong to the driver: allocated and released only through it.
 * Each line of a buffer is VyraFrameDescriptor::linePitch bytes long. */
VYRA_API VyraStatus allocateFrameBuffer(VyraHandle handle, int32_t width, int32_t height,
                                        int32_t bitsPerPixel, char **memory, int32_t *id);
VYRA_API VyraStatus releaseFrameBuffer(VyraHandle handle, char *memory, int32_t id);
VYRA_API VyraStatus appendToBufferRing(VyraHandle handle, char *memory, int32_t id);
VYRA_API VyraStatus clearBufferRing(VyraHandle handle);
/* Gives a buffer taken by waitForQueuedImage back to the ring. */
VYRA_API VyraStatus unlockRingBuffer(VyraHandle handle, int32_t id, char *memory);
VYRA_API VyraStatus enableImageQueue(VyraHandle handle, int32_t mode);
/* Waits for the oldest filled buffer; VYRA_TIMED_OUT after timeoutMs. The buffer
 * stays locked (not refilled) until unlockRingBuffer. */
VYRA_API VyraStatus waitForQueuedImage(VyraHandle handle, int32_t timeoutMs, char **memory,
                                       int32_t *id);
/* record must have room for size bytes; size is sizeof(VyraFrameDescriptor). */
VYRA_API VyraStatus describeFrame(VyraHandle handle, int32_t id, void *record, uint32_t size);

VYRA_API VyraStatus querySensorProperties(VyraHandle handle, VyraSensorProperties *properties);
/* Sets the gains (VYRA_GAIN_KEEP leaves one); a VYRA_GAIN_QUERY_* master answers that gain. */
VYRA_API VyraStatus setSensorGains(VyraHandle handle, int32_t master, int32_t red,
                                   int32_t green, int32_t blue);

VYRA_API VyraStatus requestFrameRate(VyraHandle handle, double fps, double *fpsSet);
VYRA_API VyraStatus currentFrameRate(VyraHandle handle, double *fps);
/* Frame interval range in seconds. */
VYRA_API VyraStatus frameIntervalRange(VyraHandle handle, double *minimum, double *maximum,
                                       double *increment);

/* Sets the mode bits; VYRA_MODE_QUERY_* answers bits instead of a status. */
VYRA_API VyraStatus subsamplingMode(VyraHandle handle, int32_t mode);
VYRA_API VyraStatus binningMode(VyraHandle handle, int32_t mode);

VYRA_API VyraStatus aoiControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size);
VYRA_API VyraStatus exposureControl(VyraHandle handle, uint32_t command, void *buffer,
                                    uint32_t size);
VYRA_API VyraStatus flashControl(VyraHandle handle, uint32_t command, void *buffer, uint32_t size);
VYRA_API VyraStatus pixelClockControl(VyraHandle handle, uint32_t command, void *buffer,
                                      uint32_t size);
VYRA_API VyraStatus imageFormatControl(VyraHandle handle, uint32_t command, void *buffer,
                                       uint32_t size);
VYRA_API VyraStatus deviceOptionControl(VyraHandle handle, uint32_t command, void *buffer,
                                        uint32_t size);
/* parameter is a NUL-terminated UTF-16 path (const char16_t *) or null; size 0. */
VYRA_API VyraStatus parameterSetControl(VyraHandle handle, uint32_t command, void *parameter,
                                        uint32_t size);
VYRA_API VyraStatus sequencerControl(VyraHandle handle, uint32_t command, void *buffer,
                                     uint32_t size);

/* Events: handle 0 registers for device events (connected, removed). */
VYRA_API VyraStatus registerEventObject(VyraHandle handle, HANDLE event, int32_t eventId);
VYRA_API VyraStatus startEventNotification(VyraHandle handle, int32_t eventId);
VYRA_API VyraStatus stopEventNotification(VyraHandle handle, int32_t eventId);
VYRA_API VyraStatus unregisterEventObject(VyraHandle handle, int32_t eventId);

#ifdef __cplusplus
}
#endif
