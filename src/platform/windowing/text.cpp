// Formatting into bounded buffers, and message boxes.

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/core/layer.h"
#include "platform/windowing/windowing.h"

namespace platform {
namespace {

// Everything the format may ask for, cut at the buffer's end.
constexpr std::size_t kBufferSize = 1024;
// Widths beyond the buffer change nothing; the cap keeps the parse from overflowing.
constexpr int kMaxWidth = 1 << 20;

class BoundedWriter {
 public:
  explicit BoundedWriter(char* out) : out_(out) {}
  void Put(char c) {
    if (length_ + 1 < kBufferSize) out_[length_++] = c;
  }
  void Repeat(char c, long count) {
    for (long i = 0; i < count && length_ + 1 < kBufferSize; ++i) Put(c);
  }
  int Finish() {
    out_[length_] = '\0';
    return static_cast<int>(length_);
  }

 private:
  char* out_;
  std::size_t length_ = 0;
};

struct Conversion {
  bool left = false;   // '-'
  bool zeros = false;  // '0'
  int width = 0;
  bool isLong = false;  // 'l': the original platform's 32-bit long
};

// The field: `sign` then `body`, padded to the width.
void PutField(BoundedWriter& out, const Conversion& c, const std::string& sign,
              const std::string& body) {
  const long padding = static_cast<long>(c.width) - static_cast<long>(sign.size() + body.size());
  const bool zeroPad = c.zeros && !c.left;
  if (!c.left && !zeroPad) out.Repeat(' ', padding);
  for (char ch : sign) out.Put(ch);
  if (zeroPad) out.Repeat('0', padding);
  for (char ch : body) out.Put(ch);
  if (c.left) out.Repeat(' ', padding);
}

std::string Digits(std::uint32_t value, unsigned base, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value % base]);
    value /= base;
  } while (value != 0);
  return text;
}

// A 'l' argument is read as this machine's long and cut to 32 bits, the width callers
// mean; without 'l' it is an int.
std::uint32_t TakeInteger(const Conversion& c, va_list& args) {
  if (c.isLong) return static_cast<std::uint32_t>(va_arg(args, unsigned long));
  return va_arg(args, unsigned int);
}

void PutConversion(BoundedWriter& out, char type, const Conversion& c, va_list& args) {
  switch (type) {
    case 'd':
    case 'i': {
      const auto value = static_cast<std::int32_t>(TakeInteger(c, args));
      const std::uint32_t magnitude =
          value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
      PutField(out, c, value < 0 ? "-" : "", Digits(magnitude, 10, false));
      break;
    }
    case 'u':
      PutField(out, c, "", Digits(TakeInteger(c, args), 10, false));
      break;
    case 'x':
    case 'X':
      PutField(out, c, "", Digits(TakeInteger(c, args), 16, type == 'X'));
      break;
    case 'c':
      PutField(out, Conversion{c.left, false, c.width, false}, "",
               std::string(1, static_cast<char>(va_arg(args, int))));
      break;
    case 's': {
      const char* text = va_arg(args, const char*);
      PutField(out, Conversion{c.left, false, c.width, false}, "", text ? text : "(null)");
      break;
    }
    default:  // '%' and anything unknown stand for themselves
      out.Put(type);
      break;
  }
}

// Reads flags, width and length after '%'; returns the conversion character's position.
const char* ParseConversion(const char* p, Conversion& c) {
  for (; *p == '-' || *p == '0'; ++p) (*p == '-' ? c.left : c.zeros) = true;
  for (; *p >= '0' && *p <= '9'; ++p) c.width = std::min(kMaxWidth, c.width * 10 + (*p - '0'));
  for (; *p == 'l' || *p == 'h'; ++p) c.isLong = c.isLong || *p == 'l';
  return p;
}

int Format(char* buffer, const char* format, va_list& args) {
  BoundedWriter out(buffer);
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      out.Put(*p);
      continue;
    }
    Conversion c;
    p = ParseConversion(p + 1, c);
    if (*p == '\0') break;
    PutConversion(out, *p, c, args);
  }
  return out.Finish();
}

}  // namespace
}  // namespace platform

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  if (buffer == nullptr) return 0;
  if (format == nullptr) {
    *buffer = '\0';
    return 0;
  }
  va_list args;
  va_start(args, format);
  const int written = platform::Format(buffer, format, args);
  va_end(args);
  return written;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT) {
  const platform::Window* w = platform::FindWindow(owner);
  platform::ActiveHost().MessageBox(w != nullptr ? w->hostId : 0, caption ? caption : "Error",
                                    text ? text : "");
  return IDOK;
}
