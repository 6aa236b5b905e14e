// The data source's one DeviceLink and FramePipeline: opened when the
// source window is created, closed when it is destroyed.
#pragma once

#include "devlink/device_link.h"
#include "devlink/frame_pipeline.h"

namespace twain {

extern devlink::DeviceLink sourceLink;
extern devlink::FramePipeline sourcePipeline;

}  // namespace twain
