// The VST3 build's audio thread allocates nothing: this executable replaces the allocator
// and counts every call made while the processor's process() runs, with parameter changes,
// program changes, bypass, controllers and the process context arriving in the blocks.
#include <atomic>
#include <cstdlib>
#include <new>

#include "formats_fixture.h"

extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void __libc_free(void*);

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocatorCalls{0};

[[maybe_unused]] void note() {
  if (counting.load(std::memory_order_relaxed)) allocatorCalls.fetch_add(1);
}

struct CountAllocations {
  CountAllocations() {
    allocatorCalls = 0;
    counting = true;
  }
  ~CountAllocations() { counting = false; }
};
}  // namespace

#if !defined(QUENDRAL_NO_ALLOCATOR_HOOKS)
// The executable's definitions take precedence over the C library's for every library in
// the process, the dlopened plug-in included (the executable exports them).
extern "C" {
void* malloc(std::size_t size) {
  note();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  note();
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
  note();
  return __libc_realloc(pointer, size);
}
void free(void* pointer) {
  note();
  __libc_free(pointer);
}
}
void* operator new(std::size_t size) {
  note();
  if (void* pointer = __libc_malloc(size ? size : 1)) return pointer;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* pointer) noexcept {
  note();
  __libc_free(pointer);
}
void operator delete[](void* pointer) noexcept { operator delete(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { operator delete(pointer); }
#endif

namespace quendral_test {
namespace {

class Vst3Allocation : public BothFormats {
 protected:
  void SetUp() override {
#if defined(QUENDRAL_NO_ALLOCATOR_HOOKS)
    GTEST_SKIP() << "allocator replacement conflicts with the sanitizer runtime in this build";
#endif
    BothFormats::SetUp();
  }
};

TEST_F(Vst3Allocation, CountingSeesAllocations) {
  CountAllocations scope;
  delete new int(3);
  EXPECT_GE(allocatorCalls.load(), 2);
}

TEST_F(Vst3Allocation, ProcessAllocatesNothing) {
  const std::vector<float> input = noise(kBlock);
  std::vector<float> left(kBlock), right(kBlock);
  float* in[1] = {const_cast<float*>(input.data())};
  float* out[2] = {left.data(), right.data()};
  const int32_t bypass = vst3->parameterWithFlag(vst3::ParameterInfo::kIsBypass);
  const int32_t program = vst3->parameterWithFlag(vst3::ParameterInfo::kIsProgramChange);
  vst3::ParamID controller = 0;
  ASSERT_TRUE(vst3->midiControllerParameter(0, 10, controller));
  vst3->process(in, out, kBlock);  // the first block may set up what later ones reuse

  int calls = 0;
  for (int block = 0; block < 400; ++block) {
    // Changes queued by the host between blocks arrive with the next one.
    switch (block % 8) {
      case 0:
        vst3->queueParameterChange(0, (block % 97) / 97.0);
        break;
      case 1:
        vst3->queueParameterChange(4, 0.9);
        break;
      case 2:
        vst3->queueParameterChange(1, block % 16 < 8 ? 1.0 : 0.0);
        break;
      case 3:
        vst3->queueParameterChange(vst3->parameters()[program].id, (block % 7) / 7.0);
        break;
      case 4:
        vst3->queueParameterChange(vst3->parameters()[bypass].id, block % 16 < 8 ? 1.0 : 0.0);
        break;
      case 5:
        vst3->queueParameterChange(controller, (block % 127) / 127.0);
        break;
      case 6:
        vst3->queueParameterChange(12, 0.3);
        break;
      default:
        break;
    }
    CountAllocations scope;
    vst3->process(in, out, kBlock);
    calls += allocatorCalls.load();
  }
  EXPECT_EQ(calls, 0) << "process() allocated or freed memory";
}

}  // namespace
}  // namespace quendral_test
