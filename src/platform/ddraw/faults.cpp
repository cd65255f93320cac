// Injected DirectDraw failures, by call.

#include "platform/ddraw/faults.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string_view>
#include <utility>

#include "platform/core/layer.h"

namespace platform {
namespace {

struct Fault {
  HRESULT code = 0;
  int skip = 0;
  int times = -1;
};

std::map<DdCall, Fault>& Table() {
  static std::map<DdCall, Fault> table;
  return table;
}

constexpr std::array<std::pair<std::string_view, DdCall>, 10> kNames{{
    {"DirectDrawCreate", DdCall::DirectDrawCreate},
    {"SetCooperativeLevel", DdCall::SetCooperativeLevel},
    {"CreatePrimarySurface", DdCall::CreatePrimarySurface},
    {"CreateOffscreenSurface", DdCall::CreateOffscreenSurface},
    {"CreateClipper", DdCall::CreateClipper},
    {"ClipperSetHWnd", DdCall::ClipperSetHWnd},
    {"ClipperSetClipList", DdCall::ClipperSetClipList},
    {"SurfaceSetClipper", DdCall::SurfaceSetClipper},
    {"Lock", DdCall::Lock},
    {"Blt", DdCall::Blt},
}};

// "0x" and hexadecimal digits, or decimal digits; 32 bits, not 0.
bool ParseCode(const std::string& text, HRESULT& code) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > 10) return false;
  for (char c : digits) {
    const bool ok =
        hex ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : (c >= '0' && c <= '9');
    if (!ok) return false;
  }
  const unsigned long long value = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
  if (value == 0 || value > 0xFFFFFFFFull) return false;
  code = static_cast<HRESULT>(static_cast<std::uint32_t>(value));
  return true;
}

}  // namespace

HRESULT TakeFault(DdCall call) {
  auto it = Table().find(call);
  if (it == Table().end()) return 0;
  Fault& fault = it->second;
  if (fault.skip > 0) {
    --fault.skip;
    return 0;
  }
  if (fault.times == 0) return 0;
  if (fault.times > 0) --fault.times;
  return fault.code;
}

void InjectFault(DdCall call, HRESULT code, int skip, int times) {
  if (code == 0) {
    Table().erase(call);
    return;
  }
  Table()[call] = Fault{code, skip < 0 ? 0 : skip, times < 0 ? -1 : times};
}

void ClearFaults() {
  Table().clear();
}

bool InjectFaultFromText(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return false;
  const std::string_view name = std::string_view(text).substr(0, colon);
  HRESULT code = 0;
  if (!ParseCode(text.substr(colon + 1), code)) return false;
  for (const auto& [known, call] : kNames) {
    if (known == name) {
      InjectFault(call, code);
      return true;
    }
  }
  return false;
}

const char* DdCallName(DdCall call) {
  for (const auto& [name, named] : kNames) {
    if (named == call) return name.data();
  }
  return "unknown";
}

}  // namespace platform
