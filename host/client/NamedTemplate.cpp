#include "host/client/NamedTemplate.h"

#include <array>
#include <vector>

#include "log/MessageFormat.h"

namespace kor {
namespace {

constexpr std::array<std::string_view, 7> kTypedSuffixes = {"_bool", "_int", "_long", "_float",
                                                            "_str",  "_time", "_ip"};

bool EndsWithTypedSuffix(std::string_view name) {
    for (std::string_view suffix : kTypedSuffixes) {
        if (name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix) return true;
    }
    return false;
}

std::string FieldNameOf(std::string_view name, const NamedValue& value) {
    std::string field(name);
    if (!EndsWithTypedSuffix(name)) field += value.KindSuffix();
    return field;
}

// Collects the output and stops growing at the limit.
class BoundedText {
public:
    void Append(std::string_view text) {
        const std::size_t room = kNamedTemplateMaxLength - text_.size();
        text_.append(text.substr(0, room));
    }
    void Append(char c) {
        if (text_.size() < kNamedTemplateMaxLength) text_ += c;
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

// The placeholder's name: the text inside the braces up to an optional
// format specification.
std::string_view PlaceholderName(std::string_view inside) { return inside.substr(0, inside.find(':')); }

}  // namespace

std::string NamedValue::Text() const {
    struct Visitor {
        std::string operator()(std::string_view text) const { return std::string(text); }
        std::string operator()(bool value) const { return value ? "true" : "false"; }
        std::string operator()(int64_t value) const { return std::to_string(value); }
        std::string operator()(uint64_t value) const { return std::to_string(value); }
        std::string operator()(double value) const { return FormatMessage("%1", value); }
    };
    return std::visit(Visitor{}, value_);
}

std::string_view NamedValue::KindSuffix() const {
    switch (value_.index()) {
        case 0: return "_str";
        case 1: return "_bool";
        case 2:
        case 3: return "_int";
        default: return "_float";
    }
}

void NamedValue::StoreInto(BindingProperty& field) const {
    struct Visitor {
        BindingProperty& field;
        void operator()(std::string_view text) const { field.SetString(text); }
        void operator()(bool value) const { field.SetBool(value); }
        void operator()(int64_t value) const { field.SetSigned(value); }
        void operator()(uint64_t value) const { field.SetUnsigned(value); }
        void operator()(double value) const { field.SetFloat(value); }
    };
    std::visit(Visitor{field}, value_);
}

NamedTemplateOutput ExpandNamedTemplate(std::string_view tmpl, std::span<const NamedValue> values) {
    NamedTemplateOutput output;
    output.fields.MakeStructure();
    std::vector<std::string_view> names;  // distinct names in order of first occurrence
    BoundedText text;

    std::size_t at = 0;
    while (at < tmpl.size()) {
        const char c = tmpl[at];
        const bool doubled = at + 1 < tmpl.size() && tmpl[at + 1] == c;
        if ((c == '{' || c == '}' || c == '%') && doubled) {
            text.Append(c);
            at += 2;
            continue;
        }
        if (c != '{') {
            text.Append(c);
            ++at;
            continue;
        }
        const std::size_t close = tmpl.find('}', at + 1);
        if (close == std::string_view::npos) {
            text.Append(tmpl.substr(at));
            break;
        }
        const std::string_view name = PlaceholderName(tmpl.substr(at + 1, close - at - 1));
        at = close + 1;
        if (name.empty()) continue;
        std::size_t position = 0;
        while (position < names.size() && names[position] != name) ++position;
        if (position == names.size()) names.push_back(name);
        if (position >= values.size()) continue;
        const NamedValue& value = values[position];
        text.Append(value.Text());
        value.StoreInto(output.fields.MemberForWrite(FieldNameOf(name, value)));
    }
    output.text = text.Take();
    return output;
}

}  // namespace kor
