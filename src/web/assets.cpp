#include "web/assets.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace hp::web {
namespace {

const char* MimeOf(const std::string& name) {
  auto ends = [&](const char* ext) {
    std::string e(ext);
    return name.size() >= e.size() && name.compare(name.size() - e.size(), e.size(), e) == 0;
  };
  if (ends(".html")) return "text/html; charset=utf-8";
  if (ends(".js")) return "application/javascript; charset=utf-8";  // sent uncompressed, as the API
  if (ends(".css")) return "text/css; charset=utf-8";
  if (ends(".svg")) return "image/svg+xml";
  if (ends(".png")) return "image/png";
  return "application/octet-stream";
}

// While the page is being worked on, HP_WEB_ASSETS names the folder to read
// it from on every request instead of the copy compiled in. Only names that
// are compiled in are read, so the variable opens no other file.
std::optional<std::string> FromFolder(const std::string& name) {
  const char* dir = std::getenv("HP_WEB_ASSETS");
  if (!dir || !*dir) return std::nullopt;
  std::ifstream in(std::string(dir) + "/" + name, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::optional<Asset> FindAsset(const std::string& name) {
  const auto& files = EmbeddedAssets();
  auto it = files.find(name);
  if (it == files.end()) return std::nullopt;
  if (auto fresh = FromFolder(name)) return Asset{std::move(*fresh), MimeOf(name)};
  return Asset{it->second, MimeOf(name)};
}

}  // namespace hp::web
