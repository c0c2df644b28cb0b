#include "binding/BindingTreeBuilder.h"

#include "log/MessageFormat.h"

namespace kor {
namespace {

constexpr std::string_view kTooDeep = "Nesting deeper than %1 levels is not supported.";
constexpr std::string_view kTooManyElements = "Collection larger than %1 elements is not supported.";

}  // namespace

BindingProperty* BindingTreeBuilder::NextTarget() {
    if (open_.empty()) return &root_;
    BindingProperty& container = *open_.back();
    if (container.IsCollection()) {
        if (container.Size() >= BindingProperty::kMaxElements) {
            limit_ = Limit::Elements;
            return nullptr;
        }
        return &container.Append();
    }
    BindingProperty* member = member_;
    member_ = nullptr;
    // Without a key (a reader's mistake) the structure itself is the target.
    return member != nullptr ? member : &container;
}

bool BindingTreeBuilder::Open(BindingProperty& target, bool structure) {
    if (open_.size() >= kMaxNestingDepth) {
        limit_ = Limit::Depth;
        return false;
    }
    if (structure) {
        target.MakeStructure();
    } else {
        target.MakeCollection();
    }
    open_.push_back(&target);
    member_ = nullptr;
    return true;
}

bool BindingTreeBuilder::OpenCollection(BindingProperty& target) { return Open(target, false); }

bool BindingTreeBuilder::OpenStructure(BindingProperty& target) { return Open(target, true); }

void BindingTreeBuilder::Close() {
    if (!open_.empty()) open_.pop_back();
    member_ = nullptr;
}

void BindingTreeBuilder::SetKey(std::string_view key) {
    if (open_.empty() || !open_.back()->IsStructure()) return;
    member_ = &open_.back()->MemberForWrite(key);
}

std::string BindingTreeBuilder::LimitMessage(Limit limit) {
    switch (limit) {
        case Limit::Depth:
            return FormatMessage(kTooDeep, kMaxNestingDepth);
        case Limit::Elements:
            return FormatMessage(kTooManyElements, BindingProperty::kMaxElements);
        case Limit::None:
            break;
    }
    return {};
}

}  // namespace kor
