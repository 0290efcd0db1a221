#include "config/label_parser.h"

namespace tev {

void LabelParser::createFile(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 4)
    throw TableBuildError("createFile needs vavSettingsFile environmentName language outputFile");
  LabelParser parser(out, err);
  parser.initialize(args[0], args[1], args[2]);
  parser.createLabelsFile(args[3]);
}

int LabelParser::run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  LabelParser parser(out, err);
  return TextTableBuilder::run(parser, args);
}

}  // namespace tev
