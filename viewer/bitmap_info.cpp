#include "devlink/frame_pipeline.h"
#include "viewer/acquisition_thread.h"
#include "viewer/live_view.h"

void buildBitmapInfo(int sizeIndex) {
  const int32_t d = sizeDivisor(sizeIndex);
  BitmapInfoHeader& info = acquisitionThread.liveBitmapInfo;
  info.size = 40;
  info.width = 1024 / d;
  info.height = -(768 / d);  // rows top to bottom
  info.planes = 1;
  info.bitCount = 24;
  info.compression = 0;
  info.sizeImage = static_cast<uint32_t>((info.width * 3 + 3) / 4 * (768 / d) * 4);
  info.xPelsPerMeter = 0;
  info.yPelsPerMeter = 0;
  info.colorsUsed = 0;
  info.colorsImportant = 0;
  publishLiveView();
}
