// Each symbol is drawn in a design box 100 units high (y down) and as wide as
// it needs, then scaled to the glyph height. Strokes are whole dots, and line
// ends snap to dot centres (odd widths) or dot edges (even widths), so a
// 16-dot LCD symbol keeps one-dot lines and the printed sizes stay crisp.
#include "tools/mkfont/symbols.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {
constexpr double kPi = 3.14159265358979323846;

struct Pt {
  double u, v;
};

class Pen {
 public:
  Pen(Bitmap& b, double scale, int x0, int y0, int stroke) : b_(b), s_(scale), x0_(x0), y0_(y0), w_(stroke) {}

  int stroke(double k) const { return std::max(1, int(std::lround(w_ * k))); }

  // A line between two design points, k times the normal stroke.
  void line(double u0, double v0, double u1, double v1, double k = 1) {
    int w = stroke(k);
    seg(snap(X(u0), w), snap(Y(v0), w), snap(X(u1), w), snap(Y(v1), w), w);
  }
  void polyline(const std::vector<Pt>& p, double k = 1) {
    for (size_t i = 1; i < p.size(); ++i) line(p[i - 1].u, p[i - 1].v, p[i].u, p[i].v, k);
  }
  void outline(const std::vector<Pt>& p, double k = 1) {
    polyline(p, k);
    line(p.back().u, p.back().v, p.front().u, p.front().v, k);
  }
  void box(double u0, double v0, double u1, double v1, double k = 1) {
    outline({{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}}, k);
  }
  void fill_box(double u0, double v0, double u1, double v1) { fill({{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}}); }
  // A circle or an arc; angles in degrees, 0 to the right, counter-clockwise.
  void arc(double cu, double cv, double r, double a0 = 0, double a1 = 360, double k = 1) {
    int w = stroke(k);
    double cx = snap(X(cu), w), cy = snap(Y(cv), w), rr = std::round(r * s_);
    for (int y = int(cy - rr - w); y <= int(cy + rr + w); ++y)
      for (int x = int(cx - rr - w); x <= int(cx + rr + w); ++x) {
        double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
        double d = std::hypot(dx, dy);
        if (std::abs(d - rr) > w / 2.0 + 1e-9) continue;
        double a = std::atan2(-dy, dx) * 180 / kPi;
        while (a < a0) a += 360;
        while (a >= a0 + 360) a -= 360;
        if (a <= a1) b_.set(x, y);
      }
  }
  void disc(double cu, double cv, double r) {
    double cx = X(cu), cy = Y(cv), rr = r * s_;
    for (int y = int(cy - rr - 1); y <= int(cy + rr + 1); ++y)
      for (int x = int(cx - rr - 1); x <= int(cx + rr + 1); ++x)
        if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= rr + 1e-9) b_.set(x, y);
  }
  // A filled polygon: every dot whose centre lies inside.
  void fill(const std::vector<Pt>& p) {
    double top = 1e9, bottom = -1e9, left = 1e9, right = -1e9;
    for (const Pt& q : p) {
      top = std::min(top, Y(q.v)), bottom = std::max(bottom, Y(q.v));
      left = std::min(left, X(q.u)), right = std::max(right, X(q.u));
    }
    for (int y = int(top) - 1; y <= int(bottom) + 1; ++y)
      for (int x = int(left) - 1; x <= int(right) + 1; ++x) {
        double px = x + 0.5, py = y + 0.5;
        bool inside = false;
        for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
          double xi = X(p[i].u), yi = Y(p[i].v), xj = X(p[j].u), yj = Y(p[j].v);
          if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) inside = !inside;
        }
        if (inside) b_.set(x, y);
      }
  }
  // An arrow from (u0, v0) to its tip at (u1, v1) with a filled head.
  void arrow(double u0, double v0, double u1, double v1, double head = 30) {
    double du = u1 - u0, dv = v1 - v0, len = std::hypot(du, dv);
    double eu = du / len, ev = dv / len;
    double bu = u1 - eu * head, bv = v1 - ev * head;
    line(u0, v0, u1 - eu * head * 0.5, v1 - ev * head * 0.5);
    fill({{u1, v1}, {bu - ev * head * 0.55, bv + eu * head * 0.55}, {bu + ev * head * 0.55, bv - eu * head * 0.55}});
  }
  double X(double u) const { return x0_ + u * s_; }
  double Y(double v) const { return y0_ + v * s_; }
  double scale() const { return s_; }

 private:
  static double snap(double p, int w) { return (w % 2) ? std::floor(p) + 0.5 : std::round(p); }
  void seg(double x0, double y0, double x1, double y1, int w) {
    double r = w / 2.0 + 1e-9;
    double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    for (int y = int(std::min(y0, y1) - r - 1); y <= int(std::max(y0, y1) + r + 1); ++y)
      for (int x = int(std::min(x0, x1) - r - 1); x <= int(std::max(x0, x1) + r + 1); ++x) {
        double px = x + 0.5 - x0, py = y + 0.5 - y0;
        double t = len2 > 0 ? std::clamp((px * dx + py * dy) / len2, 0.0, 1.0) : 0;
        if (std::hypot(px - t * dx, py - t * dy) <= r) b_.set(x, y);
      }
  }
  Bitmap& b_;
  double s_;
  int x0_, y0_, w_;
};

