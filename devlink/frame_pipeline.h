// FramePipeline: the frame buffers, the size arithmetic, the picture
// commands (select size, hold, transfer, release) and the chunked frame read
// that converts each chunk into the 24-bit bitmap. The viewer and the data
// source each hold one; the data source's base size follows the camera model.
#pragma once

#include <cstdint>

#include "devlink/device_link.h"
#include "devlink/frame_geometry.h"

namespace devlink {

// Which picture an operation works on: the live picture, at the pipeline's
// current size index, or a still capture at a size index of its own.
struct PictureChoice {
  bool live;
  int32_t captureSize;  // size index of the still capture
};
constexpr PictureChoice kLivePicture = {true, 0};
inline PictureChoice capturePicture(int sizeIndex) { return PictureChoice{false, sizeIndex}; }

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
  void computeSizes(PictureChoice which);
  void computeChunk();
  void setSizeIndex(int index);
  bool resetForSize();
  void abortFrame();
  bool reinit();
  void release();
  bool allocCapture();
  void freeCapture();

  bool selectSize(PictureChoice which);
  bool storeImage();
  bool startTransfer();
  bool releaseImage();
  bool readChunk(PictureChoice which);

  // Fetches the held picture at size m into captureImage (select, hold,
  // transfer, chunk reads) with the messages of the still capture.
  bool stillCapture(int m, const ProgressSink* progress);

  // Accessors of the live picture or the still capture.
  uint32_t imageBytes(PictureChoice which) const { return which.live ? liveImageBytes : captureImageBytes; }
  uint8_t* image(PictureChoice which) const { return which.live ? liveImage : captureImage; }
  int sizeIndexOf(PictureChoice which) const { return which.live ? sizeIndex : which.captureSize; }
  FrameGeometry geometryOf(PictureChoice which) const {
    return frameGeometry(FrameBase{baseWidth, baseHeight}, sizeIndexOf(which));
  }
  // Base size of the model the link found (data source), else 1024x768.
  void applyModel();

 private:
  bool reallocChunk(uint32_t bytes);
  bool sendPicture(uint8_t code, uint8_t parameter);
};

}  // namespace devlink
