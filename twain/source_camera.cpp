// The data source's camera link and frame pipeline (data-source variants).
#include "twain/source_camera.h"

DeviceLink sourceLink(LinkVariant::DataSource);
FramePipeline sourcePipeline(&sourceLink, LinkVariant::DataSource);
