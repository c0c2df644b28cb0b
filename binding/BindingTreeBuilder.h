#pragma once

#include "binding/BindingProperty.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

// How deep the readers let containers nest. A request body is a settings
// document a handful of levels deep; anything near this bound is hostile.
// The bound protects what happens after reading as much as the reading
// itself: the JSON parser recurses once per level, and whoever walks the
// value later (conversions to native records, the host's own encoder of
// plain values) may recurse as well.
inline constexpr std::size_t kMaxNestingDepth = 512;

// Builds one value tree from the value events of a reader (JSON and
// MessagePack): scalars go into the target that NextTarget picks, containers
// are opened and closed around their contents. A reader decides what to do
// with a refusal (Open* or NextTarget returning false or null) and reports it
// with LimitMessage.
//
// Containers that are opened again keep what they hold: a key repeated in a
// structure merges two structures and concatenates two collections, while a
// scalar simply replaces the earlier value.
class BindingTreeBuilder {
public:
    enum class Limit { None, Depth, Elements };

    explicit BindingTreeBuilder(BindingProperty& root) : root_(root) {}

    // The value the next value event fills: a new element at the end of the
    // innermost open collection, the member of the last key in the innermost
    // open structure, or the root when nothing is open. Null when the
    // collection already holds BindingProperty::kMaxElements elements.
    BindingProperty* NextTarget();

    // Makes `target` a collection or structure (keeping its content when it
    // already is one) and opens it. False, with nothing changed, when that
    // would nest deeper than kMaxNestingDepth.
    bool OpenCollection(BindingProperty& target);
    bool OpenStructure(BindingProperty& target);

    // Closes the innermost open container.
    void Close();

    // Finds or inserts the member `key` of the innermost open structure; it
    // is the target of the next value event.
    void SetKey(std::string_view key);

    std::size_t depth() const { return open_.size(); }
    // The innermost open container; null when none is open.
    BindingProperty* innermost() const { return open_.empty() ? nullptr : open_.back(); }
    // Why the last refusal happened.
    Limit limit() const { return limit_; }

    // "Nesting deeper than 512 levels is not supported." or "Collection
    // larger than 268435455 elements is not supported."
    static std::string LimitMessage(Limit limit);

private:
    bool Open(BindingProperty& target, bool structure);

    BindingProperty& root_;
    // Open containers, outermost first. Each is an element or member of the
    // one before, which does not change while it is open, so the pointers
    // stay valid (only the innermost collection grows).
    std::vector<BindingProperty*> open_;
    BindingProperty* member_ = nullptr;  // chosen by SetKey, not yet filled
    Limit limit_ = Limit::None;
};

}  // namespace kor
