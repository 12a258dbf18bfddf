#include "plan/step_budget.h"

#include <algorithm>

namespace drovalin {
namespace {

// Progress reports and cancel checks per budget, and the fewest steps between two of them.
constexpr std::int64_t kReports = 256;
constexpr std::int64_t kCheckSteps = 4096;

}  // namespace

StepBudget::StepBudget(std::int64_t limit, const PlanControl& control)
    : control_(&control), limit_(limit), nextCheck_(0) {
    Check();
}

StepBudget::StepBudget(StepBudget& whole, std::int64_t limit)
    : whole_(&whole), limit_(std::min(limit, whole.Remaining())) {}

std::int64_t StepBudget::Remaining() const {
    const std::int64_t own = std::max<std::int64_t>(0, limit_ - used_);
    return whole_ == nullptr ? own : std::min(own, whole_->Remaining());
}

void StepBudget::Check() {
    if (control_->stop.stop_requested()) cancelled_ = true;
    if (control_->progress) control_->progress(std::min(used_, limit_), limit_);
    nextCheck_ = used_ + std::max(kCheckSteps, limit_ / kReports);
}

void SpendRest(StepBudget& budget, std::int64_t usedBefore, std::int64_t allotted) {
    budget.Spend(std::max<std::int64_t>(0, usedBefore + allotted - budget.Used()));
}

}  // namespace drovalin
