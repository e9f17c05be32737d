// Placeholders until the instrument definitions and templates land.
#include "shell/tamboro.h"

float Tamboro::InstDefine::matchSlot0(float, float, float, float) { return 0.0f; }
float Tamboro::InstDefine::matchSlot1(float, float, float, float) { return 0.0f; }
float Tamboro::InstDefine::matchSlot2(float, float, float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnUpper0(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnLower0(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnUpper1(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnLower1(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnUpper2(float, float) { return 0.0f; }
float Tamboro::InstTemplate::learnLower2(float, float) { return 0.0f; }
