// Draws the editor's seven bitmaps and writes them as 24-bit uncompressed BMP
// files into the folder given on the command line (normally resources/).
// Deterministic: the same fonts give the same files. Run it through the build's
// "artwork" target after changing anything here, and commit the results.
#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

// Colours that the editor's description fixes.
constexpr Rgb kNavy{18, 39, 104};
constexpr Rgb kLightBlue{143, 174, 203};
constexpr Rgb kPanelSlate{75, 98, 143};
constexpr Rgb kStripSlate{78, 99, 139};
constexpr Rgb kWhite{255, 255, 255};
// Our own palette.
constexpr Rgb kEdgeDark{9, 14, 32};
constexpr Rgb kNearBlack{12, 14, 20};
constexpr Rgb kInk{14, 20, 40};
constexpr Rgb kPill{203, 217, 238};
constexpr Rgb kTitleGlow{168, 194, 232};
constexpr Rgb kUnlitFace{66, 82, 126};
constexpr Rgb kUnlitHighlight{106, 122, 164};
constexpr Rgb kUnlitShadow{30, 38, 62};
constexpr Rgb kLitShadow{132, 142, 170};

constexpr const char* kFontFamily = "Liberation Sans";

constexpr int kBackgroundWidth = 812;
constexpr int kBackgroundHeight = 650;
constexpr int kTrackWidth = 64;
constexpr int kTrackHeight = 323;
constexpr int kHandleWidth = 25;
constexpr int kHandleHeight = 35;
constexpr int kStateHeight = 62;

struct Box {
    double left, top, right, bottom;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
};

void setColor(cairo_t* cr, Rgb c) { cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0); }

void fillBox(cairo_t* cr, Box box, Rgb color) {
    setColor(cr, color);
    cairo_rectangle(cr, box.left, box.top, box.width(), box.height());
    cairo_fill(cr);
}

void roundedBox(cairo_t* cr, Box box, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, box.right - radius, box.top + radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, box.right - radius, box.bottom - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, box.left + radius, box.bottom - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, box.left + radius, box.top + radius, radius, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

// Text whose ink is centred in box.
void centredText(cairo_t* cr, const char* text, Box box, double size, bool bold, Rgb color) {
    cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t ink;
    cairo_text_extents(cr, text, &ink);
    double x = box.left + (box.width() - ink.width) / 2 - ink.x_bearing;
    double y = box.top + (box.height() - ink.height) / 2 - ink.y_bearing;
    setColor(cr, color);
    cairo_move_to(cr, std::round(x), std::round(y));
    cairo_show_text(cr, text);
}

// A caption: dark text on a light pill with a dark rim.
void pill(cairo_t* cr, Box box, const char* text) {
    roundedBox(cr, {box.left + 0.5, box.top + 0.5, box.right - 0.5, box.bottom - 0.5},
               box.height() / 2 - 0.5);
    setColor(cr, kPill);
    cairo_fill_preserve(cr);
    setColor(cr, kInk);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    centredText(cr, text, box, 15, true, kInk);
}

uint32_t nextRandom(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 16;
}

// A dark border whose inner edge wanders between 3 and 10 pixels in.
void raggedEdge(cairo_t* cr, int width, int height) {
    constexpr int kStep = 7;
    uint32_t seed = 0x7A3B0u;
    auto inset = [&seed] { return 3.0 + nextRandom(seed) % 8; };
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_move_to(cr, inset(), inset());
    for (int x = kStep; x < width; x += kStep) cairo_line_to(cr, x, inset());
    for (int y = kStep; y < height; y += kStep) cairo_line_to(cr, width - inset(), y);
    for (int x = width - kStep; x > 0; x -= kStep) cairo_line_to(cr, x, height - inset());
    for (int y = height - kStep; y > 0; y -= kStep) cairo_line_to(cr, inset(), y);
    cairo_close_path(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    setColor(cr, kEdgeDark);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

void title(cairo_t* cr) {
    const char* text = "Tamboro";
    cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 80);
    cairo_text_extents_t ink;
    cairo_text_extents(cr, text, &ink);
    double x = (kBackgroundWidth - ink.width) / 2 - ink.x_bearing;
    double y = 20 + (65 - ink.height) / 2 - ink.y_bearing;
    cairo_move_to(cr, std::round(x), std::round(y));
    cairo_text_path(cr, text);
    setColor(cr, kTitleGlow);
    cairo_set_line_width(cr, 4);
    cairo_stroke_preserve(cr);
    setColor(cr, kInk);
    cairo_fill(cr);
}

// A snare drum seen from the side with two crossed sticks, and the name.
void logo(cairo_t* cr) {
    constexpr double cx = 78, top = 562, rx = 46, ry = 13, depth = 40;
    cairo_set_line_width(cr, 2.5);
    cairo_move_to(cr, cx - rx, top);
    cairo_line_to(cr, cx - rx, top + depth);
    cairo_save(cr);
    cairo_translate(cr, cx, top + depth);
    cairo_scale(cr, rx, ry);
    cairo_arc_negative(cr, 0, 0, 1, M_PI, 0);
    cairo_restore(cr);
    cairo_line_to(cr, cx + rx, top);
    cairo_close_path(cr);
    setColor(cr, {36, 62, 128});
    cairo_fill_preserve(cr);
    setColor(cr, kInk);
    cairo_stroke(cr);
    for (int lug = -2; lug <= 2; lug++) {
        double x = cx + lug * 17.0;
        double drop = ry * std::sqrt(1 - (x - cx) * (x - cx) / (rx * rx));
        cairo_move_to(cr, x, top + drop + 4);
        cairo_line_to(cr, x, top + depth + drop - 4);
    }
    setColor(cr, {120, 150, 200});
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_translate(cr, cx, top);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr);
    setColor(cr, {226, 232, 242});
    cairo_fill_preserve(cr);
    setColor(cr, kInk);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 4.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, cx - 42, 531);
    cairo_line_to(cr, cx + 6, top - 2);
    cairo_move_to(cr, cx + 44, 529);
    cairo_line_to(cr, cx - 2, top - 3);
    setColor(cr, {92, 58, 30});
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);

    cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_ITALIC, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 34);
    cairo_move_to(cr, 140, 585);
    setColor(cr, kInk);
    cairo_show_text(cr, "tamboro");
    cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 14);
    cairo_move_to(cr, 142, 605);
    cairo_show_text(cr, "drum hits in, MIDI notes out");
}

