// Cost of the settings file at about 1 MB (4,000 keys): parsing, writing the text, one locked
// update of the file, and the reads and writes of an installation run against it.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/registry/Hive.h"
#include "platform/registry/TRegistry.h"

using namespace zelmar::registry;

namespace {

constexpr int kKeys = 4000;

std::string BigHiveText() {
  std::string text = "Windows Registry Editor Version 5.00\n\n";
  char line[160];
  for (int k = 0; k < kKeys; ++k) {
    std::snprintf(line, sizeof line, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor%03d\\Product%04d]\n",
                  k % 97, k);
    text += line;
    std::snprintf(line, sizeof line, "\"Install_Dir\"=\"/opt/vendor%03d/product%04d\"\n", k % 97,
                  k);
    text += line;
    for (int v = 0; v < 4; ++v) {
      std::snprintf(line, sizeof line, "\"Setting_%d\"=dword:%08x\n", v, k * 7 + v);
      text += line;
    }
    text += "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13\n\n";
  }
  return text;
}

const std::string& Text() {
  static const std::string text = BigHiveText();
  return text;
}

struct TempFolder {
  TempFolder() {
    char tmpl[] = "/tmp/zelmar-bench-XXXXXX";
    dir = mkdtemp(tmpl);
    path = dir + "/zelmar.reg";
  }
  ~TempFolder() { std::filesystem::remove_all(dir); }
  void Reset() const { std::ofstream(path, std::ios::binary) << Text(); }
  std::string dir, path;
};

void BM_ParseHive(benchmark::State& state) {
  HiveError error;
  for (auto _ : state) benchmark::DoNotOptimize(Hive::Parse(Text(), error));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(Text().size()));
}

void BM_SerializeHive(benchmark::State& state) {
  HiveError error;
  const Hive hive = *Hive::Parse(Text(), error);
  for (auto _ : state) benchmark::DoNotOptimize(hive.Serialize());
}

void BM_UpdateHive(benchmark::State& state) {
  TempFolder folder;
  folder.Reset();
  int n = 0;
  for (auto _ : state) {
    HiveError error;
    bool ok = UpdateHive(
        folder.path,
        [&](Hive& h) {
          HiveValue v{"Counter", kRegDword, {static_cast<std::uint8_t>(++n), 0, 0, 0}};
          Hive::SetValue(h.CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelmar"), v);
          return true;
        },
        error);
    if (!ok) state.SkipWithError(error.Text().c_str());
  }
}

// What an installation run does: the folder, then every value it finds missing.
void BM_RecordInstall(benchmark::State& state) {
  TempFolder folder;
  setenv("ZELMAR_HIVE", folder.path.c_str(), 1);
  const char* names[] = {"Texture_Quality", "Object_Quality", "Select_Planet",  "Planet_Speed",
                         "Move_Speed",      "Zelmar_Type",    "Planetary_Data", "FPS",
                         "Glare",           "Lens_Flare",     "Corona"};
  for (auto _ : state) {
    state.PauseTiming();
    folder.Reset();
    state.ResumeTiming();
    TRegistry reg;
    if (!reg.OpenKey("\\SOFTWARE\\Zelmar", true)) state.SkipWithError("cannot open the key");
    reg.WriteString("Install_Dir", "/usr/local/share/zelmar");
    for (const char* name : names) {
      try {
        reg.ReadInteger(name);
      } catch (const ERegistryException&) {
        reg.WriteInteger(name, 1);
      }
    }
  }
  unsetenv("ZELMAR_HIVE");
}

}  // namespace

BENCHMARK(BM_ParseHive)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_SerializeHive)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_UpdateHive)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_RecordInstall)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
