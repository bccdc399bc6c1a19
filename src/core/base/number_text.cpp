#include "core/base/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

// A positive number as significant decimal digits d0 d1 d2 ... (d0 not zero)
// and the power of ten of d0: value = d0.d1d2... x 10^exponent. Zero has no
// digits.
struct TDecimal {
  std::string digits;
  int exponent = 0;
};

// The exact decimal expansion of |value| (a double has at most 1074
// fractional digits), so that rounding happens once, half away from zero,
// at the digit the caller asks for.
TDecimal ExactDecimal(double value) {
  char buf[1100 + 330];
  auto res =
      std::to_chars(buf, buf + sizeof(buf), std::fabs(value), std::chars_format::fixed, 1080);
  TDecimal d;
  int pointAt = -1, firstNonZero = -1, position = 0;
  for (char* p = buf; p != res.ptr; ++p) {
    if (*p == '.') {
      pointAt = position;
      continue;
    }
    if (firstNonZero < 0 && *p != '0') firstNonZero = position;
    if (firstNonZero >= 0) d.digits += *p;
    ++position;
  }
  if (firstNonZero < 0) return TDecimal{};
  if (pointAt < 0) pointAt = position;
  d.exponent = pointAt - firstNonZero - 1;
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Keeps `keep` significant digits, rounding half away from zero; a carry out
// of the first digit raises the exponent. keep <= 0 rounds at a position
// before the first digit.
void RoundTo(TDecimal& d, int keep) {
  if (d.digits.empty() || int(d.digits.size()) <= keep) return;
  if (keep < 0) {
    d = TDecimal{};
    return;
  }
  const bool up = d.digits[size_t(keep)] >= '5';
  d.digits.resize(size_t(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[size_t(i)] == '9') d.digits[size_t(i--)] = '0';
    if (i >= 0) {
      ++d.digits[size_t(i)];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exponent;
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d = TDecimal{};
}

char DigitAt(const TDecimal& d, int power) {
  const int index = d.exponent - power;
  if (d.digits.empty() || index < 0 || index >= int(d.digits.size())) return '0';
  return d.digits[size_t(index)];
}

std::string NonFinite(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

}  // namespace

std::string FormatFixed(double value, int decimals, int precision) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (decimals < 0) decimals = 0;
  if (precision < 1) precision = 1;
  TDecimal d = ExactDecimal(value);
  if (!d.digits.empty()) {
    const int byDecimals = d.exponent + 1 + decimals;
    RoundTo(d, byDecimals < precision ? byDecimals : precision);
  }
  std::string out;
  if (value < 0 && !d.digits.empty()) out += '-';
  const int top = d.digits.empty() || d.exponent < 0 ? 0 : d.exponent;
  for (int p = top; p >= 0; --p) out += DigitAt(d, p);
  if (decimals > 0) {
    out += '.';
    for (int p = -1; p >= -decimals; --p) out += DigitAt(d, p);
  }
  return out;
}

std::string FormatExponent(double value, int precision, int minExponentDigits) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (precision < 1) precision = 1;
  TDecimal d = ExactDecimal(value);
  RoundTo(d, precision);
  std::string out;
  if (value < 0 && !d.digits.empty()) out += '-';
  for (int i = 0; i < precision; ++i) {
    out += i < int(d.digits.size()) ? d.digits[size_t(i)] : '0';
    if (i == 0 && precision > 1) out += '.';
  }
  out += 'E';
  out += d.exponent < 0 ? '-' : '+';
  std::string e = FormatInt(std::abs(d.exponent));
  const size_t minDigits = size_t(minExponentDigits < 1 ? 1 : minExponentDigits);
  if (e.size() < minDigits) e.insert(0, minDigits - e.size(), '0');
  return out + e;
}

std::string FormatInt(long long value) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof(buf), value);
  return std::string(buf, res.ptr);
}

std::string FormatGrouped(long long value) {
  const std::string digits = FormatInt(value);
  const size_t first = digits[0] == '-' ? 1 : 0;
  std::string out = digits.substr(0, first);
  for (size_t i = first; i < digits.size(); ++i) {
    if (i > first && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}
