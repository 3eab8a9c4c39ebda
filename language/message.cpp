#include "language/message.h"

namespace pressling {

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
  return Substitute(language.Tr(text_), std::vector<std::string_view>(args.begin(), args.end()));
}

std::string Message::English() const { return In(Language::FromTag("en")); }

}  // namespace pressling
