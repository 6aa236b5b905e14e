// The data source's one DeviceLink and FramePipeline: opened when the
// source window is created, closed when it is destroyed.
#pragma once

#include "devlink/device_link.h"
#include "devlink/frame_pipeline.h"

extern DeviceLink sourceLink;
extern FramePipeline sourcePipeline;
