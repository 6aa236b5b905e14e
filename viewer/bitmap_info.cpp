#include "devlink/frame_pipeline.h"
#include "viewer/acquisition_thread.h"

namespace viewer {

void buildBitmapInfo(int sizeIndex) {
  const devlink::FrameGeometry picture = devlink::frameGeometry(devlink::kXgaBase, sizeIndex);
  BitmapInfoHeader& info = acquisitionThread.liveBitmapInfo;
  info.size = 40;
  info.width = picture.width;
  info.height = -picture.height;  // rows top to bottom
  info.planes = 1;
  info.bitCount = 24;
  info.compression = 0;
  info.sizeImage = picture.bitmapBytes;
  info.xPelsPerMeter = 0;
  info.yPelsPerMeter = 0;
  info.colorsUsed = 0;
  info.colorsImportant = 0;
}

}  // namespace viewer
