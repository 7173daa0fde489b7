#pragma once
// The search as the user types: each text is searched on a thread of its
// own, and a new text stops the search still running for the one before, so
// only the latest text's results come back.
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/catalogue/catalogue_search.h"

namespace veltod {

class TLiveSearch : public QObject {
public:
    using Done = std::function<void(const SearchFound&)>;

    explicit TLiveSearch(QObject* parent) : QObject(parent) {}
    // Stops the running search and waits for it.
    ~TLiveSearch() override;

    // Stops the search still running, then searches for text; done runs on
    // this object's thread once that search has finished, unless another
    // search was started or stopped meanwhile. A search that fails tells
    // nothing: the search the user asks for with Enter reports its error.
    void Start(std::string text, Done done);
    // Stops the running search, waits for it, and drops its results.
    void Stop();

private:
    std::thread worker_;
    std::shared_ptr<std::atomic<bool>> stop_;
    unsigned generation_ = 0;
};

}  // namespace veltod
