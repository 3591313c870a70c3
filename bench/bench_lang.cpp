// Per-operation costs of the core runtime's hot paths, against the standard library.

#include "lang/Format.h"
#include "lang/Hashtable.h"
#include "lang/String.h"

#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>
#include <vector>

using namespace lang;

namespace {

std::vector<std::string> makeKeys(int count)
{
    std::vector<std::string> keys;
    keys.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        keys.push_back("sprite_" + std::to_string(i * 7919) + "_frame");
    return keys;
}

} // namespace

static void FormatRender(benchmark::State& state)
{
    Format format("Unable to load {0} at line {1}: {2,#.##} of {3,x}", String("levels/level12.lua"), 42, 3.14159,
                  255);
    char buffer[256];
    for (auto _ : state)
        benchmark::DoNotOptimize(format.format(buffer, sizeof(buffer)));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FormatRender);

static void FormatToString(benchmark::State& state)
{
    Format format("Value {0} of {1}", String("abc"), 12.5);
    for (auto _ : state)
        benchmark::DoNotOptimize(format.toString());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FormatToString);

static void HashtableInsert(benchmark::State& state)
{
    auto raw = makeKeys(static_cast<int>(state.range(0)));
    std::vector<String> keys(raw.begin(), raw.end());
    for (auto _ : state) {
        Hashtable<String, int> table;
        for (size_t i = 0; i < keys.size(); ++i)
            table[keys[i]] = static_cast<int>(i);
        benchmark::DoNotOptimize(table.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(HashtableInsert)->Arg(100)->Arg(10000);

static void UnorderedMapInsert(benchmark::State& state)
{
    auto keys = makeKeys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::unordered_map<std::string, int> table;
        for (size_t i = 0; i < keys.size(); ++i)
            table[keys[i]] = static_cast<int>(i);
        benchmark::DoNotOptimize(table.size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(UnorderedMapInsert)->Arg(100)->Arg(10000);

static void HashtableLookup(benchmark::State& state)
{
    auto raw = makeKeys(static_cast<int>(state.range(0)));
    std::vector<String> keys(raw.begin(), raw.end());
    Hashtable<String, int> table;
    for (size_t i = 0; i < keys.size(); ++i)
        table[keys[i]] = static_cast<int>(i);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.find(keys[i]));
        i = i + 1 == keys.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(HashtableLookup)->Arg(100)->Arg(10000);

static void UnorderedMapLookup(benchmark::State& state)
{
    auto keys = makeKeys(static_cast<int>(state.range(0)));
    std::unordered_map<std::string, int> table;
    for (size_t i = 0; i < keys.size(); ++i)
        table[keys[i]] = static_cast<int>(i);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.find(keys[i]));
        i = i + 1 == keys.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(UnorderedMapLookup)->Arg(100)->Arg(10000);
