#pragma once
// `veltod-publish changes`: its command line, strictly read (an unknown
// option or a missing value is a usage error, exit status 2).
namespace veltod {

int RunChangesCommand(int argc, char** argv, int first);

}  // namespace veltod
