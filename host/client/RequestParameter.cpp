#include "host/client/RequestParameter.h"

namespace kor {

BindingResult RequestParameter::ToProperty(const BindingRegistry* registry) const {
    BindingResult result;
    struct Visitor {
        BindingResult& result;
        const BindingRegistry* registry;
        void operator()(const std::string& text) const { result.value().SetString(text); }
        void operator()(const BindingProperty& value) const { result.value() = value; }
        void operator()(const std::map<std::string, std::string>& fields) const {
            BindingProperty& structure = result.value().MakeStructure();
            for (const auto& [name, text] : fields) structure.MemberForWrite(name).SetString(text);
        }
        void operator()(const NativeConversion& conversion) const { conversion(result, registry); }
    };
    std::visit(Visitor{result, registry}, value_);
    return result;
}

}  // namespace kor
