#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "language/language.h"

namespace pressling {

// A text a person reads, kept apart from any language until it is shown: an
// English message id with "%s" and "%N$s" placeholders, and its arguments,
// each a literal (a path, a number, a system's text) or a message of its own,
// so that "name: fault" renders whole in one language.
class Message {
 public:
  Message() = default;
  // A literal, the same in every language.
  Message(std::string literal) : text_(std::move(literal)) {}

  // The message id, translated in language, with its arguments rendered in place.
  std::string In(const Language& language) const;
  // The same with the English ids.
  std::string English() const;
  bool empty() const { return text_.empty() && args_.empty(); }

 private:
  friend Message Msg(const char* id, std::initializer_list<Message> args);
  std::string text_;
  bool translated_ = false;
  std::vector<Message> args_;
};

// The message of id with args; id is English and goes to the catalogs.
Message Msg(const char* id, std::initializer_list<Message> args = {});

}  // namespace pressling
