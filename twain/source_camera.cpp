// The data source's camera link and frame pipeline (data-source variants).
#include "twain/source_camera.h"

namespace twain {

devlink::DeviceLink sourceLink(devlink::LinkVariant::DataSource);
devlink::FramePipeline sourcePipeline(&sourceLink, devlink::LinkVariant::DataSource);

}  // namespace twain
