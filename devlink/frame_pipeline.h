// FramePipeline: the frame buffers, the size arithmetic, the picture
// commands (select size, hold, transfer, release) and the chunked frame read
// that converts each chunk into the 24-bit bitmap. The viewer and the data
// source each hold one; the data source's base size follows the camera model.
#pragma once

#include <cstdint>

#include "devlink/device_link.h"

namespace devlink {

enum : int32_t { kChunkLimit = 131072 };

// Texts and captions of the still capture.
extern const char kCaptureSizeFailText[];
extern const char kCaptureSizeFailCaption[];
extern const char kCaptureHoldFailText[];
extern const char kCaptureHoldFailCaption[];
extern const char kCaptureTransferFailText[];
extern const char kCaptureTransferFailCaption[];
extern const char kCaptureReadFailText[];
extern const char kCaptureReadFailCaption[];

// The save or print progress indicator that a still capture advances.
struct ProgressSink {
  void* context;
  void (*setStep)(void* context, int step);
  void (*stepIt)(void* context);
};

struct FramePipeline {
  int32_t baseWidth;
  int32_t baseHeight;
  int32_t sizeIndex;
  uint32_t largeModel;
  uint32_t liveImageBytes;
  uint32_t captureImageBytes;
  int32_t chunkBytes;
  uint32_t liveTargetBytes;
  uint32_t captureTargetBytes;
  uint32_t writeOffset;
  int32_t consumedOutput;
  uint32_t frameInProgress;
  uint8_t* liveImage;
  uint8_t* captureImage;
  uint8_t* chunkBuffer;
  uint32_t pixelCount;

  DeviceLink* link;
  LinkVariant variant;
  uint32_t chunkBufferBytes;  // size of the current chunkBuffer allocation

  FramePipeline(DeviceLink* deviceLink, LinkVariant pipelineVariant);

  bool init();
  void computeSizes(int m);
  void computeChunk();
  void setSizeIndex(int index);
  bool resetForSize();
  void abortFrame();
  bool reinit();
  void release();
  bool allocCapture();
  void freeCapture();

  bool selectSize(int m);
  bool storeImage();
  bool startTransfer();
  bool releaseImage();
  bool readChunk(int m);

  // Fetches the held picture at size m into captureImage (select, hold,
  // transfer, chunk reads) with the messages of the still capture.
  bool stillCapture(int m, const ProgressSink* progress);

  // Accessors: m = -1 for the live image, else the capture.
  uint32_t imageBytes(int m) const { return m < 0 ? liveImageBytes : captureImageBytes; }
  uint8_t* image(int m) const { return m < 0 ? liveImage : captureImage; }
  int32_t widthFor(int m) const;
  int32_t heightFor(int m) const;
  // Base size of the model the link found (data source), else 1024x768.
  void applyModel();

 private:
  bool reallocChunk(uint32_t bytes);
  bool sendPicture(uint8_t code, uint8_t parameter);
};

// Divisor of a size index: 1, 2 or 4 (2*s, or 1 for s = 0).
inline int32_t sizeDivisor(int sizeIndex) { return sizeIndex == 0 ? 1 : 2 * sizeIndex; }

}  // namespace devlink
