#include "binding/BindingRegistry.h"

#include <utility>

namespace kor {

// ---- BindingTypeBuilder ----

BindingTypeBuilder& BindingTypeBuilder::AddField(std::string_view name, std::string_view description, uint32_t offset,
                                                 const StaticTypeId& fieldTypeId, const BindingTypeIdentifier& type,
                                                 const BindingTypeIdentifier& secondType, uint32_t flags,
                                                 std::unique_ptr<BindingConverter> converter, bool optional) {
    if (alreadyRegistered_) return *this;
    BindingFieldDescriptor field;
    field.name = std::string(name);
    field.nameHash = Fnv1aHash(name);
    field.description = std::string(description);
    field.typeId = &fieldTypeId;
    field.offset = offset;
    field.type = type;
    if (secondType.kind != BindingTypeKind::None) field.secondType = secondType;
    field.flags = flags;
    field.converter = std::move(converter);
    field.owner = descriptor_;
    field.optional = optional;

    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->fields.push_back(std::move(field));
    descriptor_->fieldIndex.emplace(std::string(name), descriptor_->fields.size() - 1);
    return *this;
}

BindingTypeBuilder& BindingTypeBuilder::AddEnumerator(std::string_view name, int32_t number,
                                                      std::string_view description) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    BindingEnumerator& enumerator = descriptor_->enumerators[std::string(name)];
    enumerator.number = number;
    enumerator.name = std::string(name);
    enumerator.description = std::string(description);
    enumerator.owner = descriptor_;
    return *this;
}

BindingTypeBuilder& BindingTypeBuilder::SetDescription(std::string_view text) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->description = std::string(text);
    return *this;
}

BindingTypeBuilder& BindingTypeBuilder::SetNameSpace(std::string_view text) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->nameSpace = std::string(text);
    return *this;
}

BindingTypeBuilder& BindingTypeBuilder::AddTag(std::string_view tag) {
    if (alreadyRegistered_ || tag.empty()) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->tags.emplace_back(tag);
    return *this;
}

// ---- BindingFunctionBuilder ----

BindingFunctionBuilder& BindingFunctionBuilder::AddParameter(std::string_view name, std::string_view description,
                                                             const BindingTypeIdentifier& type, bool optional) {
    if (alreadyRegistered_) return *this;
    BindingParameterDescriptor parameter;
    parameter.name = std::string(name);
    parameter.nameHash = Fnv1aHash(name);
    parameter.description = std::string(description);
    parameter.type = type;
    parameter.optional = optional;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->parameters.push_back(std::move(parameter));
    return *this;
}

BindingFunctionBuilder& BindingFunctionBuilder::SetNameSpace(std::string_view text) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->nameSpace = std::string(text);
    return *this;
}

BindingFunctionBuilder& BindingFunctionBuilder::SetDescription(std::string_view text) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->description = std::string(text);
    return *this;
}

BindingFunctionBuilder& BindingFunctionBuilder::SetHelp(std::string_view text) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->help = std::string(text);
    return *this;
}

BindingFunctionBuilder& BindingFunctionBuilder::SetReturnType(const BindingTypeIdentifier& type) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->returnType = type;
    return *this;
}

BindingFunctionBuilder& BindingFunctionBuilder::AddTag(std::string_view tag) {
    if (alreadyRegistered_ || tag.empty()) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->tags.emplace_back(tag);
    return *this;
}

BindingFunctionBuilder& BindingFunctionBuilder::SetThreadSafe(bool threadSafe) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->threadSafe = threadSafe;
    return *this;
}

BindingFunctionBuilder& BindingFunctionBuilder::SetAsyncType(std::string_view typeName) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->asyncType = std::string(typeName);
    return *this;
}

BindingFunctionBuilder& BindingFunctionBuilder::SetHandler(std::unique_ptr<BindingFunctionHandler> handler) {
    if (alreadyRegistered_) return *this;
    std::lock_guard<std::mutex> lock(registry_->mutex_);
    descriptor_->handler = std::move(handler);
    return *this;
}

// ---- BindingRegistry ----

BindingRegistry::BindingRegistry() = default;
BindingRegistry::~BindingRegistry() = default;

