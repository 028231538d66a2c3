// Use counting: the engine's AddRef/Release pair against std::shared_ptr's.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/object/TSUseCountObject.h"

namespace {

void BM_UseCountAddRefRelease(benchmark::State& state) {
  auto* object = new CTSUseCountObject;
  for (auto _ : state) {
    object->AddRef();
    object->Release();
    benchmark::ClobberMemory();
  }
  object->Release();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UseCountAddRefRelease);

void BM_PeerSharedPtrCopy(benchmark::State& state) {
  auto object = std::make_shared<int>(0);
  for (auto _ : state) {
    std::shared_ptr<int> copy = object;
    benchmark::DoNotOptimize(copy);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PeerSharedPtrCopy);

}  // namespace
