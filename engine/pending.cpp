// Placeholders until the engine lands: silence out, no events.
#include <cstring>

#include "shell/tamboro.h"

void Tamboro::processReplacing(float**, float** outputs, int32_t sampleFrames) {
    updateSampleRate();
    getTimeInfo(kVstPpqPosValid | kVstTempoValid);
    for (int32_t i = 0; i < sampleFrames; i++) outputs[0][i] = outputs[1][i] = 0.0f;
}
void Tamboro::processDoubleReplacing(double**, double** outputs, int32_t sampleFrames) {
    updateSampleRate();
    getTimeInfo(kVstPpqPosValid | kVstTempoValid);
    for (int32_t i = 0; i < sampleFrames; i++) outputs[0][i] = outputs[1][i] = 0.0;
}
void Tamboro::sendNoteOn(int32_t, int32_t) {}
void Tamboro::sendNoteOff(int32_t, int32_t) {}
float Tamboro::InstDefine::matchSlot0(float, float, float, float) { return 0.0f; }
float Tamboro::InstDefine::matchSlot1(float, float, float, float) { return 0.0f; }
float Tamboro::InstDefine::matchSlot2(float, float, float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnUpper0(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnLower0(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnUpper1(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnLower1(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnUpper2(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnLower2(float, float) { return 0.0f; }
