// The host of the tests: message boxes are answered from a script and
// recorded, and each window shown modally is driven by a callback registered
// for its name. No threads.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/form.h"
#include "platform/forms/host.h"
#include "platform/forms/menu.h"

namespace hp::forms {

// Thrown when a window asks something the script did not foresee: a question
// without an answer, a window without a driver, a menu without a choice.
class ScriptError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

class ScriptedHost : public Host {
 public:
  struct Message {
    std::string prompt;
    int style;
    std::string title;
  };

  // Answers for the next questions, in order. A box with only an OK button
  // needs no answer; any other box without one throws ScriptError.
  void Answer(MsgBoxResult answer) { answers_.push_back(answer); }
  const std::vector<Message>& Messages() const { return messages_; }
  // The prompt of the last box shown, or empty.
  std::string LastMessage() const { return messages_.empty() ? std::string() : messages_.back().prompt; }
  void ClearMessages() { messages_.clear(); }
  size_t PendingAnswers() const { return answers_.size(); }

  // Drives window `form_name` each time it is shown modally. A driver that
  // returns with the window still loaded closes it as the close box would;
  // if the window refuses to close, ShowModal throws ScriptError.
  void OnShow(const std::string& form_name, std::function<void(Form&)> driver) {
    drivers_[form_name] = std::move(driver);
  }
  const std::vector<std::string>& Shown() const { return shown_; }

  // The next pop-up menu chooses this item (empty: dismissed).
  void ChooseMenu(std::string item) { menu_choices_.push_back(std::move(item)); }

  // Documents shown (title, mime, bytes).
  struct Document {
    std::string title, mime, bytes;
  };
  const std::vector<Document>& Documents() const { return documents_; }

  MsgBoxResult MsgBox(const std::string& prompt, int style, const std::string& title) override;
  void PopupMenu(Form& form, Menu& menu) override;
  void ShowDocument(const std::string& title, const std::string& mime, std::string bytes) override {
    documents_.push_back({title, mime, std::move(bytes)});
  }

 protected:
  void RunModal(Form& form) override;

 private:
  std::deque<MsgBoxResult> answers_;
  std::vector<Message> messages_;
  std::map<std::string, std::function<void(Form&)>> drivers_;
  std::vector<std::string> shown_;
  std::deque<std::string> menu_choices_;
  std::vector<Document> documents_;
};

}  // namespace hp::forms
