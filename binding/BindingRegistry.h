#pragma once

#include "binding/BindingEventDescriptor.h"
#include "binding/BindingFunctionDescriptor.h"
#include "binding/BindingTypeDescriptor.h"
#include "binding/Fnv1a.h"
#include "binding/StaticTypeId.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kor {

class BindingRegistry;

// Fills one type descriptor after BindingRegistry::BeginType. When the name
// was registered before, the builder refers to the existing descriptor, is
// flagged alreadyRegistered, and ignores every call (the first registration
// stands unchanged). Calls chain: builder.SetDescription(...).AddTag(...).
class BindingTypeBuilder {
public:
    BindingTypeBuilder(BindingRegistry* registry, BindingTypeDescriptor* descriptor, bool alreadyRegistered)
        : registry_(registry), descriptor_(descriptor), alreadyRegistered_(alreadyRegistered) {}

    bool alreadyRegistered() const { return alreadyRegistered_; }
    const BindingTypeDescriptor* descriptor() const { return descriptor_; }

    // Appends a field in call order. `secondType` is kept only when its kind
    // is not None. The converter is owned by the field from now on (also
    // when the call is ignored, in which case it is destroyed).
    BindingTypeBuilder& AddField(std::string_view name, std::string_view description, uint32_t offset,
                                 const StaticTypeId& fieldTypeId, const BindingTypeIdentifier& type,
                                 const BindingTypeIdentifier& secondType, uint32_t flags,
                                 std::unique_ptr<BindingConverter> converter, bool optional);
    // Inserts the enumerator, or replaces the one of the same name.
    BindingTypeBuilder& AddEnumerator(std::string_view name, int32_t number, std::string_view description);
    BindingTypeBuilder& SetDescription(std::string_view text);
    BindingTypeBuilder& SetNameSpace(std::string_view text);
    // Ignored when `tag` is empty.
    BindingTypeBuilder& AddTag(std::string_view tag);

private:
    BindingRegistry* registry_;
    BindingTypeDescriptor* descriptor_;
    bool alreadyRegistered_;
};

// Fills one function descriptor after BindingRegistry::BeginFunction, with
// the same already-registered rule as BindingTypeBuilder.
class BindingFunctionBuilder {
public:
    BindingFunctionBuilder(BindingRegistry* registry, BindingFunctionDescriptor* descriptor, bool alreadyRegistered)
        : registry_(registry), descriptor_(descriptor), alreadyRegistered_(alreadyRegistered) {}

    bool alreadyRegistered() const { return alreadyRegistered_; }
    const BindingFunctionDescriptor* descriptor() const { return descriptor_; }
    // The handler attached by SetHandler (or by the first registration).
    BindingFunctionHandler* handler() const { return descriptor_->handler.get(); }

    BindingFunctionBuilder& AddParameter(std::string_view name, std::string_view description,
                                         const BindingTypeIdentifier& type, bool optional = false);
    BindingFunctionBuilder& SetNameSpace(std::string_view text);
    BindingFunctionBuilder& SetDescription(std::string_view text);
    BindingFunctionBuilder& SetHelp(std::string_view text);
    BindingFunctionBuilder& SetReturnType(const BindingTypeIdentifier& type);
    BindingFunctionBuilder& AddTag(std::string_view tag);  // ignored when empty
    BindingFunctionBuilder& SetThreadSafe(bool threadSafe);
    BindingFunctionBuilder& SetAsyncType(std::string_view typeName);
    BindingFunctionBuilder& SetHandler(std::unique_ptr<BindingFunctionHandler> handler);

private:
    BindingRegistry* registry_;
    BindingFunctionDescriptor* descriptor_;
    bool alreadyRegistered_;
};

// The registered native types, functions and events of one plug-in.
//
// Types are indexed by name and by id (ids other than kReservedTypeId);
// functions are kept in registration order and indexed by name; events are
// indexed by name. One mutex guards all of it, so lookups may run on any
// thread. Descriptors keep their addresses until the registry is reset or
// destroyed; registration is expected to finish before lookups start
// (builders change descriptors that lookups hand out).
class BindingRegistry {
public:
    BindingRegistry();
    ~BindingRegistry();

    BindingRegistry(const BindingRegistry&) = delete;
    BindingRegistry& operator=(const BindingRegistry&) = delete;

    // ---- Types ----

    // Starts registering a type; see BindingTypeBuilder for a name that is
    // already registered. A new type is entered by name and, unless its id is
    // the reserved id, by id (an id already taken keeps its first type).
    BindingTypeBuilder BeginType(std::string_view name, uint32_t size, const StaticTypeId& typeId, bool isEnum);

    const BindingTypeDescriptor* FindTypeById(uint32_t id) const;
    const BindingTypeDescriptor* FindTypeByName(std::string_view name) const;
    template <class T>
    const BindingTypeDescriptor* FindType() const {
        return FindTypeById(TypeIdOf<T>().id);
    }

    // The name of the first enumerator, in name order, of the type with this
    // id whose number matches; null when there is no such type or enumerator.
    const char* EnumeratorNameOf(uint32_t typeId, int32_t number) const;
    static bool IsValidEnumerator(const BindingTypeDescriptor& descriptor, int32_t number) {
        return descriptor.IsValidEnumerator(number);
    }

    // All types, in name order.
    std::vector<const BindingTypeDescriptor*> Types() const;
    std::size_t TypeCount() const;

    // ---- Events ----

    // Enters the event unless one of that name exists; true when entered.
    bool AddEvent(BindingEventDescriptor event);
    const BindingEventDescriptor* FindEvent(std::string_view name) const;
    // All events, in name order.
    std::vector<const BindingEventDescriptor*> Events() const;

    // ---- Functions ----

    // Starts registering a function; a name registered before gives a
    // builder flagged alreadyRegistered that ignores every call.
    BindingFunctionBuilder BeginFunction(std::string_view name);
    const BindingFunctionDescriptor* FindFunction(std::string_view name) const;
    // All functions, in registration order.
    std::vector<const BindingFunctionDescriptor*> Functions() const;

    // ---- Lifecycle ----

    // Removes every event, function and type; pointers handed out before
    // become invalid. Leaves the initialized flag as it is.
    void Reset();
    // Set by whoever fills the registry with its standard content, so that a
    // second fill knows to Reset first.
    bool initialized() const;
    void MarkInitialized();

private:
    friend class BindingTypeBuilder;
    friend class BindingFunctionBuilder;

    struct IdHash {
        std::size_t operator()(uint32_t id) const { return Fnv1aHashWord(id); }
    };

    mutable std::mutex mutex_;
    std::map<std::string, std::unique_ptr<BindingTypeDescriptor>, std::less<>> typesByName_;
    std::unordered_map<uint32_t, BindingTypeDescriptor*, IdHash> typesById_;
    std::map<std::string, std::unique_ptr<BindingEventDescriptor>, std::less<>> events_;
    std::vector<std::unique_ptr<BindingFunctionDescriptor>> functions_;
    std::map<std::string, BindingFunctionDescriptor*, std::less<>> functionsByName_;
    bool initialized_ = false;
};

}  // namespace kor
