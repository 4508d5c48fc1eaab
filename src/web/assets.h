// The browser page (index.html, app.js, app.css), compiled into the program.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace hp::web {

// The files of web/assets by file name.
const std::map<std::string, std::string>& EmbeddedAssets();

struct Asset {
  std::string content;
  const char* mime;
};
// The asset named `name` ("app.js") with its content type, or nullopt. With
// HP_WEB_ASSETS set to a folder, the file of that name is read from there
// (for work on the page without rebuilding).
std::optional<Asset> FindAsset(const std::string& name);

}  // namespace hp::web
