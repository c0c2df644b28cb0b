// Parsing "Game.cfg": this system's INI reader storing values by key hash,
// against inih's INIReader storing them in a map, both from the same file.

#include "bench/BenchInputs.h"
#include "bench/Workloads.h"
#include "config/ConfigFile.h"
#include "config/ConfigNameHash.h"
#include "config/DiskFileProvider.h"
#include "config/FileAccess.h"

#include <INIReader.h>

namespace kor::bench {
namespace {

// How many pairs of the file a reader gives back with the right value.
template <class Lookup>
std::size_t CountFound(Lookup lookup) {
    std::size_t found = 0;
    for (const IniPair& pair : GameCfgPairs()) found += lookup(pair) == pair.value;
    return found;
}

void IniSystem(benchmark::State& state) {
    RegisterFileProvider(&GetDiskFileProvider());
    const std::string& path = GameCfgPath();
    // No defaults file: the parse of the main file is what is measured.
    ConfigFile file("Game.cfg", path, "");
    const std::size_t found = CountFound([&](const IniPair& pair) {
        return file.GetString(ConfigValueKey(pair.section, pair.key), "").value;
    });
    if (!CheckSame(state, "pairs read back", GameCfgPairs().size(), found)) return;
    for (auto _ : state) {
        file.ClearTextValues();
        benchmark::DoNotOptimize(file.ParseText(path, 0));
    }
}

void IniAnchor(benchmark::State& state) {
    const std::string& path = GameCfgPath();
    const INIReader check(path);
    const std::size_t found = CountFound([&](const IniPair& pair) { return check.Get(pair.section, pair.key, "-"); });
    if (!CheckSame(state, "pairs read back", GameCfgPairs().size(), found)) return;
    for (auto _ : state) {
        INIReader reader(path);
        benchmark::DoNotOptimize(reader.ParseError());
    }
}

[[maybe_unused]] const bool kRegistered = [] {
    RegisterWorkload({"ini/Game.cfg-500-keys", "inih INIReader (std::map)", 2.0}, IniSystem, IniAnchor);
    return true;
}();

}  // namespace
}  // namespace kor::bench
