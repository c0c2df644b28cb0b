#include "binding/BindingPropertyContext.h"

namespace kor {

BindingPropertyContext::BindingPropertyContext() : strings_(pools_) {}

BindingPropertyContext::~BindingPropertyContext() { strings_.AbandonEntries(); }

}  // namespace kor
