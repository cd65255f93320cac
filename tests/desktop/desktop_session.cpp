#include "desktop_session.h"

#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

bool DesktopSession::Start(WindowManager manager, std::string& error) {
  std::vector<const char*> tools{"xdotool", "import", "xwininfo"};
  if (manager != WindowManager::Absent) tools.push_back("wmctrl");
  for (const char* tool : tools) {
    if (!HaveTool(tool)) {
      error = std::string(tool) + " is not installed (scripts/deps test installs it)";
      return false;
    }
  }
  return XServer::Start(manager, error);
}

std::string DesktopSession::FindWindow(const std::string& title) const {
  std::string id =
      Run("timeout 10 xdotool search --sync --onlyvisible --name '^" + title + "$' | head -n 1");
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return id;
}

std::string DesktopSession::FindInTree(const std::string& name, double seconds) const {
  for (double waited = 0; waited < seconds; waited += 0.1) {
    const std::string id =
        Run("xwininfo -root -tree | grep -F '\"" + name + "\"' | awk '{print $1}' | head -n 1");
    if (!id.empty()) return id.substr(0, id.find('\n'));
    Pause(0.1);
  }
  return "";
}

Image DesktopSession::Screenshot() const {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("shot-" + std::to_string(getpid()) + ".png"))
          .string();
  Run("import -window root png24:" + path);
  Image image;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, path.c_str())) {
    png.format = PNG_FORMAT_BGRA;
    image.width = static_cast<int>(png.width);
    image.height = static_cast<int>(png.height);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), 0, nullptr)) image = Image{};
    for (auto& p : image.pixels) p &= 0x00FFFFFFu;
  }
  std::filesystem::remove(path);
  return image;
}

namespace {

// The number after `label` in xwininfo's report, or `fallback`.
int Field(const std::string& report, const std::string& label, int fallback = 0) {
  const auto at = report.find(label);
  return at == std::string::npos ? fallback : std::atoi(report.c_str() + at + label.size());
}

}  // namespace

Geometry DesktopSession::GeometryOf(const std::string& id) const {
  const std::string report = Run("xwininfo -id " + id + " 2>/dev/null");
  Geometry g;
  g.x = Field(report, "Absolute upper-left X:");
  g.y = Field(report, "Absolute upper-left Y:");
  g.width = Field(report, "Width:");
  g.height = Field(report, "Height:");
  g.viewable = report.find("Map State: IsViewable") != std::string::npos;
  return g;
}

std::string DesktopSession::ParentOf(const std::string& id) const {
  const std::string report = Run("xwininfo -children -id " + id + " 2>/dev/null");
  const std::string label = "Parent window id: ";
  const auto at = report.find(label);
  if (at == std::string::npos) return "";
  return report.substr(at + label.size(), report.find(' ', at + label.size()) - at - label.size());
}
