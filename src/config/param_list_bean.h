// ParamListBean: what the two parameter-file classes (TransactionParamListBean for a transaction's file and a
// warehouse's copy of it, GlobalParamListBean for the global file) have in common: one parameter file and
// the template "empty.xml" that lists every known parameter with an empty value, each held by its own
// XMLQueryBean.
//
// A parameter file is a tree of param_value elements under the root param_value_list; a parameter is named
// by its path of id attributes, each step optionally restricted to an element whose type attribute equals a
// given text:
//
//   ids {"email", "smtp_host"}, no types
//     -> /param_value_list/param_value[@id='email']/param_value[@id='smtp_host']
//   ids {"a", "b"}, types {none, "t"}
//     -> /param_value_list/param_value[@id='a']/param_value[@id='b' and @type='t']
//
// Ids and types go into the expression as they stand: an id holding an apostrophe gives an invalid
// expression, which reads as "nothing found".
//
// Reads never raise (a missing element, a file that failed to load and an invalid expression all give
// nothing, and the XML layer logs its error line); the only failure a read passes on is a caller error, a
// types list shorter than the ids (IndexOutOfRange). Writes change the document in memory; the derived
// classes' save operations write it back.
//
// One object is used by one thread at a time.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/log.h"
#include "xml/xml_node.h"
#include "xml/xml_query_bean.h"

namespace tev {

// The ids of a parameter path, from the root down.
using ParamIds = std::vector<std::string>;
// The types parallel to the ids; an absent entry puts no restriction on its step.
using ParamTypes = std::vector<std::optional<std::string>>;

class ParamListBean {
 public:
  // The expression of the root element, where every path starts.
  static inline const std::string kRootPath = "/param_value_list";

  ParamListBean(const ParamListBean&) = delete;
  ParamListBean& operator=(const ParamListBean&) = delete;

  // Loads the parameter file into a new xmlBean, then the template into a new xmlEmptyList. A file that is
  // missing or not well-formed leaves its bean without a document (logged by the XML layer), so every read of
  // it finds nothing; nothing reaches the caller. Earlier references to the beans stay valid and see the new
  // ones (their free-space probes are reset to the real measurement).
  void initialize(const std::string& paramFilePath, const std::string& templateFilePath);

  // The path expression, list form: starts at "/param_value_list"; the types are required.
  // Throws IndexOutOfRange when types is shorter than ids.
  std::string getParamValuePath(const ParamIds& ids, const ParamTypes& types) const;
  // The path expression, array form: starts at the class's base path; types may be absent.
  // Throws IndexOutOfRange when types is given and shorter than ids.
  std::string getParamValuePath(const ParamIds& ids, const std::optional<ParamTypes>& types) const;

  // The value at the path in the parameter file: the selected element's first child's text, "" for an empty
  // element, nothing when nothing is selected. The template is never read. Both forms as above.
  std::optional<std::string> getParamValue(const ParamIds& ids, const ParamTypes& types);
  std::optional<std::string> getParamValue(const ParamIds& ids, const std::optional<ParamTypes>& types);

  // Sets the value at a path expression built by getParamValuePath. When the parameter file lacks the
  // element, the missing part of the path (the first missing step with everything under it) is copied from
  // the template and appended as the last child of the deepest element that exists, then the value is set.
  //
  // Returns true when the value was set. Returns false, with the document exactly as it was, when it cannot
  // be: the parameter document has no root element param_value_list (or no document at all), the template has
  // no element at the missing part of the path, or the value cannot be set even after the copy (the template
  // has the group but not the parameter, or the expression is cut inside an id holding "/"). A copy made on
  // the way is then taken out again.
  [[nodiscard]] bool setParamValue(const std::string& expr, const std::string& value);

  // The parameter file and the template (tests, and callers that want the documents themselves).
  XMLQueryBean& getXmlBean() { return xmlBean; }
  XMLQueryBean& getXmlEmptyList() { return xmlEmptyList; }

 protected:
  ParamListBean();
  virtual ~ParamListBean() = default;

  // Where array-form paths start; "/param_value_list" unless a derived class says otherwise.
  virtual const std::string& arrayFormBase() const { return kRootPath; }
  // The template path to copy, given the first prefix of the expression that the parameter file lacks;
  // nothing when there is none. The default is the prefix itself.
  virtual std::optional<std::string> requiredPath(const std::string& missingPrefix) const {
    return missingPrefix;
  }

  // The first element the expression selects in the parameter file; nothing when none.
  std::optional<XmlNode> getNode(const std::string& expr);
  // Writes the parameter document back to its file (through XMLQueryBean::saveXMLFile, which refuses when
  // 500 MB or less are free there). Throws XmlSaveError on refusal or failure; the file is then unchanged.
  void saveDocument();

  XMLQueryBean xmlBean;
  XMLQueryBean xmlEmptyList;
  log::Logger logger;

 private:
  static std::string buildPath(std::string base, const ParamIds& ids, const ParamTypes* types);
};

}  // namespace tev
