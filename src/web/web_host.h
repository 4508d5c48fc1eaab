// The forms host of a browser session. It runs on the session's UI thread:
// ShowModal, MsgBox and PopupMenu each run a nested loop that takes the
// browser's commands from the channel and applies them until the window is
// unloaded, the box answered or the menu chosen from, so the windows' code
// stays linear (MsgBox returns the answer, ShowModal returns when closed).
//
// Only the window on top takes commands: the message box or pop-up menu when
// one is open, else the topmost loaded window. A command for any other window
// is refused (409); an unknown control or button is 400; a control that is
// disabled, hidden or locked is 409. A refused command changes nothing.
// A failure escaping a window's handler is logged and answered 500 with a
// plain message; the windows stay as the handler left them.
//
// The browser addresses a message box as window "$msgbox" (controls "OK",
// "Cancel", "Yes", "No") and a pop-up menu as "$menu" (event "menu", value the
// item's name, empty to dismiss). Event "close" on a window is its close box.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/forms/host.h"
#include "web/document_shelf.h"
#include "web/ui_channel.h"

namespace hp::web {

inline constexpr char kMsgBoxWindow[] = "$msgbox";
inline constexpr char kMenuWindow[] = "$menu";

class WebHost : public forms::Host {
 public:
  // `heading` is sent with every state (who is signed in where).
  WebHost(UiChannel& channel, DocumentShelf& documents, nlohmann::json heading);

  forms::MsgBoxResult MsgBox(const std::string& prompt, int style, const std::string& title) override;
  void PopupMenu(forms::Form& form, forms::Menu& menu) override;
  void DoEvents() override;
  void ShowDocument(const std::string& title, const std::string& mime, std::string bytes) override;

  // The windows as the browser draws them: bottom first, then the message box
  // or menu, with the focus and the hourglass. SnapshotText is the JSON text
  // every answer carries, written without building a document; Snapshot is
  // the same parsed.
  nlohmann::json Snapshot() const;
  std::string SnapshotText() const;

  // Waits for the next command and applies it. Throws SessionClosed.
  void ServeOne();

 protected:
  void RunModal(forms::Form& form) override;

 private:
  struct Overlay {
    std::string kind;  // "msgbox" or "menu"
    // A message box.
    std::string prompt, title, icon;
    std::vector<std::string> buttons;
    std::string default_button, cancel_button;
    // A menu.
    forms::Menu* menu = nullptr;
    std::string owner;
    // The user's answer.
    bool answered = false;
    std::string choice;
  };

  void Apply(const Command& command);
  void ApplyToOverlay(Overlay& overlay, const Command& command);
  void ApplyToForm(forms::Form& form, const Command& command);
  forms::Form* TopForm() const;
  void Fail(int status, const std::string& message);

  UiChannel& channel_;
  DocumentShelf& documents_;
  nlohmann::json heading_;
  std::string heading_text_;  // heading_ as JSON text, made once
  std::vector<Overlay*> overlays_;
  int last_document_ = 0;
  std::string last_document_title_;
};

}  // namespace hp::web
