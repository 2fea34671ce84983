#include "engine/pool/delivery_work_item.h"

#include <utility>

namespace trevalon {

DeliveryWorkItem::DeliveryWorkItem(std::string_view failureTitle, DeliveryKind kind, bool succeeded,
                                   std::string resultText)
    : failureTitle_(failureTitle),
      kind_(kind),
      succeeded_(succeeded),
      resultText_(std::move(resultText)) {}

std::string DeliveryWorkItem::FailureLine() const {
    return FailureLineWith("error");
}

void DeliveryWorkItem::ReleaseTexts() {
    std::string().swap(resultText_);
    std::string().swap(resultDetail_);
}

std::string DeliveryWorkItem::FailureLineWith(std::string_view first) const {
    std::string line(failureTitle_);
    line += " : ";
    line += first;
    line += ' ';
    line += resultDetail_;
    line += ' ';
    line += StatusMessage();
    return line;
}

}  // namespace trevalon
