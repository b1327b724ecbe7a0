// The audio thread must not allocate: this executable replaces the allocator and counts
// every call made while the plug-in's processing entries run.
#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "plugin_fixture.h"

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

// Counts allocator calls made between construction and destruction.
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
// the process, including the plug-in loaded with dlopen (the executable exports them).
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

class AllocationTest : public PluginTest {
 protected:
  void SetUp() override {
#if defined(QUENDRAL_NO_ALLOCATOR_HOOKS)
    GTEST_SKIP() << "allocator replacement conflicts with the sanitizer runtime in this build";
#endif
    PluginTest::SetUp();
  }
};

TEST_F(AllocationTest, CountingSeesThePluginsOwnAllocations) {
  {
    CountAllocations scope;
    void* volatile pointer = std::malloc(16);
    std::free(pointer);
    EXPECT_EQ(allocatorCalls.load(), 2);
  }
  // Closing frees the plug-in's object: those calls must be seen too, or the test below
  // would prove nothing.
  CountAllocations scope;
  host->close();
  EXPECT_GT(allocatorCalls.load(), 0);
}

TEST_F(AllocationTest, ProcessingAndMidiAllocateNothing) {
  std::vector<float> input = testSignal(8192);
  std::vector<float> out0(8192), out1(8192);
  float* in[] = {input.data()};
  float* outs[] = {out0.data(), out1.data()};
  float* noInput[] = {nullptr};

  // Every kind of block and event list the host may send, including the LFO synced to the
  // host's tempo (which asks the host for time on the audio thread).
  std::vector<VstMidiEvent> midi(4);
  const unsigned char bytes[4][3] = {
      {0xB0, 10, 30}, {0xB3, 12, 90}, {0x90, 60, 100}, {0xB0, 7, 70}};
  std::vector<unsigned char> storage(offsetof(VstEvents, events) + 4 * sizeof(VstEvent*));
  auto* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = 4;
  for (int i = 0; i < 4; ++i) {
    midi[i].type = kVstMidiType;
    midi[i].byteSize = sizeof(VstMidiEvent);
    for (int b = 0; b < 3; ++b) midi[i].midiData[b] = static_cast<char>(bytes[i][b]);
    list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
  }
  host->setParameter(1, 1.0f);  // tempo sync on

  // At 44.1 kHz and at 96 kHz, where the filters run over three partitions. Preparing a
  // rate allocates; it happens while the host has processing suspended, outside the count.
  for (double rate : {44100.0, 96000.0}) {
    host->suspend();
    host->setSampleRate(rate);
    host->resume();
    CountAllocations scope;
    for (bool bypassed : {false, true}) {
      effect()->dispatcher(effect(), effSetBypass, 0, bypassed, nullptr, 0.0f);
      effect()->dispatcher(effect(), effProcessEvents, 0, 0, list, 0.0f);
      for (int32_t frames : {1, 64, 127, 128, 1000, 8192, 0, -5}) {
        effect()->processReplacing(effect(), in, outs, frames);
        effect()->process(effect(), in, outs, frames);
      }
      effect()->processReplacing(effect(), noInput, outs, 300);
      effect()->processReplacing(effect(), nullptr, nullptr, 300);
      effect()->setParameter(effect(), 4, 0.9f);  // automation on the audio thread
      effect()->setParameter(effect(), 18, 0.5f);
    }
    EXPECT_EQ(allocatorCalls.load(), 0) << rate;
  }
}
