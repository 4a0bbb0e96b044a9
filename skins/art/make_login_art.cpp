// Draws every picture of the login skin into a folder:
//   make_login_art <output folder>
// The output is committed under skins/login/; rerun after changing this file.
// bg.png is then written once more with the "sub" filter on every row (the
// same pixels), which the launcher decodes in two thirds of the time cairo's
// own choice of filters takes, before the login window's first frame:
//   convert bg.png -define png:compression-filter=1 -define png:compression-level=9 \
//     -define png:exclude-chunks=date,time,gAMA,cHRM,sRGB,bKGD,tEXt,zTXt,iTXt,pHYs PNG32:bg.png
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ArtKit.h"

using namespace art;

namespace {

constexpr int kWidth = 1100;
constexpr int kHeight = 720;
// The painted panel; everything outside it stays transparent.
constexpr double kPanelX = 88, kPanelY = 208, kPanelW = 926, kPanelH = 492, kPanelR = 12;

const Rgba kGold = Hex(0xE3BE6A);
const Rgba kGoldDeep = Hex(0xB78235);

// A fixed-seed generator so that the stars and ridges come out the same every run.
struct Lcg {
  unsigned state;
  double Next() {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / 16777216.0;
  }
};

void Ridge(cairo_t* cr, Lcg& rng, double baseY, double amplitude, double roughness, const Rgba& color) {
  cairo_move_to(cr, kPanelX, kPanelY + kPanelH);
  double y = baseY;
  for (double x = kPanelX; x <= kPanelX + kPanelW + 20; x += 14) {
    y += (rng.Next() - 0.5) * roughness;
    y = std::fmin(std::fmax(y, baseY - amplitude), baseY + amplitude * 0.5);
    cairo_line_to(cr, x, y);
  }
  cairo_line_to(cr, kPanelX + kPanelW + 20, kPanelY + kPanelH);
  cairo_close_path(cr);
  SetColor(cr, color);
  cairo_fill(cr);
}

void Castle(cairo_t* cr, double x, double groundY, const Rgba& color) {
  SetColor(cr, color);
  struct Tower {
    double dx, w, h;
  };
  const Tower towers[] = {{0, 16, 70}, {22, 26, 108}, {54, 14, 58}, {74, 20, 86}, {100, 12, 48}};
  cairo_rectangle(cr, x - 6, groundY - 36, 128, 40);
  cairo_fill(cr);
  for (const Tower& t : towers) {
    cairo_rectangle(cr, x + t.dx, groundY - t.h, t.w, t.h);
    cairo_fill(cr);
    cairo_move_to(cr, x + t.dx - 3, groundY - t.h);
    cairo_line_to(cr, x + t.dx + t.w / 2, groundY - t.h - t.w * 1.4);
    cairo_line_to(cr, x + t.dx + t.w + 3, groundY - t.h);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
  // Lit windows.
  cairo_set_source_rgba(cr, 1.0, 0.78, 0.4, 0.9);
  const double windows[][2] = {{30, 80}, {38, 62}, {80, 60}, {8, 44}, {58, 40}};
  for (const auto& w : windows) {
    cairo_rectangle(cr, x + w[0], groundY - w[1], 3, 5);
    cairo_fill(cr);
  }
}

void Background(const std::string& dir) {
  Picture pic(kWidth, kHeight);
  cairo_t* cr = pic.cr();

  SoftShadow(cr, kPanelX, kPanelY, kPanelW, kPanelH, kPanelR, 18, 0.55);

  cairo_save(cr);
  RoundedRect(cr, kPanelX, kPanelY, kPanelW, kPanelH, kPanelR);
  cairo_clip(cr);

  // Twilight sky.
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, kPanelY, 0, kPanelY + kPanelH);
  cairo_pattern_add_color_stop_rgb(sky, 0.0, 0.05, 0.06, 0.15);
  cairo_pattern_add_color_stop_rgb(sky, 0.45, 0.20, 0.14, 0.34);
  cairo_pattern_add_color_stop_rgb(sky, 0.78, 0.64, 0.32, 0.36);
  cairo_pattern_add_color_stop_rgb(sky, 1.0, 0.85, 0.52, 0.34);
  cairo_set_source(cr, sky);
  cairo_paint(cr);
  cairo_pattern_destroy(sky);

  Lcg rng{20261207u};
  for (int i = 0; i < 220; ++i) {
    const double x = kPanelX + rng.Next() * kPanelW;
    const double y = kPanelY + rng.Next() * kPanelH * 0.55;
    const double r = 0.4 + rng.Next() * 1.1;
    cairo_set_source_rgba(cr, 1, 0.96, 0.88, 0.25 + rng.Next() * 0.6);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    cairo_fill(cr);
  }

  // Moon with a halo.
  const double mx = 300, my = 392;
  cairo_pattern_t* halo = cairo_pattern_create_radial(mx, my, 30, mx, my, 170);
  cairo_pattern_add_color_stop_rgba(halo, 0, 1.0, 0.9, 0.75, 0.35);
  cairo_pattern_add_color_stop_rgba(halo, 1, 1.0, 0.9, 0.75, 0.0);
  cairo_set_source(cr, halo);
  cairo_arc(cr, mx, my, 170, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(halo);
  cairo_pattern_t* moon = cairo_pattern_create_radial(mx - 10, my - 12, 4, mx, my, 44);
  cairo_pattern_add_color_stop_rgb(moon, 0, 1.0, 0.98, 0.92);
  cairo_pattern_add_color_stop_rgb(moon, 1, 0.95, 0.83, 0.66);
  cairo_set_source(cr, moon);
  cairo_arc(cr, mx, my, 44, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(moon);

  Ridge(cr, rng, 560, 70, 26, Hex(0x3B2C58, 0.95));
  Castle(cr, 420, 606, Hex(0x241B3C));
  // The hill the castle stands on.
  cairo_save(cr);
  cairo_translate(cr, 478, 640);
  cairo_scale(cr, 150, 52);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
  SetColor(cr, Hex(0x241B3C));
  cairo_fill(cr);
  Ridge(cr, rng, 610, 50, 22, Hex(0x241B3C));
  Ridge(cr, rng, 655, 30, 16, Hex(0x140F24));

  // Mist over the valley.
  VerticalGradient(cr, 560, kPanelY + kPanelH, Hex(0xC78A8A, 0.0), Hex(0x0C0A16, 0.65));
  cairo_rectangle(cr, kPanelX, 560, kPanelW, kPanelY + kPanelH - 560);
  cairo_fill(cr);

  // Header strip behind the logo and the portal links.
  VerticalGradient(cr, kPanelY, kPanelY + 92, Hex(0x070912, 0.92), Hex(0x070912, 0.55));
  cairo_rectangle(cr, kPanelX, kPanelY, kPanelW, 92);
  cairo_fill(cr);
  SetColor(cr, Hex(0xE3BE6A, 0.45));
  cairo_rectangle(cr, kPanelX, kPanelY + 92, kPanelW, 1);
  cairo_fill(cr);

  // Form card behind the two pages of the form.
  const double cx = 562, cy = 298, cw = 320, ch = 306;
  SoftShadow(cr, cx, cy, cw, ch, 10, 10, 0.6);
  RoundedRect(cr, cx, cy, cw, ch, 10);
  VerticalGradient(cr, cy, cy + ch, Hex(0x121830, 0.90), Hex(0x0A0E1E, 0.94));
  cairo_fill_preserve(cr);
  cairo_set_line_width(cr, 1);
  SetColor(cr, Hex(0xE3BE6A, 0.55));
  cairo_stroke(cr);

  // Footer line.
  VerticalGradient(cr, 660, kPanelY + kPanelH, Hex(0x05060C, 0.0), Hex(0x05060C, 0.8));
  cairo_rectangle(cr, kPanelX, 660, kPanelW, kPanelY + kPanelH - 660);
  cairo_fill(cr);
  Text(cr, "抵制不良游戏，拒绝盗版游戏。注意自我保护，谨防受骗上当。适度游戏益脑，沉迷游戏伤身。",
       "WenQuanYi Micro Hei 12px", kPanelX, 668, kPanelW, 16, Hex(0xB7AFC8, 0.85));
  Text(cr, "© Lumora 游戏中心", "WenQuanYi Micro Hei 11px", kPanelX, 684, kPanelW, 14, Hex(0x8C86A0, 0.85));
  cairo_restore(cr);

  // Gold frame around the panel.
  RoundedRect(cr, kPanelX + 0.5, kPanelY + 0.5, kPanelW - 1, kPanelH - 1, kPanelR);
  cairo_set_line_width(cr, 1.5);
  cairo_pattern_t* frame =
      cairo_pattern_create_linear(kPanelX, kPanelY, kPanelX + kPanelW, kPanelY + kPanelH);
  cairo_pattern_add_color_stop_rgba(frame, 0, kGold.r, kGold.g, kGold.b, 0.95);
  cairo_pattern_add_color_stop_rgba(frame, 0.5, kGoldDeep.r, kGoldDeep.g, kGoldDeep.b, 0.5);
  cairo_pattern_add_color_stop_rgba(frame, 1, kGold.r, kGold.g, kGold.b, 0.95);
  cairo_set_source(cr, frame);
  cairo_stroke(cr);
  cairo_pattern_destroy(frame);

  // Title in the header, with a soft glow.
  for (int i = 6; i > 0; --i) {
    Text(cr, "MORVAINE", "DejaVu Serif Bold 42px", 122 - i * 0.0, 214, 420, 60, Hex(0xFFB347, 0.03 * i),
         Align::Left, 6);
  }
  cairo_save(cr);
  Text(cr, "MORVAINE", "DejaVu Serif Bold 42px", 120, 212, 420, 60, Hex(0x2A1A08, 0.8), Align::Left, 6);
  cairo_restore(cr);
  Text(cr, "MORVAINE", "DejaVu Serif Bold 42px", 118, 209, 420, 60, Hex(0xF2D38A), Align::Left, 6);
  Text(cr, "莫 尔 维 恩  ·  永 夜 王 座", "WenQuanYi Micro Hei 14px", 122, 266, 400, 22, Hex(0xD9C9A3, 0.9),
       Align::Left);

  // A line of welcome text over the landscape.
  Text(cr, "踏入永夜，唤醒沉睡的王座", "WenQuanYi Micro Hei 22px", 130, 470, 380, 34, Hex(0xF6E7C8, 0.95),
       Align::Left);
  Text(cr, "全新资料片「星辉之誓」现已开启", "WenQuanYi Micro Hei 14px", 132, 506, 380, 22,
       Hex(0xE0CFEA, 0.85), Align::Left);

  pic.Save(dir + "/bg.png");
}

enum class State { Normal, Hover, Pressed };
const char* Suffix(State s) {
  switch (s) {
    case State::Normal:
      return "link";
    case State::Hover:
      return "hover";
    case State::Pressed:
      return "click";
  }
  return "link";
}

void LinkButton(const std::string& dir, const std::string& name, const std::string& label) {
  for (State s : {State::Normal, State::Hover, State::Pressed}) {
    Picture pic(127, 40);
    cairo_t* cr = pic.cr();
    RoundedRect(cr, 1, 1, 125, 38, 6);
    if (s == State::Normal) VerticalGradient(cr, 0, 40, Hex(0x2A3152, 0.92), Hex(0x191E36, 0.92));
    if (s == State::Hover) VerticalGradient(cr, 0, 40, Hex(0x46507E), Hex(0x2A325A));
    if (s == State::Pressed) VerticalGradient(cr, 0, 40, Hex(0x141830), Hex(0x222A4C));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    SetColor(cr, s == State::Normal ? Hex(0xE3BE6A, 0.45) : Hex(0xE3BE6A, 0.95));
    cairo_stroke(cr);
    const double dy = s == State::Pressed ? 1 : 0;
    Text(cr, label, "WenQuanYi Micro Hei 15px", 0, dy, 127, 40,
         s == State::Normal ? Hex(0xE6D7B0) : Hex(0xFFF4D6));
    pic.Save(dir + "/" + name + "_" + Suffix(s) + ".png");
  }
}

void WindowButton(const std::string& dir, const std::string& name, int w, int h, bool close) {
  for (State s : {State::Normal, State::Hover, State::Pressed}) {
    Picture pic(w, h);
    cairo_t* cr = pic.cr();
    RoundedRect(cr, 0.5, 0.5, w - 1, h - 1, 4);
    Rgba fill = Hex(0xFFFFFF, 0.06);
    if (s == State::Hover) fill = close ? Hex(0xC8403A, 0.95) : Hex(0xFFFFFF, 0.22);
    if (s == State::Pressed) fill = close ? Hex(0x8E2420, 0.95) : Hex(0xFFFFFF, 0.12);
    SetColor(cr, fill);
    cairo_fill(cr);
    SetColor(cr, Hex(0xF3E7CC, s == State::Normal ? 0.8 : 1.0));
    cairo_set_line_width(cr, 2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    const double cx = w / 2.0, cy = h / 2.0;
    if (close) {
      cairo_move_to(cr, cx - 6, cy - 6);
      cairo_line_to(cr, cx + 6, cy + 6);
      cairo_move_to(cr, cx + 6, cy - 6);
      cairo_line_to(cr, cx - 6, cy + 6);
    } else {
      cairo_move_to(cr, cx - 6, cy + 1);
      cairo_line_to(cr, cx + 6, cy + 1);
    }
    cairo_stroke(cr);
    pic.Save(dir + "/" + name + "_" + Suffix(s) + ".png");
  }
}

void UserIcon(cairo_t* cr, double x, double y, const Rgba& c) {
  SetColor(cr, c);
  cairo_arc(cr, x + 10, y + 6, 4.5, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_arc(cr, x + 10, y + 20, 8.5, M_PI, 2 * M_PI);
  cairo_fill(cr);
}

void LockIcon(cairo_t* cr, double x, double y, const Rgba& c) {
  SetColor(cr, c);
  cairo_set_line_width(cr, 2);
  cairo_arc(cr, x + 10, y + 8, 4.5, M_PI, 2 * M_PI);
  cairo_line_to(cr, x + 14.5, y + 10);
  cairo_move_to(cr, x + 5.5, y + 8);
  cairo_line_to(cr, x + 5.5, y + 10);
  cairo_stroke(cr);
  RoundedRect(cr, x + 2, y + 10, 16, 11, 2);
  cairo_fill(cr);
}

void InputBox(const std::string& dir, const std::string& name, bool lock) {
  for (State s : {State::Normal, State::Hover, State::Pressed}) {
    Picture pic(280, 40);
    cairo_t* cr = pic.cr();
    // The edit fills its rectangle with white before drawing this picture,
    // so the picture is opaque everywhere: its corners carry the card colour.
    SetColor(cr, Hex(0x10152B));
    cairo_paint(cr);
    if (s == State::Pressed) {
      RoundedRect(cr, 0.5, 0.5, 279, 39, 6);
      SetColor(cr, Hex(0xE3BE6A, 0.35));
      cairo_fill(cr);
    }
    // A white field: the edit window that opens for typing is drawn in the
    // system's colours (white), and it then sits in the field unseen.
    RoundedRect(cr, 1.5, 1.5, 277, 37, 5);
    SetColor(cr, Hex(0xFFFFFF));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    Rgba border = Hex(0x9AA3C2);
    if (s == State::Hover) border = Hex(0x6E7BB0);
    if (s == State::Pressed) border = Hex(0xD4A64E);
    SetColor(cr, border);
    cairo_stroke(cr);
    const Rgba icon = s == State::Pressed ? Hex(0xB78235) : Hex(0x8C95B6);
    if (lock) {
      LockIcon(cr, 10, 9, icon);
    } else {
      UserIcon(cr, 10, 9, icon);
    }
    SetColor(cr, Hex(0xD5DAE8));
    cairo_rectangle(cr, 36, 10, 1, 20);
    cairo_fill(cr);
    pic.Save(dir + "/" + name + "_" + Suffix(s) + ".png");
  }
}

void GoldButton(const std::string& dir, const std::string& name, int w, int h, double bodyY, double bodyH,
                const std::string& label, const std::string& font) {
  for (State s : {State::Normal, State::Hover, State::Pressed}) {
    Picture pic(w, h);
    cairo_t* cr = pic.cr();
    const double x = 1, bw = w - 2;
    const double dy = s == State::Pressed ? 1 : 0;
    if (s != State::Pressed) SoftShadow(cr, x + 3, bodyY + 3, bw - 6, bodyH - 4, 8, 6, 0.7);
    RoundedRect(cr, x, bodyY + dy, bw, bodyH, 7);
    if (s == State::Normal) VerticalGradient(cr, bodyY, bodyY + bodyH, Hex(0xF2CF7A), Hex(0xB97E2E));
    if (s == State::Hover) VerticalGradient(cr, bodyY, bodyY + bodyH, Hex(0xFFE39E), Hex(0xD39A40));
    if (s == State::Pressed) VerticalGradient(cr, bodyY, bodyY + bodyH, Hex(0xC89A48), Hex(0xA06A22));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    SetColor(cr, Hex(0xFFF3C8, 0.8));
    cairo_stroke(cr);
    // Gloss on the upper half.
    RoundedRect(cr, x + 3, bodyY + dy + 2, bw - 6, bodyH / 2 - 2, 5);
    SetColor(cr, Hex(0xFFFFFF, s == State::Pressed ? 0.06 : 0.16));
    cairo_fill(cr);
    Text(cr, label, font, 0, bodyY + dy + 1, w, bodyH, Hex(0xFFF6DF, 0.5));
    Text(cr, label, font, 0, bodyY + dy, w, bodyH, Hex(0x3A2206));
    pic.Save(dir + "/" + name + "_" + Suffix(s) + ".png");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  Background(dir);
  WindowButton(dir, "zx", 24, 24, false);
  WindowButton(dir, "close", 31, 30, true);
  LinkButton(dir, "gfwz", "官方网站");
  LinkButton(dir, "czzx", "充值中心");
  LinkButton(dir, "yxlt", "游戏论坛");
  InputBox(dir, "user_input", false);
  InputBox(dir, "pwd_input", true);
  GoldButton(dir, "login_btn", 280, 95, 16, 60, "登  录", "WenQuanYi Micro Hei Bold 24px");
  GoldButton(dir, "reg_btn", 210, 65, 10, 46, "立即注册", "WenQuanYi Micro Hei Bold 20px");
  return 0;
}
