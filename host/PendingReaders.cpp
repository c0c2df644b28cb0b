#include "host/PendingReaders.h"
namespace kor {
MessagePackReading ReadMessagePack(std::span<const uint8_t>) { MessagePackReading r; r.result.SetFailure("pending"); return r; }
BindingResult ReadJson(std::string_view) { return BindingResult::Failure("pending"); }
BindingResult ReadYaml(std::string_view) { return BindingResult::Failure("pending"); }
}