void panel(cairo_t* cr) {
    fillBox(cr, {383, 97, 796, 599}, kNearBlack);
    fillBox(cr, {388, 102, 791, 594}, kPanelSlate);
    pill(cr, {393, 108, 599, 140}, "Output Type");
    pill(cr, {393, 226, 599, 258}, "Function");
    pill(cr, {393, 349, 599, 381}, "Template Instrument");
    pill(cr, {393, 473, 599, 505}, "Ratio Selection");
}

void background(cairo_t* cr) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, kBackgroundHeight);
    cairo_pattern_add_color_stop_rgb(gradient, 0, kNavy.r / 255.0, kNavy.g / 255.0, kNavy.b / 255.0);
    cairo_pattern_add_color_stop_rgb(gradient, 1, kLightBlue.r / 255.0, kLightBlue.g / 255.0,
                                     kLightBlue.b / 255.0);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);
    raggedEdge(cr, kBackgroundWidth, kBackgroundHeight);
    title(cr);
    pill(cr, {20, 108, 176, 140}, "High Threshold");
    pill(cr, {184, 108, 341, 140}, "Low Threshold");
    panel(cr);
    logo(cr);
    cairo_select_font_face(cr, kFontFamily, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 11);
    centredText(cr, "Tamboro 1.0  \xC2\xB7  drum trigger for MIDI  \xC2\xB7  Quillon",
                {383, 604, 796, 620}, 11, false, kInk);
}

void sliderTrack(cairo_t* cr) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, kTrackWidth, 0);
    cairo_pattern_add_color_stop_rgb(gradient, 0, 22 / 255.0, 48 / 255.0, 108 / 255.0);
    cairo_pattern_add_color_stop_rgb(gradient, 1, 156 / 255.0, 190 / 255.0, 228 / 255.0);
    cairo_set_source(cr, gradient);
    cairo_paint(cr);
    cairo_pattern_destroy(gradient);
    // Ticks at the handle centre's eleven tenths of travel.
    constexpr double kTravel = kTrackHeight - kHandleHeight - 1;
    for (int tick = 0; tick <= 10; tick++) {
        double y = std::floor(kHandleHeight / 2.0 + kTravel * tick / 10.0);
        fillBox(cr, {5, y, 17, y + 1}, kInk);
        fillBox(cr, {47, y, 59, y + 1}, kInk);
    }
    fillBox(cr, {26, 3, 38, kTrackHeight - 3.0}, kNearBlack);
    setColor(cr, {0, 0, 0});
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, 0.5, 0.5, kTrackWidth - 1, kTrackHeight - 1);
    cairo_stroke(cr);
}

void sliderHandle(cairo_t* cr) {
    fillBox(cr, {0, 0, kHandleWidth, kHandleHeight}, kNearBlack);
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, kHandleHeight);
    cairo_pattern_add_color_stop_rgb(gradient, 0, 128 / 255.0, 166 / 255.0, 226 / 255.0);
    cairo_pattern_add_color_stop_rgb(gradient, 1, 40 / 255.0, 78 / 255.0, 158 / 255.0);
    roundedBox(cr, {0.5, 0.5, kHandleWidth - 0.5, kHandleHeight - 0.5}, 6);
    cairo_set_source(cr, gradient);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(gradient);
    setColor(cr, kEdgeDark);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fillBox(cr, {3, 14, kHandleWidth - 3.0, 15}, kEdgeDark);
    fillBox(cr, {3, 20, kHandleWidth - 3.0, 21}, kEdgeDark);
}

