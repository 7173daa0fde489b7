#include "ui/view/WindowSet.h"

#include <QWidget>
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

void HideAll(std::initializer_list<QWidget*> windows) {
    for (QWidget* window : windows)
        if (window) window->hide();
}

}  // namespace veltod
