#include "ui/catalogue/LiveSearch.h"

#include <QMetaObject>
#include <exception>

namespace veltod {

TLiveSearch::~TLiveSearch() { Stop(); }

void TLiveSearch::Stop() {
    ++generation_;
    if (stop_) stop_->store(true);
    // The search looks at its flag between records: this wait is short.
    if (worker_.joinable()) worker_.join();
    stop_.reset();
}

void TLiveSearch::Start(std::string text, Done done) {
    Stop();
    stop_ = std::make_shared<std::atomic<bool>>(false);
    worker_ = std::thread([this, text = std::move(text), done = std::move(done), stop = stop_,
                           generation = generation_] {
        std::optional<SearchFound> found;
        try {
            found = SearchCatalogue(text, stop.get());
        } catch (const std::exception&) {
            return;
        }
        if (!found) return;
        // Queued to this object: dropped when it is gone, and ignored when a
        // later text has started a search of its own.
        QMetaObject::invokeMethod(
            this,
            [this, done, generation, found = *found] {
                if (generation == generation_) done(found);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace veltod
