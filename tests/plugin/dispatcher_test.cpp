// The effect record, the dispatcher's answers and the entry points, as a host sees them.
#include <cmath>
#include <cstring>

#include "plugin_fixture.h"

// The buses, latency and programs are the behaviour suite's; here the rest of the record.
TEST_F(PluginTest, EffectRecordNamesItsFlagsAndIdentity) {
  const AEffect* e = host->effect();
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(e->numParams, 25);
  EXPECT_TRUE(e->flags & effFlagsCanReplacing);
  EXPECT_TRUE(e->flags & effFlagsProgramChunks);
  EXPECT_FALSE(e->flags & (effFlagsCanDoubleReplacing | effFlagsIsSynth));
  EXPECT_EQ(e->version, 1);
  EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(std::memcmp(&e->uniqueID, "kTzq", 4), 0);
  EXPECT_TRUE(e->processReplacing && e->process && e->processDoubleReplacing);
  EXPECT_EQ(host->vendorString(), "Quillmoor");
  EXPECT_EQ(host->productString(), "Quillmoor Quendral Filter");
}

// Each request and its answer; opcodes it does not support, and ones no interface defines,
// answer 0, and so do text requests without a buffer.
TEST_F(PluginTest, DispatcherAnswers) {
  char text[64] = "untouched";
  const struct {
    int32_t opcode, index;
    intptr_t value;
    void* ptr;
    float opt;
    intptr_t answer;
  } cases[] = {
      {effGetEffectName, 0, 0, text, 0, 1},
      {effGetVendorVersion, 0, 0, nullptr, 0, 1},
      {effGetVstVersion, 0, 0, nullptr, 0, 2400},
      {effConnectInput, 0, 1, nullptr, 0, 1},
      {effConnectOutput, 1, 1, nullptr, 0, 1},
      {effCanBeAutomated, 24, 0, nullptr, 0, 1},
      {effSetBypass, 0, 7, nullptr, 0, 1},
      {effSetBypass, 0, 1, nullptr, 0, 1},
      {effSetBypass, 0, 0, nullptr, 0, 0},
      {effGetPlugCategory, 0, 0, nullptr, 0, kPlugCategUnknown},
      {effIdentify, 0, 0, nullptr, 0, vstFourCC('N', 'v', 'E', 'f')},
      {effSetSampleRate, 0, 0, nullptr, 96000.0f, 0},
      {effMainsChanged, 0, 1, nullptr, 0, 0},
      {effGetProgramNameIndexed, 0, 0, text, 0, 0},
      {effString2Parameter, 0, 0, text, 0, 0},
      {effEditKeyDown, 'a', 0, nullptr, std::nanf(""), 0},  // a modifier that is no byte
      {effEditKeyUp, 'a', 0, nullptr, 1e30f, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(dispatch(c.opcode, c.index, c.value, c.ptr, c.opt), c.answer) << c.opcode;
  // With no arguments; effGetChunk has nowhere to put the chunk's address.
  for (int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName,
                         effSetProgramName, effGetEffectName, effGetVendorString,
                         effGetProductString, effCanDo, effGetProgramNameIndexed})
    EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  for (int32_t opcode : {effString2Parameter, effSetBlockSize, effStopProcess, effGetChunk,
                         effGetNumProgramCategories, effGetCurrentMidiProgram, effSetChunk,
                         effGetTailSize, effEditIdle, effEditClose, effEditGetRect, effEditDraw})
    EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  for (int32_t opcode :
       std::initializer_list<int32_t>{effCopyProgram, effStartProcess, 80, 1000, -1})
    EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  EXPECT_EQ(host->programName(), "Init 1");  // nothing was renamed
  void* input = &input;
  void* output = &output;
  EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 0);
  EXPECT_TRUE(input == nullptr && output == nullptr);
  // Only MIDI input, with an explicit no for the rest.
  for (const char* yes : {"receiveVstEvents", "receiveVstMidiEvent"})
    EXPECT_EQ(host->canDo(yes), 1);
  for (const char* other : {"sizeWindow", "sendVstEvents", "bypass", "", "receiveVstEventsX"})
    EXPECT_EQ(host->canDo(other), -1) << other;
  ERect rect{};
  ASSERT_TRUE(host->effect()->flags & effFlagsHasEditor);
  ASSERT_TRUE(host->editorRect(rect));
  EXPECT_EQ(rect.right - rect.left, 435);
  EXPECT_EQ(rect.bottom - rect.top, 330);
  EXPECT_EQ(host->close(), 1);
  EXPECT_EQ(host->effect(), nullptr);
}

TEST(PluginEntryTest, TheEntryPointsAndTheLoadersAnswers) {
  std::string error;
  auto library = vsthost::SharedLibrary::open(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(library) << error;
  EXPECT_NE(library->symbol("VSTPluginMain"), nullptr);
  EXPECT_NE(library->symbol("main"), nullptr);
  // Nothing else of the plug-in's code is visible to the host.
  EXPECT_EQ(library->symbol("createPluginEditor"), nullptr);
  // A host that answers version 0 gets no plug-in.
  vsthost::PluginHost::setVersionAnswer(0);
  EXPECT_FALSE(vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error));
  vsthost::PluginHost::setVersionAnswer(2400);
  EXPECT_NE(error.find("refused"), std::string::npos) << error;
  const std::pair<const char*, const char*> refused[] = {
      {"/nonexistent/quendral.so", "not found"},
      {QUENDRAL_TEST_SOURCE_FILE, "shared library"},
      {QUENDRAL_NON_PLUGIN_LIBRARY, "neither VSTPluginMain nor main"}};
  for (const auto& [path, reason] : refused) {
    EXPECT_FALSE(vsthost::PluginHost::load(path, error)) << path;
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
}
