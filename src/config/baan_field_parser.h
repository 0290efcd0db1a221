// BaanFieldParser: the offline builder of the ERP field dictionary file ("BaanFieldDefs.dat") from the ERP
// field list:
//   <baan_field_list>
//     <baan_field
//     id="orno"><type>string</type><align>right</align><case>upper</case><length>9</length></baan_field>
//   </baan_field_list>
// Each child's value is the value of its first child, untrimmed; a missing or empty child gives no value (a
// missing length gives 0). The first baan_field with an id defines it.
//
// Command line: listFile outputFile. Progress lines go to `out`; errors to `err`. A list that cannot be
// loaded, an empty id or a length that is not a decimal integer writes nothing and ends with status 1.
#pragma once

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "config/baan_field_def.h"
#include "config/field_table_codec.h"
#include "xml/xml_query.h"

namespace tev {

// A field list the dictionary cannot be built from (an empty id, a length that is no integer).
class BaanFieldListError : public Error {
 public:
  using Error::Error;
};

class BaanFieldParser {
 public:
  explicit BaanFieldParser(std::ostream& out = std::cout);
  virtual ~BaanFieldParser() = default;
  BaanFieldParser(const BaanFieldParser&) = delete;
  BaanFieldParser& operator=(const BaanFieldParser&) = delete;

  // The definition built from the first baan_field with this id; nothing for an empty id or an id the list
  // lacks. Throws BaanFieldListError for a length that is not a decimal integer.
  virtual std::optional<BaanFieldDef> getBaanField(const std::string& id);
  // The value of the field's type element: "" for an empty id; nothing when there is none.
  virtual std::optional<std::string> getBaanFieldType(const std::string& id);
  // Every field of the list with its definition; prints "id : definition" per baan_field. Throws
  // BaanFieldListError.
  virtual BaanFieldTable getBaanFields();
  // Loads the list, printing what it does; false when it cannot be loaded.
  virtual bool initialize(const std::string& listFile);
  // getBaanFields, then replaces outputFile with the dictionary. Throws BaanFieldListError or
  // TableFormatError; the previous file is then unchanged.
  virtual void persistBaanFields(const std::string& outputFile);

  // The tool. Returns the exit status.
  static int run(const std::vector<std::string>& args, std::ostream& out = std::cout,
                 std::ostream& err = std::cerr);
  static std::string usage();

 private:
  BaanFieldDef definitionOf(const XmlNode& field, const std::string& id);
  std::optional<std::string> childValue(const XmlNode& field, const std::string& name);

  XMLQuery xmlQry;
  std::ostream& out_;
};

}  // namespace tev
