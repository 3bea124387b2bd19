// Exporting the longest script a host hands over (32000 bytes) through the loaded plug-in.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/module.h"
#include "plugins/converter_api.h"

namespace {

// 32000 bytes of kana and commas at the fastest speed, so the play time stays countable.
std::string LongScript() {
  std::string script = "KV#JS99";
  const std::string phrase = "\x82\xA9\x82\xAB\x82\xAD\x82\xAF\x82\xB1\x81\x41";  // "kakikukeko,"
  while (script.size() + phrase.size() <= 32000) script += phrase;
  while (script.size() < 32000) script += ' ';
  return script;
}

void BM_ExportLongScript(benchmark::State& state) {
  vtr::platform::Module module;
  if (!module.Load(".\\Plugin\\VTR_qrl.dll", VTR_DIST_DIR)) {
    state.SkipWithError(module.error().c_str());
    return;
  }
  auto* convert = module.Find<VtrKvxCnvFunction>("Vtr_KvxCnv");
  if (convert == nullptr) {
    state.SkipWithError(module.error().c_str());
    return;
  }
  const std::string script = LongScript();
  ConvertOptions options;
  std::memset(&options, 0, sizeof options);
  std::memcpy(options.date, "20050321", 8);
  std::strcpy(options.st, "long");
  std::vector<unsigned char> out(2 * script.size() + 2000);
  for (auto _ : state) {
    ConvertStatus status = {};
    int n = convert(script.data(), static_cast<int>(script.size()), kVtrFormatKvJ,
                    reinterpret_cast<const unsigned char*>(&options), out.data(),
                    static_cast<unsigned>(out.size()), status.slots);
    if (n <= 0) {
      state.SkipWithError("the export failed");
      return;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * script.size()));
}
BENCHMARK(BM_ExportLongScript)->Unit(benchmark::kMicrosecond);

}  // namespace
