#pragma once
// A point or a direction in the plane, with the arithmetic of both.

#include <cmath>

namespace trellimap {

struct Vec {
  double x, y;
};

constexpr Vec operator+(const Vec& a, const Vec& b) { return {a.x + b.x, a.y + b.y}; }
constexpr Vec operator-(const Vec& a, const Vec& b) { return {a.x - b.x, a.y - b.y}; }
constexpr Vec operator-(const Vec& a) { return {-a.x, -a.y}; }
constexpr Vec operator*(double s, const Vec& a) { return {s * a.x, s * a.y}; }
constexpr Vec operator*(const Vec& a, double s) { return {a.x * s, a.y * s}; }
constexpr Vec operator/(const Vec& a, double s) { return {a.x / s, a.y / s}; }
constexpr Vec& operator+=(Vec& a, const Vec& b) { return a = a + b; }
constexpr Vec& operator-=(Vec& a, const Vec& b) { return a = a - b; }

constexpr double Dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y; }
// The z component of a × b: positive where b turns clockwise from a on the screen (y downwards).
constexpr double Cross(const Vec& a, const Vec& b) { return a.x * b.y - a.y * b.x; }
inline double Length(const Vec& a) { return std::hypot(a.x, a.y); }
inline double Distance(const Vec& a, const Vec& b) { return Length(b - a); }

}  // namespace trellimap
