// Every tabled dispatcher opcode, the capability strings and the text limits.
#include <cstring>
#include <vector>

#include "plugin_fixture.h"

namespace {

constexpr char kGuard = '\x5A';

// Calls a text opcode with a buffer of exactly `size` bytes followed by guards.
std::string textWithGuard(host::Instance& plugin, int32_t opcode, size_t size,
                          int32_t index = 0, intptr_t* answer = nullptr) {
    std::vector<char> buffer(size + 16, kGuard);
    intptr_t result = plugin.dispatch(opcode, index, 0, buffer.data());
    if (answer) *answer = result;
    for (size_t i = size; i < buffer.size(); i++)
        EXPECT_EQ(buffer[i], kGuard) << "byte " << i << " written past a " << size << "-byte buffer";
    return std::string(buffer.data(), strnlen(buffer.data(), size));
}

TEST_F(PluginTest, FixedAnswers) {
    EXPECT_EQ(plugin->dispatch(effOpen), 0);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
    EXPECT_EQ(plugin->dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(plugin->dispatch(effGetNumProgramCategories), 1);
    EXPECT_EQ(plugin->dispatch(effConnectInput, 0, 1), 1);
    EXPECT_EQ(plugin->dispatch(effConnectOutput, 1, 1), 1);
    EXPECT_EQ(plugin->dispatch(effGetVendorVersion), 1000);
    EXPECT_EQ(plugin->dispatch(effKeysRequired), 1);
    EXPECT_EQ(plugin->dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(plugin->dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(plugin->dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(plugin->dispatch(effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(plugin->dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    for (int32_t i : {-1, 0, 4, 5, 6, 7, 1000}) EXPECT_EQ(plugin->dispatch(effCanBeAutomated, i), 1);
}

TEST_F(PluginTest, UnhandledOpcodesAnswerZero) {
    for (int32_t op : std::initializer_list<int32_t>{effGetVu, effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep,
                       effSetChunk, effProcessEvents, effString2Parameter,
                       effGetProgramNameIndexed, effCopyProgram, effGetPlugCategory,
                       effSetBypass, effGetTailSize, effIdle, effGetParameterProperties,
                       effBeginSetProgram, effEndSetProgram, effStartProcess, effStopProcess,
                       effSetProcessPrecision, effGetNumMidiInputChannels, 80, 1000, -5})
        EXPECT_EQ(plugin->dispatch(op, 0, 0, nullptr), 0) << "opcode " << op;
}

TEST_F(PluginTest, ChunkIsRefusedAndNothingWritten) {
    void* chunk = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(plugin->dispatch(effGetChunk, 0, 0, &chunk), 0);
    EXPECT_EQ(chunk, reinterpret_cast<void*>(0x1234));
}

TEST_F(PluginTest, CapabilitiesAreExactAndCaseSensitive) {
    EXPECT_EQ(plugin->canDo("sendVstEvents"), 1);
    EXPECT_EQ(plugin->canDo("sendVstMidiEvent"), 1);
    for (const char* no : {"receiveVstMidiEvent", "receiveVstEvents", "sendvstevents",
                           "sendVstEvents ", "", "bypass", "sendVstMidiEvents"})
        EXPECT_EQ(plugin->canDo(no), -1) << no;
}

TEST_F(PluginTest, NamesFitTheirLimitsAndWriteNothingBeyond) {
    intptr_t answer = 0;
    EXPECT_EQ(textWithGuard(*plugin, effGetEffectName, 33, 0, &answer), "Tamboro");
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(textWithGuard(*plugin, effGetVendorString, 65, 0, &answer), "Quillon");
    EXPECT_EQ(answer, 1);
    EXPECT_EQ(textWithGuard(*plugin, effGetProductString, 65, 0, &answer), "Tamboro");
    EXPECT_EQ(answer, 1);
    // A known host passes 64-byte buffers for these three.
    EXPECT_EQ(textWithGuard(*plugin, effGetProductString, 8), "Tamboro");
}

TEST_F(PluginTest, ProgramSelectionAndNaming) {
    plugin->dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
    plugin->dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
    plugin->dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(plugin->dispatch(effGetProgram), 0);

    EXPECT_EQ(textWithGuard(*plugin, effGetProgramName, 25), "Default");
    char longName[] = "abcdefghijklmnopqrstuvwxyz1234";  // 30 characters
    plugin->dispatch(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(textWithGuard(*plugin, effGetProgramName, 25), "abcdefghijklmnopqrstuvwx");
    char shortName[] = "Kit";
    plugin->dispatch(effSetProgramName, 0, 0, shortName);
    EXPECT_EQ(textWithGuard(*plugin, effGetProgramName, 4), "Kit");
}

TEST_F(PluginTest, NullPointersAreIgnored) {
    for (int32_t op : std::initializer_list<int32_t>{effSetProgramName, effGetProgramName, effGetParamLabel,
                       effGetParamDisplay, effGetParamName, effEditGetRect, effGetEffectName,
                       effGetVendorString, effGetProductString, effCanDo, effGetChunk})
        EXPECT_EQ(plugin->dispatch(op, 0, 0, nullptr), 0) << "opcode " << op;
    void* arrangement = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, 0, &arrangement), 0);
    EXPECT_EQ(arrangement, nullptr);
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
}

TEST_F(PluginTest, SpeakerArrangementWritesNullToBothLocations) {
    void* input = reinterpret_cast<void*>(0x1);
    void* output = reinterpret_cast<void*>(0x2);
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input),
                               &output),
              0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(PluginTest, EditorRectangleIsAvailableBeforeOpening) {
    ERect* rect = nullptr;
    EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 650);
    EXPECT_EQ(rect->right, 812);
}

TEST_F(PluginTest, EditorOpcodesOnAClosedEditorAreHarmless) {
    EXPECT_EQ(plugin->dispatch(effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(effEditClose), 0);
    EXPECT_EQ(plugin->dispatch(effEditKeyDown, 'a', 12, nullptr, 1.0f), 0);
    EXPECT_EQ(plugin->dispatch(effEditKeyUp, 'a', 12, nullptr, 1e30f), 0);
}

TEST_F(PluginTest, SwitchingOffAndOnMakesNoHostCall) {
    plugin->clearRecords();
    EXPECT_EQ(plugin->dispatch(effMainsChanged, 0, 0), 0);
    EXPECT_EQ(plugin->dispatch(effMainsChanged, 0, 1), 0);
    EXPECT_TRUE(plugin->calls().empty());
    EXPECT_EQ(plugin->countCalls(audioMasterWantMidi), 0u);
}

TEST_F(PluginTest, CloseReturnsOne) { EXPECT_EQ(plugin->dispatch(effClose), 1); }

}  // namespace