// One state of a strip: N bevelled buttons, button `lit` white.
void buttonRow(cairo_t* cr, int width, int top, const std::vector<const char*>& labels, int lit) {
    constexpr int kMargin = 10, kButtonTop = 5, kButtonBottom = 55, kBevel = 2;
    fillBox(cr, {0, (double)top, (double)width, (double)top + kStateHeight}, kStripSlate);
    int count = (int)labels.size();
    for (int i = 0; i < count; i++) {
        double left = std::floor(width * i / (double)count) + kMargin;
        double right = std::floor(width * (i + 1) / (double)count) - kMargin;
        Box button{left, (double)top + kButtonTop, right, (double)top + kButtonBottom};
        bool on = i == lit;
        fillBox(cr, {button.left - 1, button.top - 1, button.right + 1, button.bottom + 1}, kNearBlack);
        fillBox(cr, button, on ? kLitShadow : kUnlitShadow);
        fillBox(cr, {button.left, button.top, button.right - kBevel, button.bottom - kBevel},
                on ? kWhite : kUnlitHighlight);
        Box face{button.left + kBevel, button.top + kBevel, button.right - kBevel,
                 button.bottom - kBevel};
        fillBox(cr, face, on ? kWhite : kUnlitFace);
        centredText(cr, labels[i], face, 12, true, kInk);
    }
}

void buttonStrip(cairo_t* cr, int width, const std::vector<const char*>& labels) {
    for (int state = 0; state < (int)labels.size(); state++)
        buttonRow(cr, width, state * kStateHeight, labels, state);
}

bool writeBmp(cairo_surface_t* surface, const std::string& path) {
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    uint32_t rowSize = ((uint32_t)width * 3 + 3) & ~3u;
    uint32_t imageSize = rowSize * (uint32_t)height;
    std::vector<unsigned char> file(54 + imageSize, 0);
    auto put32 = [&file](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++) file[at + i] = (unsigned char)(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, (uint32_t)file.size());
    put32(10, 54);
    put32(14, 40);
    put32(18, (uint32_t)width);
    put32(22, (uint32_t)height);
    file[26] = 1;
    file[28] = 24;
    put32(34, imageSize);
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    for (int y = 0; y < height; y++) {
        const uint32_t* in = reinterpret_cast<const uint32_t*>(data + (size_t)y * stride);
        unsigned char* out = &file[54 + (size_t)(height - 1 - y) * rowSize];
        for (int x = 0; x < width; x++) {
            out[3 * x] = (unsigned char)(in[x] & 0xFF);
            out[3 * x + 1] = (unsigned char)(in[x] >> 8 & 0xFF);
            out[3 * x + 2] = (unsigned char)(in[x] >> 16 & 0xFF);
        }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    return std::fclose(f) == 0 && written;
}

bool hasPureWhite(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < cairo_image_surface_get_height(surface); y++) {
        auto* row = reinterpret_cast<const uint32_t*>(data + (size_t)y * cairo_image_surface_get_stride(surface));
        for (int x = 0; x < cairo_image_surface_get_width(surface); x++)
            if ((row[x] & 0xFFFFFF) == 0xFFFFFF) return true;
    }
    return false;
}

struct Artwork {
    const char* file;
    int width;
    int height;
    void (*draw)(cairo_t*);
};

const Artwork kArtwork[] = {
    {"background.bmp", kBackgroundWidth, kBackgroundHeight, background},
    {"slider_track.bmp", kTrackWidth, kTrackHeight, sliderTrack},
    {"slider_handle.bmp", kHandleWidth, kHandleHeight, sliderHandle},
    {"drum_select.bmp", 313, 4 * kStateHeight,
     [](cairo_t* cr) { buttonStrip(cr, 313, {"Dynamic", "Kick", "Snare", "Hi Hat"}); }},
    {"function.bmp", 230, 2 * kStateHeight,
     [](cairo_t* cr) { buttonStrip(cr, 230, {"Template", "Detection"}); }},
    {"template_inst.bmp", 231, 3 * kStateHeight,
     [](cairo_t* cr) { buttonStrip(cr, 231, {"Kick", "Snare", "Hi Hat"}); }},
    {"ratio_select.bmp", 313, 5 * kStateHeight,
     [](cairo_t* cr) { buttonStrip(cr, 313, {"Off", "19:1", "39:1", "79:1", "119:1"}); }},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_artwork OUTPUT_FOLDER\n");
        return 2;
    }
    for (const Artwork& art : kArtwork) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, art.width, art.height);
        cairo_t* cr = cairo_create(surface);
        art.draw(cr);
        cairo_destroy(cr);
        std::string path = std::string(argv[1]) + "/" + art.file;
        // The handle is drawn with white left out, so it must hold none.
        bool ok = !(art.draw == sliderHandle && hasPureWhite(surface)) && writeBmp(surface, path);
        cairo_surface_destroy(surface);
        if (!ok) {
            std::fprintf(stderr, "make_artwork: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s %d x %d\n", path.c_str(), art.width, art.height);
    }
    return 0;
}
