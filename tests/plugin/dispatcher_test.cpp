// The effect record and the dispatcher's answers, as a host sees them.
#include <cmath>
#include <cstring>

#include "plugin_fixture.h"

TEST_F(PluginTest, EffectRecordDescribesAMonoToStereoEffectWithOneFrameOfLatency) {
  const AEffect* e = effect();
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(e->numPrograms, 8);
  EXPECT_EQ(e->numParams, 25);
  EXPECT_EQ(e->numInputs, 1);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->initialDelay, 128);
  EXPECT_TRUE(e->flags & effFlagsCanReplacing);
  EXPECT_TRUE(e->flags & effFlagsProgramChunks);
  EXPECT_FALSE(e->flags & (effFlagsCanDoubleReplacing | effFlagsIsSynth));
  EXPECT_EQ(e->version, 1);
  EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(std::memcmp(&e->uniqueID, "kTzq", 4), 0);
  EXPECT_NE(e->processReplacing, nullptr);
  EXPECT_NE(e->process, nullptr);
  EXPECT_NE(e->processDoubleReplacing, nullptr);
}

TEST_F(PluginTest, IdentityTexts) {
  EXPECT_EQ(host->effectName(), "+quendral");
  EXPECT_EQ(host->vendorString(), "Quillmoor");
  EXPECT_EQ(host->productString(), "Quillmoor Quendral Filter");
  EXPECT_EQ(dispatch(effGetEffectName, 0, 0, std::vector<char>(64).data()), 1);
  EXPECT_EQ(dispatch(effGetVendorVersion), 1);
  EXPECT_EQ(dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(dispatch(effIdentify), vstFourCC('N', 'v', 'E', 'f'));
}

TEST_F(PluginTest, CanDoAnswersOnlyForMidiInput) {
  EXPECT_EQ(host->canDo("receiveVstEvents"), 1);
  EXPECT_EQ(host->canDo("receiveVstMidiEvent"), 1);
  // An explicit no, not "don't know".
  for (const char* other : {"sizeWindow", "sendVstEvents", "bypass", "", "receiveVstEventsX"})
    EXPECT_EQ(host->canDo(other), -1) << other;
}

TEST_F(PluginTest, DispatcherTableAnswers) {
  EXPECT_EQ(dispatch(effOpen), 0);
  EXPECT_EQ(dispatch(effGetChunk), 0);  // nowhere to put the chunk's address
  EXPECT_EQ(dispatch(effSetChunk), 0);  // no chunk
  EXPECT_EQ(dispatch(effConnectInput, 0, 1), 1);
  EXPECT_EQ(dispatch(effConnectOutput, 1, 1), 1);
  EXPECT_EQ(dispatch(effGetPlugCategory), kPlugCategUnknown);
  EXPECT_EQ(dispatch(effGetTailSize), 0);
  EXPECT_EQ(dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f), 0);
  EXPECT_EQ(dispatch(effSetBlockSize, 0, 64), 0);
  EXPECT_EQ(dispatch(effMainsChanged, 0, 1), 0);
  for (int32_t index : {0, 7, 22, 23, 24}) EXPECT_EQ(dispatch(effCanBeAutomated, index), 1);

  char text[64] = "untouched";
  EXPECT_EQ(dispatch(effGetProgramNameIndexed, 0, 0, text), 0);
  EXPECT_EQ(dispatch(effString2Parameter, 0, 0, text), 0);

  // Opcodes it does not support, and ones no interface defines, answer 0.
  for (int32_t opcode : std::initializer_list<int32_t>{
           effEditDraw, effGetNumProgramCategories, effCopyProgram, effGetCurrentMidiProgram,
           effStartProcess, effStopProcess, 80, 1000, -1})
    EXPECT_EQ(dispatch(opcode), 0) << opcode;
}

