// Documents the windows show (the report preview's PDF), kept for the
// browser to fetch. Written by the UI thread, read by HTTP threads; only the
// last few are kept.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace hp::web {

struct Document {
  std::string title;
  std::string mime;
  std::string bytes;
};

class DocumentShelf {
 public:
  explicit DocumentShelf(size_t keep = 4) : keep_(keep) {}
  // Stores the document and returns its number (1, 2, ...).
  int Put(Document doc);
  std::optional<Document> Get(int id) const;

 private:
  size_t keep_;
  mutable std::mutex mutex_;
  std::map<int, Document> docs_;
  int next_ = 1;
};

}  // namespace hp::web
