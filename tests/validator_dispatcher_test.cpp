// Every dispatcher opcode 0 to 80, and a few beyond, with null arguments,
// with non-null ones and with indices no host should send; on both plug-ins. Where the
// interface gives a pointer argument a meaning (a text buffer, a record, an
// address in `value`), the non-null case passes a real object of that kind,
// as a careless but well-formed host would; the editor's parent window is a
// real window when there is a display.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "plugin_fixture.h"
#include "plugins_under_test.h"
#include "shell/plugin_info.h"
#include "validator_support.h"

namespace {

constexpr int32_t kLastOpcode = 80;
constexpr size_t kBufferSize = 4096;
// No opcode's answer (text, record or pointer) is larger than this.
constexpr size_t kLargestAnswer = 256;
// Zeroed head of each buffer: an empty string, an empty event list, null pointers.
constexpr size_t kZeroHead = 64;
constexpr unsigned char kFill = 0xA5;

const int32_t kIndices[] = {0, 1, 4, 6, 7, -1, 100, INT32_MIN, INT32_MAX};
const intptr_t kValues[] = {0, 1, -1, 2, 1000, INT32_MAX, INTPTR_MIN, INTPTR_MAX};
const float kOpts[] = {0.0f, 1.0f, -1.0f, 44100.0f, 1e30f, NAN, INFINITY};

bool isEditorOpen(int32_t opcode) { return opcode == effEditOpen; }

// Opcodes whose `value` carries an address, or the size of the data at `ptr`.
bool valueIsAddress(int32_t opcode) {
    return opcode == effGetSpeakerArrangement || opcode == effSetSpeakerArrangement;
}
bool valueIsSize(int32_t opcode) { return opcode == effSetChunk; }

class DispatcherSweep : public EveryPlugin {
protected:
    void SetUp() override {
        plugin = newInstanceOf(GetParam());
        ASSERT_TRUE(plugin);
    }

    // A zeroed head (read as an empty string or record) and a patterned tail.
    std::vector<unsigned char> freshBuffer() {
        std::vector<unsigned char> b(kBufferSize, kFill);
        std::fill(b.begin(), b.begin() + kZeroHead, 0);
        return b;
    }

    intptr_t send(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
        if (opcode == effClose) return 0;  // covered by the lifecycle tests
        // A null parent is sent as it is: the plug-in must refuse it, not die.
        if (isEditorOpen(opcode) && ptr) ptr = parent.handle();
        if (valueIsAddress(opcode) && value) value = reinterpret_cast<intptr_t>(addressTarget);
        if (valueIsSize(opcode) && ptr) value = value <= 0 ? 0 : std::min<intptr_t>(value, kBufferSize);
        intptr_t answer = plugin->dispatch(opcode, index, value, ptr, opt);
        if (isEditorOpen(opcode)) plugin->dispatch(effEditClose);
        return answer;
    }

    // The instance still answers as new after the sweep.
    void expectStillWorking() {
        EXPECT_EQ(plugin->dispatch(effGetVstVersion), 2400);
        EXPECT_EQ(plugin->getString(effGetEffectName), GetParam().effectName);
        EXPECT_EQ(plugin->dispatch(effGetProgram), 0);
        validator::MidiFaults faults;
        validator::processChecked(*plugin, validator::drumPattern(1, 2000), 128, faults);
        EXPECT_TRUE(faults.empty()) << faults.text();
    }

    std::unique_ptr<host::Instance> plugin;
    validator::ParentWindow parent;
    alignas(16) unsigned char addressTarget[kBufferSize] = {};
};

TEST_P(DispatcherSweep, EveryOpcodeWithNullArguments) {
    for (int32_t op = 0; op <= kLastOpcode; op++)
        for (int32_t index : kIndices) send(op, index, 0, nullptr, 0.0f);
    expectStillWorking();
}

TEST_P(DispatcherSweep, EveryOpcodeWithNonNullArguments) {
    int calls = 0;
    for (int32_t op = 0; op <= kLastOpcode; op++) {
        for (int32_t index : kIndices)
            for (intptr_t value : kValues)
                for (float opt : kOpts) {
                    // Opening a real window is slow; one value set per index suffices.
                    if (isEditorOpen(op) && (value != 0 || opt != 0.0f)) continue;
                    auto buffer = freshBuffer();
                    send(op, index, value, buffer.data(), opt);
                    calls++;
                    for (size_t i = kLargestAnswer; i < buffer.size(); i++)
                        if (buffer[i] != kFill) {
                            ADD_FAILURE() << "opcode " << op << " wrote byte " << i;
                            break;
                        }
                }
    }
    RecordProperty("calls", calls);
    // The sample rate and block size settings above were wild; set sane ones.
    plugin->dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    plugin->dispatch(effSetBlockSize, 0, 512);
    expectStillWorking();
}

TEST_P(DispatcherSweep, UnknownOpcodesAnswerZero) {
    for (int32_t op : {81, 100, 1000, -1, INT32_MIN, INT32_MAX}) {
        auto buffer = freshBuffer();
        EXPECT_EQ(plugin->dispatch(op, 0, 0, nullptr), 0) << op;
        EXPECT_EQ(plugin->dispatch(op, 5, 5, buffer.data(), 1.0f), 0) << op;
        EXPECT_EQ(buffer, freshBuffer()) << "opcode " << op << " wrote into the buffer";
    }
}

// Parameter text opcodes with an index that is no parameter leave the buffer as it was.
TEST_P(DispatcherSweep, OutOfRangeIndicesLeaveTextUntouched) {
    for (int32_t op : {effGetParamLabel, effGetParamDisplay, effGetParamName})
        for (int32_t index : {-1, GetParam().parameterSlots, GetParam().parameterSlots + 1, 100, INT32_MIN, INT32_MAX}) {
            std::vector<unsigned char> buffer(kBufferSize, kFill);
            plugin->dispatch(op, index, 0, buffer.data());
            EXPECT_EQ(buffer, std::vector<unsigned char>(kBufferSize, kFill))
                << "opcode " << op << " index " << index;
        }
}

// The program never changes from 0, whatever a host sends.
TEST_P(DispatcherSweep, ProgramStaysZero) {
    for (intptr_t value : kValues) {
        plugin->dispatch(effSetProgram, 0, value);
        EXPECT_EQ(plugin->dispatch(effGetProgram), 0) << "after effSetProgram " << value;
    }
    for (int32_t index : kIndices) {
        char name[64];
        memset(name, 'x', sizeof name);
        plugin->dispatch(effGetProgramNameIndexed, index, 0, name);
    }
    EXPECT_EQ(plugin->getString(effGetProgramName), plugin_info::kDefaultProgramName);
}

// Overlong program names and capability strings are read only up to their
// end. Tamboro Transcriber keeps its one program's name.
TEST_P(DispatcherSweep, LongStringsFromTheHost) {
    std::string longName(10000, 'n');
    plugin->dispatch(effSetProgramName, 0, 0, longName.data());
    const std::string kept = isTamboro(GetParam()) ? std::string(kVstMaxProgNameLen, 'n')
                                                                 : transcriber_plugin_info::kDefaultProgramName;
    EXPECT_EQ(plugin->getString(effGetProgramName), kept);
    std::string longCapability(10000, 's');
    EXPECT_EQ(plugin->canDo(longCapability), -1);
}

INSTANTIATE_FOR_EVERY_PLUGIN(DispatcherSweep);

}  // namespace
