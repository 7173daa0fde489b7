#pragma once
// For timing the program from outside (the end-to-end benchmarks): with
// VELTOD_PAINT_MARK naming a file, the program opens today's news once its
// main window has activated, as the Today button does, and appends one line
// to that file each time a day news window has painted after being shown with
// its first row filled ("painted"), and one line when a message box is shown
// ("box " and its title). Unset, it does nothing.
namespace veltod {

class TProgramWindows;

void InstallPaintMark(TProgramWindows& windows);

}  // namespace veltod
