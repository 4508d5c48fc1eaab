#include "web/listen_address.h"

namespace hp::web {

std::optional<std::pair<std::string, int>> ParseListen(const std::string& text) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return std::nullopt;
  std::string host = text.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  std::string port_text = text.substr(colon + 1);
  if (port_text.find_first_not_of("0123456789") != std::string::npos || port_text.size() > 5) return std::nullopt;
  int port = std::stoi(port_text);
  if (port > 65535) return std::nullopt;
  return std::make_pair(host, port);
}

bool IsLoopback(const std::string& host) {
  return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

}  // namespace hp::web