BindingTypeBuilder BindingRegistry::BeginType(std::string_view name, uint32_t size, const StaticTypeId& typeId,
                                              bool isEnum) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = typesByName_.find(name);
    if (found != typesByName_.end()) return BindingTypeBuilder(this, found->second.get(), true);

    auto descriptor = std::make_unique<BindingTypeDescriptor>();
    descriptor->size = size;
    descriptor->isEnum = isEnum;
    descriptor->name = std::string(name);
    descriptor->id = typeId.id;
    descriptor->typeId = &typeId;
    descriptor->registry = this;
    BindingTypeDescriptor* raw = descriptor.get();
    typesByName_.emplace(std::string(name), std::move(descriptor));
    if (typeId.id != kReservedTypeId) typesById_.emplace(typeId.id, raw);
    return BindingTypeBuilder(this, raw, false);
}

const BindingTypeDescriptor* BindingRegistry::FindTypeById(uint32_t id) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = typesById_.find(id);
    return it != typesById_.end() ? it->second : nullptr;
}

const BindingTypeDescriptor* BindingRegistry::FindTypeByName(std::string_view name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = typesByName_.find(name);
    return it != typesByName_.end() ? it->second.get() : nullptr;
}

const char* BindingRegistry::EnumeratorNameOf(uint32_t typeId, int32_t number) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = typesById_.find(typeId);
    if (it == typesById_.end()) return nullptr;
    const BindingEnumerator* enumerator = it->second->FindEnumerator(number);
    return enumerator != nullptr ? enumerator->name.c_str() : nullptr;
}

std::vector<const BindingTypeDescriptor*> BindingRegistry::Types() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<const BindingTypeDescriptor*> types;
    types.reserve(typesByName_.size());
    for (const auto& [name, descriptor] : typesByName_) types.push_back(descriptor.get());
    return types;
}

std::size_t BindingRegistry::TypeCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return typesByName_.size();
}

bool BindingRegistry::AddEvent(BindingEventDescriptor event) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (events_.find(event.name) != events_.end()) return false;
    std::string name = event.name;
    events_.emplace(std::move(name), std::make_unique<BindingEventDescriptor>(std::move(event)));
    return true;
}

const BindingEventDescriptor* BindingRegistry::FindEvent(std::string_view name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = events_.find(name);
    return it != events_.end() ? it->second.get() : nullptr;
}

std::vector<const BindingEventDescriptor*> BindingRegistry::Events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<const BindingEventDescriptor*> events;
    events.reserve(events_.size());
    for (const auto& [name, event] : events_) events.push_back(event.get());
    return events;
}

BindingFunctionBuilder BindingRegistry::BeginFunction(std::string_view name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = functionsByName_.find(name);
    if (found != functionsByName_.end()) return BindingFunctionBuilder(this, found->second, true);
    auto descriptor = std::make_unique<BindingFunctionDescriptor>();
    descriptor->name = std::string(name);
    descriptor->registry = this;
    BindingFunctionDescriptor* raw = descriptor.get();
    functions_.push_back(std::move(descriptor));
    functionsByName_.emplace(std::string(name), raw);
    return BindingFunctionBuilder(this, raw, false);
}

const BindingFunctionDescriptor* BindingRegistry::FindFunction(std::string_view name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = functionsByName_.find(name);
    return it != functionsByName_.end() ? it->second : nullptr;
}

std::vector<const BindingFunctionDescriptor*> BindingRegistry::Functions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<const BindingFunctionDescriptor*> functions;
    functions.reserve(functions_.size());
    for (const auto& function : functions_) functions.push_back(function.get());
    return functions;
}

void BindingRegistry::Reset() {
    // Destroyed outside the lock: a handler's destructor may look the
    // registry up.
    decltype(events_) events;
    decltype(functions_) functions;
    decltype(typesByName_) types;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events.swap(events_);
        functionsByName_.clear();
        functions.swap(functions_);
        typesById_.clear();
        types.swap(typesByName_);
    }
}

bool BindingRegistry::initialized() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return initialized_;
}

void BindingRegistry::MarkInitialized() {
    std::lock_guard<std::mutex> lock(mutex_);
    initialized_ = true;
}

}  // namespace kor
