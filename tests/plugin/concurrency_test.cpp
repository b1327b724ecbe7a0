// A host's user-interface thread changes parameters and programs, saves and restores its
// state and reads the meters while its audio thread processes and delivers MIDI. Run under
// ThreadSanitizer this must be clean; in every build the output must stay finite.
#include <atomic>
#include <cmath>
#include <thread>

#include "plugin_fixture.h"

TEST_F(PluginTest, ParameterChangesWhileAudioRuns) {
  std::atomic<bool> stop{false};
  std::atomic<bool> finite{true};
  host->setParameter(1, 1.0f);  // tempo sync: the audio thread asks the host for time

  std::thread audio([&] {
    std::vector<float> input = testSignal(512);
    std::vector<float> out0(512), out1(512);
    float* in[] = {input.data()};
    float* outs[] = {out0.data(), out1.data()};
    for (int block = 0; block < 400 && !stop; ++block) {
      host->sendMidi({{0xB0, 10, static_cast<unsigned char>(block % 128), 0}});
      host->processReplacing(in, outs, 100 + block % 412);
      for (int i = 0; i < 100; ++i)
        if (!std::isfinite(out0[i]) || !std::isfinite(out1[i])) finite = false;
    }
    stop = true;
  });

  char text[64];
  for (int step = 0; !stop; ++step) {
    const float value = static_cast<float>(step % 101) / 100.0f;
    host->setParameter(step % 25, value);
    (void)host->getParameter(step % 25);
    host->dispatch(effGetParamDisplay, step % 25, 0, text);
    host->dispatch(effGetVu);
    if (step % 50 == 0) host->setProgram(step / 50 % 8);
    if (step % 70 == 0) host->dispatch(effSetBypass, 0, step % 140 == 0);
    if (step % 90 == 0) host->suspend();
    if (step % 60 == 0) {  // a host saving and restoring the project, program or bank
      const bool program = step % 120 == 0;
      EXPECT_EQ(host->setChunk(host->getChunk(program), program), 1);
    }
  }
  audio.join();
  EXPECT_TRUE(finite);
}
