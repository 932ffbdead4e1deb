#pragma once
/*
 * Binary records exchanged with the camera driver.
 *
 * Every record is little-endian, packed by its natural alignment, and checked
 * below for its size and the offsets the application relies on. Fields marked
 * reserved are written as zero by the driver and ignored by the application.
 */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One connected camera, as listCameras reports it (112 bytes). */
typedef struct VyraCameraRecord {
    int32_t cameraId;       /*   0: user-assignable camera ID */
    int32_t deviceId;       /*   4: device ID, passed to openCamera */
    int32_t sensorId;       /*   8: sensor type code */
    int32_t inUse;          /*  12: non-zero when a program holds the camera */
    char serialNumber[16];  /*  16: NUL-terminated */
    char modelName[28];     /*  32: NUL-terminated, e.g. "VK2230C" */
    char cameraName[32];    /*  60: NUL-terminated, e.g. "VK2230C-USB" */
    int32_t status;         /*  92: 0 = ready */
    int32_t reserved[4];    /*  96 */
} VyraCameraRecord;

/* Buffer of listCameras: the number of records, immediately followed by them. */
typedef struct VyraCameraList {
    int32_t count;              /* in: records there is room for; out: records filled */
    VyraCameraRecord records[1]; /* count records; allocate 4 + count * 112 bytes */
} VyraCameraList;

#define VYRA_CAMERA_LIST_SIZE(count) (4u + (uint32_t)(count) * (uint32_t)sizeof(VyraCameraRecord))

/* Calendar time of a frame, as the driver's host clock saw it. */
typedef struct VyraFrameTime {
    uint16_t year;
    uint16_t month;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t millisecond;
    uint16_t reserved;
} VyraFrameTime;

/* What the driver knows about the image in a buffer (describeFrame, 88 bytes). */
typedef struct VyraFrameDescriptor {
    uint64_t frameNumber;    /*  0: counts every frame the sensor took since the camera was opened, from 1 */
    uint64_t timestampUs;    /*  8: device time stamp in microseconds since the camera was opened */
    VyraFrameTime time;      /* 16: host calendar time */
    int32_t width;           /* 32: image width in pixels */
    int32_t height;          /* 36: image height in pixels */
    int32_t bitsPerPixel;    /* 40 */
    int32_t linePitch;       /* 44: bytes from one line of the buffer to the next */
    uint32_t droppedFrames;  /* 48: frames dropped for want of a free buffer since live capture started */
    int32_t triggerSource;   /* 52: trigger mode the image was taken in */
    double exposureMs;       /* 56: exposure time used */
    int32_t reserved[4];     /* 64 */
    uint8_t sequencerSet;    /* 80: sequencer set that took the image, 0 while no sequence runs */
    uint8_t reserved2[7];    /* 81 */
} VyraFrameDescriptor;

/* Sensor description (querySensorProperties, 80 bytes). */
typedef struct VyraSensorProperties {
    char sensorName[32];      /*  0 */
    int32_t colorMode;        /* 32: 1 = colour (Bayer) sensor */
    int32_t maxWidth;         /* 36: full sensor width in pixels */
    int32_t maxHeight;        /* 40 */
    int32_t masterGain;       /* 44: 1 when the master gain exists */
    int32_t redGain;          /* 48 */
    int32_t greenGain;        /* 52 */
    int32_t blueGain;         /* 56 */
    int32_t globalShutter;    /* 60 */
    int32_t pixelSize;        /* 64: pixel pitch in 0.01 um */
    int32_t reserved[3];      /* 68 */
} VyraSensorProperties;

/* A path of a sequencer set (16 bytes). */
typedef struct VyraPathRecord {
    int32_t pathIndex;      /* 0: which path of the set */
    int32_t nextSet;        /* 4: set taken after this one */
    int32_t triggerSource;  /* 8: VYRA_SEQUENCER_TRIGGER_* that steps along the path */
    int32_t reserved;       /* 12: 0 */
} VyraPathRecord;

typedef struct VyraRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
} VyraRect;

typedef struct VyraPoint {
    int32_t x;
    int32_t y;
} VyraPoint;

typedef struct VyraSize {
    int32_t width;
    int32_t height;
} VyraSize;

/* Flash timing: delay (may be negative) and duration, microseconds. */
typedef struct VyraFlashParams {
    int32_t delayUs;
    uint32_t durationUs;
} VyraFlashParams;

