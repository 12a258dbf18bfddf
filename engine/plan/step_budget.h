#pragma once

#include <cstdint>

#include "plan/plan_control.h"

namespace drovalin {

// Counts the work of the plan's searches in steps, so that a plan ends after the same work, with the same
// result, on every run and every machine. A part of a budget counts against its own limit and its
// whole's; the whole reports progress and notices a cancel.
class StepBudget {
  public:
    StepBudget(std::int64_t limit, const PlanControl& control);
    // The budget keeps the control by reference: a temporary one would be gone before the first check.
    StepBudget(std::int64_t limit, const PlanControl&& control) = delete;
    // A part of whole of at most limit steps (fewer when the whole has less left).
    StepBudget(StepBudget& whole, std::int64_t limit);
    StepBudget(const StepBudget&) = delete;
    StepBudget& operator=(const StepBudget&) = delete;

    // Counts steps; false once this budget or its whole is used up or the plan was cancelled.
    bool Spend(std::int64_t steps) {
        used_ += steps;
        if (whole_ != nullptr) return whole_->Spend(steps) && used_ <= limit_;
        if (used_ >= nextCheck_) Check();
        return used_ <= limit_ && !cancelled_;
    }
    bool Left() const { return used_ <= limit_ && (whole_ == nullptr ? !cancelled_ : whole_->Left()); }
    bool Cancelled() const { return whole_ == nullptr ? cancelled_ : whole_->Cancelled(); }
    std::int64_t Used() const { return used_; }
    std::int64_t Remaining() const;

  private:
    void Check();

    StepBudget* whole_ = nullptr;
    const PlanControl* control_ = nullptr;
    std::int64_t limit_ = 0;
    std::int64_t used_ = 0;
    std::int64_t nextCheck_ = 0;
    bool cancelled_ = false;
};

// Counts what a part of the plan left of its allotment as done, so that the progress shown reaches its end
// rather than stopping short when the part finishes early.
void SpendRest(StepBudget& budget, std::int64_t usedBefore, std::int64_t allotted);

}  // namespace drovalin
