#include "text_label.h"

#include "draw_context.h"

void CTextLabel::draw(CDrawContext& context) { context.drawString(text, getViewSize(), font, color); }
