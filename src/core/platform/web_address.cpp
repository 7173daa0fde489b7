#include "core/platform/web_address.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace veltod {
namespace {

bool IsAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// A DNS name of at least two labels whose last label is alphabetic.
bool IsHostName(std::string_view host) {
    if (host.empty() || host.size() > 253) return false;
    size_t labels = 0;
    std::string_view last;
    for (size_t start = 0; start <= host.size();) {
        const size_t dot = std::min(host.find('.', start), host.size());
        const std::string_view label = host.substr(start, dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
        for (char c : label)
            if (!IsAlpha(c) && !IsDigit(c) && c != '-') return false;
        ++labels;
        last = label;
        start = dot + 1;
    }
    return labels >= 2 && std::all_of(last.begin(), last.end(), IsAlpha);
}

// The scheme of "scheme:rest", or nothing when the text does not start with
// one. A host followed by a port ("example.org:8080") is not a scheme.
std::optional<std::string> Scheme(std::string_view text) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || !IsAlpha(text.front())) return std::nullopt;
    const std::string_view name = text.substr(0, colon);
    for (char c : name)
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
    if (colon + 1 < text.size() && IsDigit(text[colon + 1]) && IsHostName(name)) return std::nullopt;
    return Lower(name);
}

}  // namespace

AddressToOpen WebAddressToOpen(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (text.empty()) return {AddressVerdict::Nothing, ""};
    const std::string address(text);
    if (std::any_of(text.begin(), text.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }))
        return {AddressVerdict::Refused, address};
    if (const std::optional<std::string> scheme = Scheme(text)) {
        static constexpr std::array<std::string_view, 4> kOpened{"http", "https", "ftp", "mailto"};
        const bool opened = std::find(kOpened.begin(), kOpened.end(), *scheme) != kOpened.end();
        return {opened ? AddressVerdict::Open : AddressVerdict::Refused, address};
    }
    const std::string_view host = text.substr(0, std::min(text.find_first_of(":/?#"), text.size()));
    if (IsHostName(host)) return {AddressVerdict::Open, "http://" + address};
    return {AddressVerdict::Refused, address};
}

}  // namespace veltod
