// Building and destroying a settings-shaped tree of 10 000 members: this
// system's value against the same tree in standard maps of variants.

#include "bench/BenchInputs.h"
#include "bench/Workloads.h"
#include "binding/BindingProperty.h"

#include <map>
#include <string>
#include <variant>

namespace kor::bench {
namespace {

struct TreeNode;
using TreeMap = std::map<std::string, TreeNode>;
struct TreeNode {
    std::variant<std::monostate, bool, int64_t, uint64_t, double, std::string, TreeMap> value;
};

double FloatOf(const PlannedMember& member) { return static_cast<double>(member.number) / 4.0; }

void BuildSystem(BindingProperty& root) {
    for (const PlannedSection& section : StructurePlan()) {
        BindingProperty& members = root.MemberForWrite(section.name).MakeStructure();
        for (const PlannedMember& member : section.members) {
            BindingProperty& value = members.MemberForWrite(member.name);
            switch (member.kind) {
                case PlannedMember::Kind::Bool:
                    value.SetBool(member.number != 0);
                    break;
                case PlannedMember::Kind::Signed:
                    value.SetSigned(member.number);
                    break;
                case PlannedMember::Kind::Float:
                    value.SetFloat(FloatOf(member));
                    break;
                case PlannedMember::Kind::Text:
                    value.SetString(member.text);
                    break;
            }
        }
    }
}

void BuildAnchor(TreeMap& root) {
    for (const PlannedSection& section : StructurePlan()) {
        TreeMap& members = root[section.name].value.emplace<TreeMap>();
        for (const PlannedMember& member : section.members) {
            TreeNode& value = members[member.name];
            switch (member.kind) {
                case PlannedMember::Kind::Bool:
                    value.value = member.number != 0;
                    break;
                case PlannedMember::Kind::Signed:
                    value.value = member.number;
                    break;
                case PlannedMember::Kind::Float:
                    value.value = FloatOf(member);
                    break;
                case PlannedMember::Kind::Text:
                    value.value = member.text;
                    break;
            }
        }
    }
}

std::size_t MemberCount(const BindingProperty& root) {
    std::size_t count = 0;
    for (const auto& section : root.Members()) count += section.value.Size();
    return count;
}

std::size_t MemberCount(const TreeMap& root) {
    std::size_t count = 0;
    for (const auto& [name, section] : root) count += std::get<TreeMap>(section.value).size();
    return count;
}

void StructureSystem(benchmark::State& state) {
    {
        BindingProperty check;
        BuildSystem(check);
        if (!CheckSame(state, "members", kStructureMembers, MemberCount(check))) return;
    }
    for (auto _ : state) {
        BindingProperty root;
        BuildSystem(root);
        benchmark::DoNotOptimize(root);
    }
}

void StructureAnchor(benchmark::State& state) {
    {
        TreeMap check;
        BuildAnchor(check);
        if (!CheckSame(state, "members", kStructureMembers, MemberCount(check))) return;
    }
    for (auto _ : state) {
        TreeMap root;
        BuildAnchor(root);
        benchmark::DoNotOptimize(root);
    }
}

[[maybe_unused]] const bool kRegistered = [] {
    RegisterWorkload({"structure/build-and-destroy-10000", "std::map<std::string, std::variant<...>>", 0.5},
                     StructureSystem, StructureAnchor);
    return true;
}();

}  // namespace
}  // namespace kor::bench