/* One predefined image format of the sensor (192 bytes). */
typedef struct VyraImageFormatEntry {
    int32_t formatId;        /*   0: passed to VYRA_IMAGE_FORMAT_SET */
    int32_t width;           /*   4 */
    int32_t height;          /*   8 */
    int32_t x;               /*  12: AOI position of the format */
    int32_t y;               /*  16 */
    int32_t binning;         /*  20: binning mode bits the format sets */
    int32_t subsampling;     /*  24: subsampling mode bits the format sets */
    int32_t reserved0;       /*  28 */
    char caption[64];        /*  32: NUL-terminated, e.g. "1280x1024 SXGA" */
    int32_t reserved[24];    /*  96 */
} VyraImageFormatEntry;

/* Buffer of VYRA_IMAGE_FORMAT_LIST: a header and count entries (24 + 192 * count bytes). */
typedef struct VyraImageFormatList {
    uint32_t entrySize;      /*  0: the caller writes sizeof(VyraImageFormatEntry) */
    uint32_t count;          /*  4: the caller writes the number of entries it has room for */
    uint32_t reserved[4];    /*  8 */
    VyraImageFormatEntry entries[1]; /* 24 */
} VyraImageFormatList;

#define VYRA_IMAGE_FORMAT_LIST_SIZE(count) \
    (24u + (uint32_t)(count) * (uint32_t)sizeof(VyraImageFormatEntry))

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
#include <cstddef>
#define VYRA_STATIC_ASSERT static_assert
#else
#include <stddef.h>
#define VYRA_STATIC_ASSERT _Static_assert
#endif

VYRA_STATIC_ASSERT(sizeof(VyraCameraRecord) == 112, "camera record is 112 bytes");
VYRA_STATIC_ASSERT(offsetof(VyraCameraRecord, deviceId) == 4, "device ID at 4");
VYRA_STATIC_ASSERT(offsetof(VyraCameraRecord, inUse) == 12, "in-use flag at 12");
VYRA_STATIC_ASSERT(offsetof(VyraCameraRecord, serialNumber) == 16, "serial number at 16");
VYRA_STATIC_ASSERT(offsetof(VyraCameraRecord, modelName) == 32, "model name at 32");
VYRA_STATIC_ASSERT(offsetof(VyraCameraRecord, cameraName) == 60, "camera name at 60");
VYRA_STATIC_ASSERT(offsetof(VyraCameraList, records) == 4, "records follow the count");
VYRA_STATIC_ASSERT(sizeof(VyraFrameDescriptor) == 88, "frame descriptor is 88 bytes");
VYRA_STATIC_ASSERT(offsetof(VyraFrameDescriptor, linePitch) == 44, "line pitch at 44");
VYRA_STATIC_ASSERT(offsetof(VyraFrameDescriptor, sequencerSet) == 80, "sequencer set at 80");
VYRA_STATIC_ASSERT(sizeof(VyraSensorProperties) == 80, "sensor properties are 80 bytes");
VYRA_STATIC_ASSERT(offsetof(VyraSensorProperties, masterGain) == 44, "master gain flag at 44");
VYRA_STATIC_ASSERT(offsetof(VyraSensorProperties, redGain) == 48, "red gain flag at 48");
VYRA_STATIC_ASSERT(offsetof(VyraSensorProperties, greenGain) == 52, "green gain flag at 52");
VYRA_STATIC_ASSERT(offsetof(VyraSensorProperties, blueGain) == 56, "blue gain flag at 56");
VYRA_STATIC_ASSERT(sizeof(VyraPathRecord) == 16, "path record is 16 bytes");
VYRA_STATIC_ASSERT(sizeof(VyraRect) == 16, "AOI rectangle is 16 bytes");
VYRA_STATIC_ASSERT(sizeof(VyraPoint) == 8 && sizeof(VyraSize) == 8, "pairs are 8 bytes");
VYRA_STATIC_ASSERT(sizeof(VyraFlashParams) == 8, "flash parameters are 8 bytes");
VYRA_STATIC_ASSERT(sizeof(VyraImageFormatEntry) == 192, "image format entry is 192 bytes");
VYRA_STATIC_ASSERT(offsetof(VyraImageFormatEntry, caption) == 32, "caption at 32");
VYRA_STATIC_ASSERT(offsetof(VyraImageFormatList, entries) == 24, "entries at 24");
