#include "web/document_shelf.h"

namespace hp::web {

int DocumentShelf::Put(Document doc) {
  std::lock_guard lock(mutex_);
  int id = next_++;
  docs_[id] = std::move(doc);
  while (docs_.size() > keep_) docs_.erase(docs_.begin());
  return id;
}

std::optional<Document> DocumentShelf::Get(int id) const {
  std::lock_guard lock(mutex_);
  auto it = docs_.find(id);
  if (it == docs_.end()) return std::nullopt;
  return it->second;
}

}  // namespace hp::web
