// Draws every picture of the game window's skin into a folder:
//   make_game_art <output folder>
// The output is committed under skins/game/; rerun after changing this file.
#include <cmath>
#include <cstdio>
#include <string>

#include "ArtKit.h"

using namespace art;

namespace {

enum class State { Normal, Hover, Pressed };

// The window background is stretched to the window, so it carries only a
// gradient that looks the same at any size.
void Background(const std::string& dir) {
  Picture pic(788, 600);
  cairo_t* cr = pic.cr();
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 600);
  cairo_pattern_add_color_stop_rgb(p, 0.0, 0.09, 0.10, 0.17);
  cairo_pattern_add_color_stop_rgb(p, 0.05, 0.07, 0.08, 0.14);
  cairo_pattern_add_color_stop_rgb(p, 1.0, 0.04, 0.05, 0.09);
  cairo_set_source(cr, p);
  cairo_paint(cr);
  cairo_pattern_destroy(p);
  pic.Save(dir + "/game_back.png");
}

void Frame(cairo_t* cr, State s, bool danger) {
  RoundedRect(cr, 1.5, 1.5, 24, 20, 3);
  Rgba fill = Hex(0xFFFFFF, 0.0);
  if (s == State::Hover) fill = danger ? Hex(0xC8403A) : Hex(0xFFFFFF, 0.18);
  if (s == State::Pressed) fill = danger ? Hex(0x8E2420) : Hex(0xFFFFFF, 0.10);
  SetColor(cr, fill);
  cairo_fill(cr);
  SetColor(cr, Hex(0xF0E6D0, s == State::Normal ? 0.78 : 1.0));
  cairo_set_line_width(cr, 1.5);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
}

using Glyph = void (*)(cairo_t*);

void MinGlyph(cairo_t* cr) {
  cairo_move_to(cr, 8.5, 13.5);
  cairo_line_to(cr, 18.5, 13.5);
  cairo_stroke(cr);
}
void MaxGlyph(cairo_t* cr) {
  cairo_rectangle(cr, 8.5, 6.5, 10, 9);
  cairo_stroke(cr);
}
void RestoreGlyph(cairo_t* cr) {
  cairo_rectangle(cr, 7.5, 8.5, 9, 8);
  cairo_stroke(cr);
  cairo_move_to(cr, 10.5, 8.5);
  cairo_line_to(cr, 10.5, 5.5);
  cairo_line_to(cr, 19.5, 5.5);
  cairo_line_to(cr, 19.5, 13.5);
  cairo_line_to(cr, 16.5, 13.5);
  cairo_stroke(cr);
}
void CloseGlyph(cairo_t* cr) {
  cairo_move_to(cr, 9, 7);
  cairo_line_to(cr, 18, 16);
  cairo_move_to(cr, 18, 7);
  cairo_line_to(cr, 9, 16);
  cairo_stroke(cr);
}
void MenuGlyph(cairo_t* cr) {
  for (double y : {7.5, 11.5, 15.5}) {
    cairo_move_to(cr, 8.5, y);
    cairo_line_to(cr, 18.5, y);
  }
  cairo_stroke(cr);
}

void TitleButton(const std::string& dir, const std::string& stem, const char* const names[3], Glyph glyph,
                 bool danger) {
  const State states[] = {State::Normal, State::Hover, State::Pressed};
  for (int i = 0; i < 3; ++i) {
    Picture pic(27, 23);
    Frame(pic.cr(), states[i], danger);
    glyph(pic.cr());
    pic.Save(dir + "/" + stem + names[i] + ".png");
  }
}

void Shadow(const std::string& dir) {
  Picture pic(40, 40);
  SoftShadow(pic.cr(), 10, 10, 20, 20, 4, 10, 0.8);
  pic.Save(dir + "/shadow.png");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  static const char* const kUnderscore[3] = {"_normal", "_hover", "_pressed"};
  static const char* const kDash[3] = {"-normal", "-hover", "-press"};
  Background(dir);
  TitleButton(dir, "min", kUnderscore, MinGlyph, false);
  TitleButton(dir, "close", kUnderscore, CloseGlyph, true);
  TitleButton(dir, "menu", kUnderscore, MenuGlyph, false);
  TitleButton(dir, "normal2max", kDash, MaxGlyph, false);
  TitleButton(dir, "all2normal", kDash, RestoreGlyph, false);
  Shadow(dir);
  return 0;
}
