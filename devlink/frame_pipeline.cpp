// The frame pipeline: frame buffers, size arithmetic, picture commands and
// the chunked frame read with its conversion into the 24-bit bitmap.
#include <cstring>

#include "devlink/convert.h"
#include "devlink/frame_pipeline.h"

namespace devlink {

namespace {

uint8_t* allocBuffer(uint32_t bytes) {
  uint8_t* buffer = static_cast<uint8_t*>(plat::allocPages(bytes));
  if (buffer) std::memset(buffer, 0, bytes < 4 ? bytes : 4);
  return buffer;
}

void freeBuffer(uint8_t** buffer) {
  if (*buffer) {
    plat::freePages(*buffer);
    *buffer = nullptr;
  }
}

void showCaptureError(const char* text, const char* caption) {
  plat::showMessage(nullptr, text, caption, plat::kMbOk | plat::kMbIconError);
}

}  // namespace

FramePipeline::FramePipeline(DeviceLink* deviceLink, LinkVariant pipelineVariant)
    : baseWidth(kXgaBase.width),
      baseHeight(kXgaBase.height),
      sizeIndex(1),
      largeModel(0),
      liveImageBytes(0),
      captureImageBytes(0),
      chunkBytes(0),
      liveTargetBytes(0),
      captureTargetBytes(0),
      writeOffset(0),
      consumedOutput(0),
      frameInProgress(0),
      liveImage(nullptr),
      captureImage(nullptr),
      chunkBuffer(nullptr),
      pixelCount(0),
      link(deviceLink),
      variant(pipelineVariant),
      chunkBufferBytes(0) {}

void FramePipeline::applyModel() {
  largeModel = (variant == LinkVariant::DataSource && link) ? link->largeModel : 0;
  const FrameBase base = modelBase(largeModel != 0);
  baseWidth = base.width;
  baseHeight = base.height;
}

bool FramePipeline::init() {
  liveImageBytes = captureImageBytes = liveTargetBytes = captureTargetBytes = 0;
  chunkBytes = 0;
  writeOffset = pixelCount = frameInProgress = 0;
  consumedOutput = 0;
  liveImage = captureImage = chunkBuffer = nullptr;
  chunkBufferBytes = 0;
  applyModel();
  computeSizes(kLivePicture);
  liveImage = allocBuffer(liveImageBytes);
  computeChunk();
  if (!liveImage || !reallocChunk(static_cast<uint32_t>(chunkBytes))) {
    release();
    plat::showMessage(nullptr, kMemoryText, kMemoryCaption, plat::kMbOk | plat::kMbIconError);
    return false;
  }
  return true;
}

void FramePipeline::computeSizes(PictureChoice which) {
  const uint32_t bytes = geometryOf(which).bitmapBytes;
  if (which.live) {
    liveImageBytes = bytes;
    liveTargetBytes = bytes;
  } else {
    captureImageBytes = bytes;
    captureTargetBytes = bytes;
  }
}

void FramePipeline::computeChunk() {
  const uint32_t raw = geometryOf(kLivePicture).rawBytes;
  chunkBytes = raw < static_cast<uint32_t>(kChunkLimit) ? static_cast<int32_t>(raw) : kChunkLimit;
}

void FramePipeline::setSizeIndex(int index) {
  if (isValidSizeIndex(index) && index != sizeIndex) sizeIndex = index;
}

bool FramePipeline::resetForSize() {
  computeSizes(kLivePicture);
  freeBuffer(&liveImage);
  liveImage = allocBuffer(liveImageBytes);
  writeOffset = frameInProgress = pixelCount = 0;
  consumedOutput = 0;
  return liveImage != nullptr;
}

// A frame given up part-way restarts from nothing: besides the write
// position, the pixel and output counters go back to zero, or the next frame
// would be placed and ended by the remains of the abandoned one.
void FramePipeline::abortFrame() {
  writeOffset = frameInProgress = pixelCount = 0;
  consumedOutput = 0;
}

bool FramePipeline::reinit() {
  release();
  return init();
}

void FramePipeline::release() {
  freeBuffer(&liveImage);
  freeBuffer(&chunkBuffer);
  chunkBufferBytes = 0;
}

bool FramePipeline::allocCapture() {
  freeBuffer(&captureImage);
  captureImage = allocBuffer(captureImageBytes);
  if (!captureImage) {
    plat::showMessage(nullptr, kMemoryText, kMemoryCaption, plat::kMbOk | plat::kMbIconError);
    return false;
  }
  return true;
}

void FramePipeline::freeCapture() { freeBuffer(&captureImage); }

bool FramePipeline::reallocChunk(uint32_t bytes) {
  freeBuffer(&chunkBuffer);
  chunkBufferBytes = 0;
  chunkBuffer = allocBuffer(bytes);
  if (!chunkBuffer) return false;
  chunkBufferBytes = bytes;
  return true;
}

bool FramePipeline::sendPicture(uint8_t code, uint8_t parameter) {
  CommandBlock block = CommandBlock::make(code, parameter);
  return link->transact(&block);
}

bool FramePipeline::selectSize(PictureChoice which) {
  const int s = sizeIndexOf(which);
  const uint8_t parameter = (s == 0 || s == 2) ? static_cast<uint8_t>(s) : 1;
  return sendPicture(kCmdSelectSize, parameter);
}

bool FramePipeline::storeImage() { return sendPicture(kCmdStoreImage, kParamOn); }

bool FramePipeline::startTransfer() {
  if (!sendPicture(kCmdTransferImage, kParamOn)) return false;
  frameInProgress = 1;
  return true;
}

bool FramePipeline::releaseImage() { return sendPicture(kCmdStoreImage, kParamOff); }

bool FramePipeline::readChunk(PictureChoice which) {
  if (writeOffset == 0) {
    computeChunk();
    if (!reallocChunk(static_cast<uint32_t>(chunkBytes))) return false;
  }
  const int64_t room = static_cast<int64_t>(imageBytes(which)) - static_cast<int64_t>(writeOffset);
  if (room < 0) return false;
  const uint32_t target = which.live ? liveTargetBytes : captureTargetBytes;
  const int32_t remaining = static_cast<int32_t>((static_cast<int64_t>(target) - consumedOutput) * 2 / 3);
  if (remaining <= 0) {
    // Nothing of this frame is left to read: the counters are out of step.
    abortFrame();
    return false;
  }
  bool last = false;
  if (chunkBytes >= remaining) {
    last = true;
    if (chunkBytes > remaining) {
      chunkBytes = remaining;
      if (!reallocChunk(static_cast<uint32_t>(chunkBytes))) return false;
    }
  }
  if (!link->readImage(chunkBuffer, static_cast<uint32_t>(chunkBytes))) return false;

  const int s = sizeIndexOf(which);
  ConvertTarget where;
  where.image = image(which);
  where.imageBytes = imageBytes(which);
  where.width = isValidSizeIndex(s) ? geometryOf(which).width : 0;
  where.baseHeight = baseHeight;
  where.sizeIndex = s;
  ConvertCounters counters = {writeOffset, pixelCount, consumedOutput};
  convertChunk(chunkBuffer, static_cast<uint32_t>(chunkBytes), where, &counters, link->lineSkipFlag() != 0);
  writeOffset = counters.writeOffset;
  pixelCount = counters.pixelCount;
  consumedOutput = counters.consumedOutput;

  if (last) {
    writeOffset = frameInProgress = pixelCount = 0;
    consumedOutput = 0;
  }
  return true;
}

bool FramePipeline::stillCapture(int m, const ProgressSink* progress) {
  const PictureChoice capture = capturePicture(m);
  computeSizes(capture);
  if (!allocCapture()) return false;
  const char* failText = nullptr;
  const char* failCaption = nullptr;
  if (!selectSize(capture)) {
    failText = kCaptureSizeFailText;
    failCaption = kCaptureSizeFailCaption;
  } else if (!storeImage()) {
    failText = kCaptureHoldFailText;
    failCaption = kCaptureHoldFailCaption;
  } else if (!startTransfer()) {
    failText = kCaptureTransferFailText;
    failCaption = kCaptureTransferFailCaption;
  }
  if (failText) {
    freeCapture();
    showCaptureError(failText, failCaption);
    return false;
  }
  const int32_t perChunk = chunkBytes > 0 ? chunkBytes : kChunkLimit;
  int step = static_cast<int>(80 / (captureImageBytes / static_cast<uint32_t>(perChunk) + 1));
  if (step < 1) step = 1;
  if (progress && progress->setStep) progress->setStep(progress->context, step);
  while (frameInProgress) {
    if (!readChunk(capture)) {
      // The counters are shared with the live picture: leave them clean.
      abortFrame();
      freeCapture();
      showCaptureError(kCaptureReadFailText, kCaptureReadFailCaption);
      return false;
    }
    if (progress && progress->stepIt) progress->stepIt(progress->context);
  }
  return true;
}

}  // namespace devlink
