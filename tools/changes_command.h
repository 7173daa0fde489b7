#pragma once
// `veltod-publish changes`: publishes the day of what changed in an archive
// and reports it. Its command line is read by the publisher's option table.
#include "server/publish_options.h"

namespace veltod {

int RunChangesCommand(const PublishOptions& arguments);

}  // namespace veltod
