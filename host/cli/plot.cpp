#include "plot.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "drums.h"
#include "failure.h"

namespace cli {

namespace {

constexpr double kMarginLeft = 72, kMarginRight = 16, kMarginTop = 34, kMarginBottom = 44;
constexpr double kPanelGap = 14;
constexpr double kWaveShare = 0.35;  // of the drawing height
constexpr double kFontSize = 12;
constexpr double kTitleSize = 14;
constexpr double kPixelsPerTimeTick = 110;
constexpr double kDbHeadroom = 6, kDbBelowRelease = 30, kMaxDbRange = 140, kDbGridStep = 10;
constexpr double kSilentDb = -400;

struct Colour {
    double r, g, b;
};
constexpr Colour kBackground{1, 1, 1}, kAxis{0.25, 0.25, 0.25}, kGrid{0.88, 0.88, 0.88};
constexpr Colour kWave{0.35, 0.45, 0.6}, kLevel{0.1, 0.1, 0.1};
constexpr Colour kHighLine{0.9, 0.45, 0.0}, kReleaseLine{0.55, 0.2, 0.7};
constexpr Colour kDrumColours[kNumDrums] = {{0.85, 0.15, 0.15}, {0.1, 0.6, 0.2}, {0.15, 0.35, 0.9}};
constexpr Colour kOtherNote{0.5, 0.5, 0.5};

double toDb(double v) { return v > 0 ? 20.0 * std::log10(v) : kSilentDb; }

void setColour(cairo_t* cr, Colour c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

Colour noteColour(int note) {
    auto drum = drumOfNote(note);
    return drum ? kDrumColours[*drum] : kOtherNote;
}

// 1, 2 or 5 times a power of ten, at least the given step.
double niceStep(double rough) {
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= rough) return m * power;
    return 10.0 * power;
}

struct Rect {
    double x, y, w, h;
};

void text(cairo_t* cr, double x, double y, const std::string& s, double alignX = 0.0) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    cairo_move_to(cr, x - alignX * e.x_advance, y);
    cairo_show_text(cr, s.c_str());
}

// Text on a pale box, readable over the curves.
void boxedText(cairo_t* cr, double x, double y, const std::string& s, double alignX, Colour colour) {
    constexpr double kPad = 2;
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    double left = x - alignX * e.x_advance;
    setColour(cr, kBackground, 0.85);
    cairo_rectangle(cr, left - kPad, y + e.y_bearing - kPad, e.x_advance + 2 * kPad, e.height + 2 * kPad);
    cairo_fill(cr);
    setColour(cr, colour);
    cairo_move_to(cr, left, y);
    cairo_show_text(cr, s.c_str());
}

std::string format(const char* pattern, double v) {
    char s[64];
    std::snprintf(s, sizeof s, pattern, v);
    return s;
}

void horizontalLine(cairo_t* cr, const Rect& r, double y, Colour c, bool dashed) {
    setColour(cr, c);
    double dash[] = {6, 4};
    cairo_set_dash(cr, dash, dashed ? 2 : 0, 0);
    cairo_move_to(cr, r.x, y);
    cairo_line_to(cr, r.x + r.w, y);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
}

}  // namespace

PlotRecorder::PlotRecorder(int64_t frames, int sampleRate, PlotSize size, float high, float release, bool activations)
    : frames(std::max<int64_t>(frames, 1)), sampleRate(sampleRate), size(size), high(high), release(release),
      hits{high, release}, activations(activations) {
    columns = std::max(1, (int)(size.width - kMarginLeft - kMarginRight));
    waveMin.assign((size_t)columns, std::numeric_limits<float>::infinity());
    waveMax.assign((size_t)columns, -std::numeric_limits<float>::infinity());
    levelMin.assign((size_t)columns, std::numeric_limits<float>::infinity());
    levelMax.assign((size_t)columns, 0.0f);
    released.assign((size_t)columns, false);
    for (int d = 0; d < kNumDrums && activations; d++) {
        strengthMax[(size_t)d].assign((size_t)columns, 0.0f);
        thresholdMax[(size_t)d].assign((size_t)columns, 0.0f);
    }
}

