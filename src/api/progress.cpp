#include "gaussnet/progress.h"

#include <utility>

namespace gaussnet::api {

void latest_progress::update(const progress_report& report) {
    const std::lock_guard<std::mutex> lock(mutex_);
    latest_ = report;
}

std::optional<progress_report> latest_progress::take() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(latest_, std::nullopt);
}

}  // namespace gaussnet::api
