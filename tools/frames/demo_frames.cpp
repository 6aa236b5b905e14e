// Fetches one frame at every size from the simulated camera, for both
// camera models, through the real device link and frame pipeline, and
// writes each as a BMP file: demo_frames OUTPUT_FOLDER
#include <cstdio>
#include <string>

#include "devlink/frame_pipeline.h"
#include "imaging/bmp_file.h"
#include "sim/sim_rig.h"

namespace {

bool fetchFrame(devlink::FramePipeline* pipeline) {
  if (!pipeline->selectSize(devlink::kLivePicture) || !pipeline->storeImage() || !pipeline->startTransfer()) return false;
  while (pipeline->frameInProgress) {
    if (!pipeline->readChunk(devlink::kLivePicture)) return false;
  }
  return pipeline->releaseImage();
}

bool writeModel(const char* folder, const char* label, devlink::LinkVariant variant, sim::SimModel model) {
  // One camera at a time: the data source's search would otherwise find
  // whichever model sits at the lowest number.
  sim::Rig* rig = sim::rigCreate();
  sim::rigAddCamera(rig, model, 1);
  sim::rigInstall(rig);
  devlink::DeviceLink link(variant);
  bool ok = link.open(0) && link.waitReady();
  devlink::CommandBlock release = devlink::CommandBlock::make(devlink::kCmdStoreImage, devlink::kParamOff);
  // The viewer's handshake keeps the lock for its first held exchange.
  if (ok) ok = variant == devlink::LinkVariant::Viewer ? link.transactHeld(&release) : link.transact(&release);
  devlink::FramePipeline pipeline(&link, variant);
  ok = ok && pipeline.init();
  for (int s = 0; ok && s < 3; ++s) {
    pipeline.setSizeIndex(s);
    ok = pipeline.resetForSize() && fetchFrame(&pipeline);
    if (!ok) break;
    const int width = pipeline.geometryOf(devlink::kLivePicture).width;
    const int height = pipeline.geometryOf(devlink::kLivePicture).height;
    const std::string path = std::string(folder) + "/" + label + "_" + std::to_string(width) + "x" +
                             std::to_string(height) + ".bmp";
    ok = imaging::writePictureBmp(path.c_str(), pipeline.liveImage, width, height);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.c_str());
  }
  pipeline.release();
  link.close();
  sim::rigDestroy(rig);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const char* folder = argc > 1 ? argv[1] : ".";
  // The viewer serves the 1024 x 768 camera; the 1280 x 1024 one is served
  // by the data source's variant of the link.
  bool ok = writeModel(folder, "xga", devlink::LinkVariant::Viewer, sim::kModelXga);
  ok = ok && writeModel(folder, "sxga", devlink::LinkVariant::DataSource, sim::kModelSxga);
  if (!ok) std::fprintf(stderr, "demo_frames: a frame could not be fetched\n");
  return ok ? 0 : 1;
}