void PlotRecorder::addActivation(int64_t sample, int drum, float strength, float threshold) {
    if (!activations || sample < 0 || sample >= frames) return;
    size_t c = (size_t)columnOf(sample);
    float& s = strengthMax[(size_t)drum][c];
    float& t = thresholdMax[(size_t)drum][c];
    s = std::max(s, strength);
    t = std::max(t, threshold);
}

int PlotRecorder::columnOf(int64_t sample) const {
    return (int)std::clamp<int64_t>(sample * columns / frames, 0, columns - 1);
}

void PlotRecorder::addInput(int64_t sample, double left, double right) {
    if (sample < 0 || sample >= frames) return;
    size_t c = (size_t)columnOf(sample);
    float mid = (float)((left + right) / 2);
    waveMin[c] = std::min(waveMin[c], mid);
    waveMax[c] = std::max(waveMax[c], mid);
}

void PlotRecorder::addLevel(int64_t sample, double level) {
    if (sample < 0 || sample >= frames) return;
    size_t c = (size_t)columnOf(sample);
    levelMin[c] = std::min(levelMin[c], (float)level);
    levelMax[c] = std::max(levelMax[c], (float)level);
    if (hits.add(level)) released[c] = true;
}

namespace {

struct Layout {
    Rect wave, level;
};

Layout layoutFor(PlotSize size) {
    double w = size.width - kMarginLeft - kMarginRight;
    double h = size.height - kMarginTop - kMarginBottom - kPanelGap;
    double waveH = h * kWaveShare;
    return {{kMarginLeft, kMarginTop, w, waveH}, {kMarginLeft, kMarginTop + waveH + kPanelGap, w, h - waveH}};
}

void frameRect(cairo_t* cr, const Rect& r) {
    setColour(cr, kAxis);
    cairo_rectangle(cr, r.x + 0.5, r.y + 0.5, r.w - 1, r.h - 1);
    cairo_stroke(cr);
}

void drawTimeAxis(cairo_t* cr, const Layout& l, double seconds) {
    double step = niceStep(seconds * kPixelsPerTimeTick / l.level.w);
    double bottom = l.level.y + l.level.h;
    for (double t = 0; t <= seconds + 1e-9; t += step) {
        double x = l.level.x + t / seconds * l.level.w;
        setColour(cr, kGrid);
        cairo_move_to(cr, x, l.wave.y);
        cairo_line_to(cr, x, bottom);
        cairo_stroke(cr);
        setColour(cr, kAxis);
        text(cr, x, bottom + 16, format(step < 1 ? "%.2f" : "%.0f", t), 0.5);
    }
    text(cr, l.level.x + l.level.w / 2, bottom + 34, "time (s)", 0.5);
}

void drawLegend(cairo_t* cr, const Layout& l) {
    double x = l.wave.x + l.wave.w - 230, y = kMarginTop - 12;
    for (int d = 0; d < kNumDrums; d++) {
        setColour(cr, kDrumColours[d]);
        cairo_rectangle(cr, x, y - 9, 10, 10);
        cairo_fill(cr);
        setColour(cr, kAxis);
        text(cr, x + 14, y, kDrums[(size_t)d].name);
        x += 75;
    }
}

// Each column from its lowest to its highest level, joined to its neighbours
// so that a steady level still reads as a line.
template <typename YOfDb, typename XOf>
void drawLevelRange(cairo_t* cr, const std::vector<float>& levelMin, const std::vector<float>& levelMax,
                    const YOfDb& yOfDb, const XOf& xOf) {
    setColour(cr, kLevel);
    double previousTop = 0, previousBottom = 0;
    for (int c = 0; c < (int)levelMax.size(); c++) {
        if (levelMin[(size_t)c] > levelMax[(size_t)c]) continue;
        double top = yOfDb(toDb(levelMax[(size_t)c])), bottom = yOfDb(toDb(levelMin[(size_t)c]));
        // Overlap the previous column's range, so that no gap opens between them.
        double from = c ? std::min(top, previousBottom) : top, to = c ? std::max(bottom, previousTop) : bottom;
        cairo_move_to(cr, xOf(c), from - 0.5);
        cairo_line_to(cr, xOf(c), to + 0.5);
        previousTop = top;
        previousBottom = bottom;
    }
    cairo_stroke(cr);
}

// A small mark on the release line where the detector released a hit: a
// note after a mark inside one sound is a re-trigger.
template <typename XOf>
void drawReleases(cairo_t* cr, const std::vector<bool>& released, double releaseY, const XOf& xOf) {
    constexpr double kMarkHalf = 4;
    setColour(cr, kReleaseLine);
    for (int c = 0; c < (int)released.size(); c++) {
        if (!released[(size_t)c]) continue;
        cairo_move_to(cr, xOf(c) - kMarkHalf, releaseY - kMarkHalf);
        cairo_line_to(cr, xOf(c) + kMarkHalf, releaseY + kMarkHalf);
        cairo_move_to(cr, xOf(c) - kMarkHalf, releaseY + kMarkHalf);
        cairo_line_to(cr, xOf(c) + kMarkHalf, releaseY - kMarkHalf);
    }
    cairo_set_line_width(cr, 2.0);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.0);
}

