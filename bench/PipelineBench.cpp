// Throughput of the reader's pipeline: framing, dispatch, decoding and
// used-satellite marking over a 1 Hz stream fed in 100-byte chunks.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "bench/StreamGenerator.h"
#include "link/StreamDecoder.h"
#include "nmea/Numbers.h"

namespace {

using namespace vantrel;

class IgnoreReplies : public IStreamHandler {
 public:
  void OnReply(const char*, size_t) override {}
};

void BM_ChunkedPipeline(benchmark::State& state) {
  size_t sentences = 0;
  const std::string stream = bench::GenerateStream(static_cast<size_t>(state.range(0)), &sentences);
  auto framing = std::make_unique<StreamFraming>();
  ReceiverRecord record;
  IgnoreReplies replies;
  StreamDecoder decoder(*framing, record, replies);
  for (auto _ : state) {
    framing->Clear();
    for (size_t at = 0; at < stream.size();) at += decoder.Feed(stream.data() + at, stream.size() - at);
    benchmark::DoNotOptimize(record);
  }
  const auto runs = static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(stream.size()) * state.iterations());
  state.counters["sentences/s"] =
      benchmark::Counter(static_cast<double>(sentences) * runs, benchmark::Counter::kIsRate);
  state.counters["bytes/sentence"] = static_cast<double>(stream.size()) / static_cast<double>(sentences);
}
BENCHMARK(BM_ChunkedPipeline)->Arg(600);

void BM_ReadDecimal(benchmark::State& state) {
  const char* texts[] = {"4916.4512", "-17.1", "0.54", "101500.000", "1.9"};
  for (auto _ : state)
    for (const char* t : texts) benchmark::DoNotOptimize(ReadDecimal(t));
  state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_ReadDecimal);

}  // namespace

BENCHMARK_MAIN();
