#include "config/message_parser.h"

namespace tev {

void MessageParser::createFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 4)
    throw TableBuildError("createFile needs vavSettingsFile environmentName language outputFile");
  MessageParser parser(out, err);
  parser.initialize(args[0], args[1], args[2]);
  parser.createMessageFile(args[3]);
}

int MessageParser::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  MessageParser parser(out, err);
  return TextTableBuilder::run(parser, args);
}

}  // namespace tev