std::vector<Pt> sine(double u0, double u1, double v, double amplitude, int periods = 1) {
  std::vector<Pt> p;
  for (int i = 0; i <= 32 * periods; ++i) {
    double t = double(i) / (32 * periods);
    p.push_back({u0 + (u1 - u0) * t, v - amplitude * std::sin(2 * kPi * periods * t)});
  }
  return p;
}

// The design width of each symbol (in units of a 100-unit-high box).
double design_width(uint16_t code) {
  switch (code) {
    case 533:
    case 534:
    case 535:
    case 537:
      return 120;  // battery, fuse, resistor, inductor
    case 527:
      return 110;  // left-right arrow
    default:
      return 100;
  }
}

void draw(uint16_t code, Pen& p, const Face& letters, Bitmap& b) {
  switch (code) {
    case 513:  // earth ground
      p.line(50, 4, 50, 48);
      p.line(12, 48, 88, 48);
      p.line(27, 67, 73, 67);
      p.line(41, 86, 59, 86);
      break;
    case 514:  // protective earth: ground in a circle
      p.arc(50, 50, 46);
      p.line(50, 14, 50, 44);
      p.line(25, 44, 75, 44);
      p.line(34, 60, 66, 60);
      p.line(43, 76, 57, 76);
      break;
    case 515:  // chassis
      p.line(50, 4, 50, 52);
      p.line(16, 52, 88, 52);
      for (double u : {16.0, 52.0, 88.0}) p.line(u, 52, u - 16, 88);
      break;
    case 516:  // signal ground: open triangle
      p.line(50, 4, 50, 42);
      p.outline({{10, 42}, {90, 42}, {50, 92}});
      break;
    case 517:  // double insulation: a square in a square
      p.box(6, 6, 94, 94);
      p.box(30, 30, 70, 70);
      break;
    case 518:  // alternating current
      p.polyline(sine(6, 94, 50, 26));
      break;
    case 519:  // direct current: solid over dashed
      p.line(6, 36, 94, 36);
      for (double u : {6.0, 40.0, 74.0}) p.line(u, 66, u + 20, 66);
      break;
    case 520:  // AC or DC
      p.line(6, 18, 94, 18);
      for (double u : {6.0, 40.0, 74.0}) p.line(u, 40, u + 20, 40);
      p.polyline(sine(6, 94, 74, 16));
      break;
    case 521:  // high voltage: lightning bolt in a triangle
      p.outline({{50, 4}, {96, 94}, {4, 94}});
      p.polyline({{60, 34}, {40, 64}, {60, 64}, {42, 90}});
      break;
    case 522:  // warning: exclamation mark in a triangle
      p.outline({{50, 4}, {96, 94}, {4, 94}});
      p.line(50, 34, 50, 64, 1.2);
      p.disc(50, 80, 6.5);
      break;
    case 523:
      p.arrow(6, 50, 94, 50, 36);
      break;
    case 524:
      p.arrow(94, 50, 6, 50, 36);
      break;
    case 525:
      p.arrow(50, 94, 50, 6, 36);
      break;
    case 526:
      p.arrow(50, 6, 50, 94, 36);
      break;
    case 527:  // left and right
      p.arrow(55, 50, 104, 50, 34);
      p.arrow(55, 50, 6, 50, 34);
      break;
    case 529:  // network: one node over three
      p.fill_box(36, 4, 64, 28);
      p.line(50, 28, 50, 52);
      p.line(16, 52, 84, 52);
      for (double u : {16.0, 50.0, 84.0}) {
        p.line(u, 52, u, 70);
        p.fill_box(u - 13, 70, u + 13, 96);
      }
      break;
    case 530:  // fibre optic: a cable whose end sends out light
      p.line(4, 50, 40, 50, 1.4);
      p.fill_box(36, 36, 58, 64);
      p.line(66, 50, 96, 50);
      p.line(64, 40, 92, 14);
      p.line(64, 60, 92, 86);
      break;
    case 531:  // antenna
      p.line(50, 30, 50, 96);
      p.line(50, 30, 14, 4);
      p.line(50, 30, 86, 4);
      p.line(50, 30, 50, 4);
      break;
    case 532:  // monitor
      p.box(6, 8, 94, 68);
      p.line(50, 68, 50, 84);
      p.line(24, 90, 76, 90, 1.4);
      break;
    case 533:  // battery, plus pole on the right
      p.box(6, 24, 104, 76);
      p.fill_box(104, 38, 116, 62);
      p.line(72, 50, 92, 50);
      p.line(82, 40, 82, 60);
      p.line(18, 50, 38, 50);
      break;
    case 534:  // fuse
      p.line(2, 50, 22, 50);
      p.line(98, 50, 118, 50);
      p.box(22, 30, 98, 70);
      p.line(22, 50, 98, 50);
      break;
    case 535:  // resistor
      p.polyline({{2, 50}, {18, 50}, {25, 24}, {39, 76}, {53, 24}, {67, 76}, {81, 24}, {95, 76}, {102, 50}, {118, 50}});
      break;
    case 536:  // capacitor
      p.line(4, 50, 41, 50);
      p.line(59, 50, 96, 50);
      p.line(41, 14, 41, 86, 1.3);
      p.line(59, 14, 59, 86, 1.3);
      break;
    case 537:  // inductor: three turns
      p.line(2, 66, 12, 66);
      p.line(108, 66, 118, 66);
      for (int i = 0; i < 3; ++i) p.arc(28 + 32 * i, 66, 16, 0, 180);
      break;
    case 538:  // diode
      p.line(4, 50, 96, 50);
      p.fill({{28, 18}, {28, 82}, {68, 50}});
      p.line(70, 18, 70, 82);
      break;
    case 539:  // light-emitting diode
      p.line(4, 62, 84, 62);
      p.fill({{20, 36}, {20, 88}, {54, 62}});
      p.line(56, 36, 56, 88);
      p.arrow(56, 30, 80, 6, 16);
      p.arrow(72, 40, 96, 16, 16);
      break;
    case 540:  // switch, open
      p.line(4, 72, 22, 72);
      p.line(78, 72, 96, 72);
      p.disc(25, 72, 7);
      p.disc(75, 72, 7);
      p.line(25, 72, 76, 36);
      break;
    case 541:  // transformer: two overlapping windings
      p.arc(34, 50, 30);
      p.arc(66, 50, 30);
      break;
    case 542:  // printer with a sheet coming out
      p.box(24, 6, 76, 34);
      p.box(6, 34, 94, 74);
      p.fill_box(22, 60, 78, 66);
      p.box(24, 66, 76, 96);
      p.line(34, 78, 66, 78);
      p.line(34, 88, 58, 88);
      break;
    case 543: {  // motor: M in a circle
      p.arc(50, 50, 46);
      int rows = std::max(5, int(std::lround(48 * p.scale())));
      Rendered r;
      int lo = 64, hi = rows * 128;
      while (hi - lo > 1) {  // the largest M whose height is `rows`
        int mid = (lo + hi) / 2;
        if (letters.render(U'M', mid, r) && r.rows <= rows)
          lo = mid;
        else
          hi = mid;
      }
      letters.render(U'M', lo, r);
      int x = int(std::lround(p.X(50) - r.width / 2.0)), y = int(std::lround(p.Y(50) - r.rows / 2.0));
      for (int j = 0; j < r.rows; ++j)
        for (int i = 0; i < r.width; ++i)
          if (r.at(i, j)) b.set(x + i, y + j);
      break;
    }
    case 544:  // power: broken circle with a bar
      p.arc(50, 56, 38, -50, 230, 1.2);
      p.line(50, 4, 50, 50, 1.2);
      break;
    case 545:  // lamp: circle with a cross
      p.arc(50, 50, 44);
      p.line(19, 19, 81, 81);
      p.line(81, 19, 19, 81);
      break;
    case 546:  // wall socket with two pins and earth clips
      p.arc(50, 50, 45);
      p.disc(30, 50, 8);
      p.disc(70, 50, 8);
      p.line(50, 10, 50, 20);
      p.line(50, 80, 50, 90);
      break;
    case 547:  // lightning bolt
      p.fill({{62, 2}, {20, 56}, {46, 56}, {32, 98}, {80, 40}, {54, 40}, {70, 2}});
      break;
    case 548:  // cross
      p.line(14, 14, 86, 86, 1.6);
      p.line(86, 14, 14, 86, 1.6);
      break;
    case 549:  // USB
      p.line(50, 22, 50, 86, 1.2);
      p.fill({{50, 2}, {38, 22}, {62, 22}});
      p.polyline({{50, 74}, {22, 56}, {22, 40}});
      p.disc(22, 34, 8);
      p.polyline({{50, 62}, {78, 46}, {78, 32}});
      p.fill_box(70, 18, 86, 32);
      p.disc(50, 88, 9);
      break;
    case 550:  // check mark
      p.polyline({{8, 54}, {38, 86}, {92, 12}}, 1.6);
      break;
    case 551:  // light bulb
      p.arc(50, 38, 32, -50, 230);
      p.line(29.4, 62.5, 36, 74);
      p.line(70.6, 62.5, 64, 74);
      p.line(36, 76, 64, 76);
      p.line(36, 86, 64, 86);
      p.line(44, 95, 56, 95);
      break;
    case 552:  // loudspeaker with sound waves
      p.fill({{6, 34}, {26, 34}, {52, 8}, {52, 92}, {26, 66}, {6, 66}});
      p.arc(52, 50, 22, -45, 45);
      p.arc(52, 50, 40, -45, 45);
      break;
    default:
      throw std::runtime_error("no drawing for symbol " + std::to_string(code));
  }
}
}  // namespace

int symbol_margin(int height) { return std::max(1, int(std::lround(height * 0.06))); }

Bitmap draw_symbol(uint16_t code, int height, const Face& letters) {
  int margin = symbol_margin(height);
  int box = height - 2 * margin;
  double scale = box / 100.0;
  int stroke = std::max(1, int(std::lround(box * 0.085)));
  int side = margin;
  int width = int(std::ceil(design_width(code) * scale)) + 2 * side;
  Bitmap b(width, height);
  Pen p(b, scale, side, margin, stroke);
  draw(code, p, letters, b);
  return b;
}
