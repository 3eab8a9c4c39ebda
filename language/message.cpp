#include "language/message.h"

namespace pressling {

namespace {

std::string Render(const std::string& text, const std::vector<std::string>& args) {
  switch (args.size()) {
    case 0:
      return Substitute(text, {});
    case 1:
      return Substitute(text, {args[0]});
    case 2:
      return Substitute(text, {args[0], args[1]});
    case 3:
      return Substitute(text, {args[0], args[1], args[2]});
    default:
      return Substitute(text, {args[0], args[1], args[2], args[3]});
  }
}

}  // namespace

Message Msg(const char* id, std::initializer_list<Message> args) {
  Message message{std::string(id)};
  message.translated_ = true;
  message.args_.assign(args.begin(), args.end());
  return message;
}

std::string Message::In(const Language& language) const {
  if (!translated_) return text_;
  std::vector<std::string> args;
  for (const Message& arg : args_) args.push_back(arg.In(language));
  return Render(language.Tr(text_), args);
}

std::string Message::English() const { return In(Language::FromTag("en")); }

}  // namespace pressling