// The level in decibels, with the thresholds.
template <typename XOf>
void drawLevelPanel(cairo_t* cr, const Layout& l, const std::vector<float>& levelMin, const std::vector<float>& levelMax,
                    const std::vector<bool>& released, float high, float release, const XOf& xOf) {
    double levelPeakDb = toDb(*std::max_element(levelMax.begin(), levelMax.end()));
    double highDb = toDb(high), releaseDb = toDb(release);
    double topDb = std::ceil((std::max(levelPeakDb, highDb) + kDbHeadroom) / kDbGridStep) * kDbGridStep;
    double bottomDb = std::floor((std::min(releaseDb, highDb) - kDbBelowRelease) / kDbGridStep) * kDbGridStep;
    bottomDb = std::max(bottomDb, topDb - kMaxDbRange);
    auto yOfDb = [&](double db) {
        double f = (std::clamp(db, bottomDb, topDb) - bottomDb) / (topDb - bottomDb);
        return l.level.y + l.level.h - f * l.level.h;
    };
    double gridStep = niceStep((topDb - bottomDb) / 8);
    for (double db = topDb; db >= bottomDb - 1e-9; db -= gridStep) {
        horizontalLine(cr, l.level, yOfDb(db), kGrid, false);
        setColour(cr, kAxis);
        text(cr, l.level.x - 6, yOfDb(db) + 4, format("%.0f dB", db), 1.0);
    }
    drawLevelRange(cr, levelMin, levelMax, yOfDb, xOf);
    horizontalLine(cr, l.level, yOfDb(highDb), kHighLine, true);
    horizontalLine(cr, l.level, yOfDb(releaseDb), kReleaseLine, true);
    drawReleases(cr, released, yOfDb(releaseDb), xOf);
    boxedText(cr, l.level.x + l.level.w - 6, yOfDb(highDb) - 5, format("high %.1f dB", highDb), 1.0, kHighLine);
    boxedText(cr, l.level.x + l.level.w - 6, yOfDb(releaseDb) + 15, format("release %.1f dB, x: a hit released", releaseDb), 1.0,
              kReleaseLine);

}

