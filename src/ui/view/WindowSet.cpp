#include "ui/view/WindowSet.h"

#include <stdexcept>

namespace veltod {
namespace {

TWindowSet* current_set = nullptr;

}  // namespace

TWindowSet::TWindowSet() {
    if (current_set) throw std::logic_error("a window set exists already");
    current_set = this;
}

TWindowSet::~TWindowSet() { current_set = nullptr; }

TWindowSet& Windows() {
    if (!current_set) throw std::logic_error("no window set");
    return *current_set;
}

}  // namespace veltod
