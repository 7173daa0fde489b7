#include "ui/skin/ReportedError.h"

#include <string>

#include "core/platform/seams.h"

namespace veltod {

void ReportCurrentException() {
    std::string text = "Unknown error";
    try {
        throw;
    } catch (const std::exception& error) {
        text = error.what();
    } catch (...) {
    }
    if (Dialogs* dialogs = CurrentSeams().dialogs) dialogs->ErrorBox(text);
}

}  // namespace veltod