// One strip per drum: its activation (filled) and the threshold it must
// pass (dashed), each strip scaled to its drum's largest value.
template <typename XOf>
void drawActivations(cairo_t* cr, const Rect& panel, const std::array<std::vector<float>, kNumDrums>& strength,
                     const std::array<std::vector<float>, kNumDrums>& threshold, const XOf& xOf) {
    double stripH = panel.h / kNumDrums;
    for (int d = 0; d < kNumDrums; d++) {
        const std::vector<float>& s = strength[(size_t)d];
        const std::vector<float>& t = threshold[(size_t)d];
        double top = 1e-9;
        for (size_t c = 0; c < s.size(); c++) top = std::max({top, (double)s[c], (double)t[c]});
        double bottomY = panel.y + (d + 1) * stripH;
        auto yOf = [&](double v) { return bottomY - v / top * (stripH - 4); };
        setColour(cr, kDrumColours[d], 0.6);
        for (size_t c = 0; c < s.size(); c++) {
            cairo_move_to(cr, xOf((double)c), bottomY);
            cairo_line_to(cr, xOf((double)c), yOf(s[c]));
        }
        cairo_stroke(cr);
        setColour(cr, kAxis);
        double dash[] = {4, 3};
        cairo_set_dash(cr, dash, 2, 0);
        for (size_t c = 0; c < t.size(); c++)
            c ? cairo_line_to(cr, xOf((double)c), yOf(t[c])) : cairo_move_to(cr, xOf((double)c), yOf(t[c]));
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
        if (d) horizontalLine(cr, panel, panel.y + d * stripH, kGrid, false);
        boxedText(cr, panel.x + 6, panel.y + d * stripH + 14,
                  std::string(kDrums[(size_t)d].name) + " activation, dashed: its threshold", 0.0, kDrumColours[d]);
    }
}

}  // namespace

void PlotRecorder::render(const std::string& path, const std::string& title, const std::vector<Note>& notes) const {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.width, size.height);
    cairo_t* cr = cairo_create(surface);
    Layout l = layoutFor(size);
    double seconds = (double)frames / sampleRate;
    auto xOf = [&](double column) { return l.wave.x + (column + 0.5) * l.wave.w / columns; };
    auto xOfSample = [&](int64_t s) { return l.wave.x + (double)s / frames * l.wave.w; };

    setColour(cr, kBackground);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_line_width(cr, 1.0);
    cairo_set_font_size(cr, kTitleSize);
    setColour(cr, kAxis);
    text(cr, kMarginLeft, kMarginTop - 12, title);
    cairo_set_font_size(cr, kFontSize);
    drawLegend(cr, l);
    drawTimeAxis(cr, l, seconds);

    // Waveform: the mean of both channels, scaled to its own peak.
    double peak = 1e-9;
    for (int c = 0; c < columns; c++)
        if (waveMin[(size_t)c] <= waveMax[(size_t)c])
            peak = std::max({peak, (double)std::fabs(waveMin[(size_t)c]), (double)std::fabs(waveMax[(size_t)c])});
    double mid = l.wave.y + l.wave.h / 2, half = l.wave.h / 2 - 2;
    setColour(cr, kWave);
    for (int c = 0; c < columns; c++) {
        if (waveMin[(size_t)c] > waveMax[(size_t)c]) continue;
        cairo_move_to(cr, xOf(c), mid - waveMax[(size_t)c] / peak * half - 0.5);
        cairo_line_to(cr, xOf(c), mid - waveMin[(size_t)c] / peak * half + 0.5);
    }
    cairo_stroke(cr);
    boxedText(cr, l.wave.x + 6, l.wave.y + 14, "input (mean of both channels)", 0.0, kAxis);

    if (activations)
        drawActivations(cr, l.level, strengthMax, thresholdMax, xOf);
    else
        drawLevelPanel(cr, l, levelMin, levelMax, released, high, release, xOf);

    // A marker per note through both panels.
    for (const Note& n : notes) {
        double x = std::round(xOfSample(n.sample)) + 0.5;
        setColour(cr, noteColour(n.note), 0.8);
        cairo_move_to(cr, x, l.wave.y);
        cairo_line_to(cr, x, l.level.y + l.level.h);
        cairo_stroke(cr);
        cairo_move_to(cr, x - 4, l.level.y);
        cairo_line_to(cr, x + 4, l.level.y);
        cairo_line_to(cr, x, l.level.y + 7);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
    frameRect(cr, l.wave);
    frameRect(cr, l.level);
    if (!activations) boxedText(cr, l.level.x + 6, l.level.y + 22, "level the detector compares", 0.0, kAxis);

    cairo_destroy(cr);
    cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        throw Failure("cannot write the plot: " + std::string(cairo_status_to_string(status)));
}

}  // namespace cli
