#include "core/apply/list_expiry.h"

#include "core/apply/package_format.h"
#include "core/platform/convert.h"

namespace veltod {
namespace {

// The day comes first, so no content (which begins with its field count)
// signed alone can pass for a day and content signed together.
std::string ExpirySignedText(std::string_view day, std::string_view content) {
    std::string text = kExpiryLine;
    text.append(day);
    text += "\r\n";
    text.append(content);
    return text;
}

}  // namespace

std::string ListSealLines(std::string_view content, const std::string& secret_key, const std::string& valid_until) {
    std::string lines = kSignatureLine + SignText(content, secret_key) + "\r\n";
    if (!valid_until.empty())
        lines +=
            kExpiryLine + valid_until + " " + SignText(ExpirySignedText(valid_until, content), secret_key) + "\r\n";
    return lines;
}

std::string ExpiryDayOf(std::string_view line_rest, std::string_view content, const std::string& public_key,
                        std::string& problem) {
    const std::string_view day = line_rest.substr(0, 8);
    const size_t blank = line_rest.find(' ');
    if (!IsEightDigits(day) || blank != 8) {
        problem = "has an expiry line that does not read as a day and a signature";
        return {};
    }
    if (!public_key.empty() &&
        !TextSignatureVerifies(ExpirySignedText(day, content), line_rest.substr(9), public_key)) {
        problem = "has an expiry with a signature that does not verify";
        return {};
    }
    return std::string(day);
}

}  // namespace veltod
