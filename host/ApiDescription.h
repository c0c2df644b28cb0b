#pragma once

#include <memory>
#include <vector>

#include "host/router/FunctionCallContext.h"
#include "abi/PluginAbi.h"

namespace kor {

class BindingRegistry;

// The API description handed to the host at registration: the registry's
// functions (registration order), types and events (name order) as packed
// records. Each array is contiguous and also chained through its records'
// first field; texts point into the registry's descriptors, so the registry
// must outlive the description and must not change while the host may read
// it (the plug-in builds it once, after RegisterApi, and keeps both).
//
// Type codes are BindingTypeKind codes. A type name is the descriptor's name
// for the kinds vector, enum, struct and map when a descriptor is known, else
// the empty text. A field's second type identifier, when it has one, is
// described instead of the first.
class ApiDescription {
public:
    // Every function entry gets `invoke` and a call context {registry, the
    // function's handler binding}.
    ApiDescription(const BindingRegistry& registry, PluginInvokeFn invoke);
    ApiDescription(const ApiDescription&) = delete;
    ApiDescription& operator=(const ApiDescription&) = delete;

    const PluginApiDescription* record() const { return &description_; }

private:
    void DescribeFunctions(const BindingRegistry& registry, PluginInvokeFn invoke);
    void DescribeTypes(const BindingRegistry& registry);
    void DescribeEvents(const BindingRegistry& registry);
    // A stable array of the texts of `tags`; null for none.
    const char* const* TagArray(const std::vector<std::string>& tags);

    PluginApiDescription description_{};
    std::vector<PluginFunctionEntry> functions_;
    std::unique_ptr<FunctionCallContext[]> callContexts_;
    std::vector<std::vector<PluginArgumentRecord>> arguments_;
    std::vector<PluginTypeRecord> types_;
    std::vector<std::vector<PluginFieldRecord>> fields_;
    std::vector<std::vector<PluginEnumeratorRecord>> enumerators_;
    std::vector<PluginEventRecord> events_;
    std::vector<std::unique_ptr<const char*[]>> tagArrays_;
};

}  // namespace kor