TEST_F(PluginTest, SpeakerArrangementRequestClearsBothPointers) {
  void* input = &input;
  void* output = &output;
  EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 0);
  EXPECT_EQ(input, nullptr);
  EXPECT_EQ(output, nullptr);
}

TEST_F(PluginTest, BypassOpcodeAnswersTheNewState) {
  EXPECT_EQ(dispatch(effSetBypass, 0, 1), 1);
  EXPECT_EQ(dispatch(effSetBypass, 0, 7), 1);
  EXPECT_EQ(dispatch(effSetBypass, 0, 0), 0);
}

TEST_F(PluginTest, EditorOpcodesAnswerConsistentlyWithTheEditorFlag) {
  ERect rect{};
  const bool hasEditor = effect()->flags & effFlagsHasEditor;
  EXPECT_EQ(host->editorRect(rect), hasEditor);
  if (hasEditor) {
    EXPECT_EQ(rect.right - rect.left, 435);
    EXPECT_EQ(rect.bottom - rect.top, 330);
  } else {
    EXPECT_FALSE(host->openEditor(nullptr));
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0), 0);
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), 0);
  }
  // Key requests whose modifier argument is no byte's value carry no modifiers.
  for (float modifiers : {std::nanf(""), -1.0f, 1e30f, 300.0f}) {
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0, nullptr, modifiers), 0);
    EXPECT_EQ(dispatch(effEditKeyUp, 'a', 0, nullptr, modifiers), 0);
  }
  // Idle and close on an editor that is not open do nothing harmful.
  EXPECT_EQ(dispatch(effEditIdle), 0);
  EXPECT_EQ(dispatch(effEditClose), 0);
  EXPECT_EQ(dispatch(effEditGetRect, 0, 0, nullptr), 0);
}

TEST_F(PluginTest, NullPointersForTextOpcodesAreIgnored) {
  for (int32_t opcode :
       {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName, effSetProgramName,
        effGetEffectName, effGetVendorString, effGetProductString, effCanDo,
        effGetProgramNameIndexed, effString2Parameter})
    EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  EXPECT_EQ(host->programName(), "Init 1");  // nothing was renamed
}

TEST_F(PluginTest, CloseDestroysThePluginAndAnswersOne) {
  EXPECT_EQ(host->close(), 1);
  EXPECT_EQ(host->effect(), nullptr);
}

TEST(PluginEntryTest, HostThatAnswersVersionZeroGetsNoPlugin) {
  vsthost::PluginHost::setVersionAnswer(0);
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  vsthost::PluginHost::setVersionAnswer(2400);
  EXPECT_FALSE(host);
  EXPECT_NE(error.find("refused"), std::string::npos) << error;
}

TEST(PluginEntryTest, BothExportedNamesCreateAPlugin) {
  std::string error;
  auto host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(host) << error;
  auto library = vsthost::SharedLibrary::open(QUENDRAL_PLUGIN_PATH, error);
  ASSERT_TRUE(library) << error;
  EXPECT_NE(library->symbol("VSTPluginMain"), nullptr);
  EXPECT_NE(library->symbol("main"), nullptr);
  // Nothing else of the plug-in's code is visible to the host.
  EXPECT_EQ(library->symbol("createPluginEditor"), nullptr);
}

TEST(PluginEntryTest, LoaderReportsWhatWentWrong) {
  std::string error;
  EXPECT_FALSE(vsthost::PluginHost::load("/nonexistent/quendral.so", error));
  EXPECT_NE(error.find("not found"), std::string::npos) << error;
  EXPECT_FALSE(vsthost::PluginHost::load(QUENDRAL_TEST_SOURCE_FILE, error));
  EXPECT_NE(error.find("shared library"), std::string::npos) << error;
  // A real shared library that is not a plug-in.
  EXPECT_FALSE(vsthost::PluginHost::load(QUENDRAL_NON_PLUGIN_LIBRARY, error));
  EXPECT_NE(error.find("neither VSTPluginMain nor main"), std::string::npos) << error;
}
