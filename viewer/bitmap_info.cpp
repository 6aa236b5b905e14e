#include "devlink/frame_geometry.h"
#include "viewer/acquisition_thread.h"
#include "viewer/live_view.h"

namespace viewer {

void buildBitmapInfo(int sizeIndex) {
  const devlink::FrameGeometry picture = devlink::frameGeometry(devlink::kXgaBase, sizeIndex);
  acquisitionThread.liveBitmapInfo = imaging::topDownPictureHeader(picture.width, picture.height);
  publishLiveView();
}

}  // namespace viewer
