// Service packs: replacement files that lie beside an installation's own files, in a subdirectory named after
// the pack inside each directory of the tree. A pack is described by its descriptor,
// <DC of common>/servicepack/<id>.xml, read into ServicePackType. Only the runtime hierarchy (the packs whose
// copies are searched, in order) matters to the file locator; the other elements describe the pack for the
// tools that install it.
//
// Descriptor (root element service_pack, attribute id), children in this order:
//   description, depends (service_pack_id*), runtime_hierarchy (service_pack_id*), custom_action_handler,
//   changed_framework_file_list, new_framework_file_list, affected_framework_data_file_list,
//   changed_environment_file_list, new_environment_file_list, affected_environment_data_file_list
//   (each: file* with child name and boolean attribute derived), standard_action_list (standard_action* with
//   action*).
// The reader is lenient the way a data binding is: unknown elements are ignored, missing ones stay empty, and
// the order of the children is not checked. Texts are taken as written (not trimmed).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tev {

// Ids of service packs this one requires.
struct DependsType {
  std::vector<std::string> servicePackId;
};

// Ids of the service packs whose copies are searched, in search order.
struct RuntimeHierarchyType {
  std::vector<std::string> servicePackId;
};

struct FileType {
  std::string name;
  // xs:boolean: "true" or "1" (surrounding blanks ignored); anything else, or no attribute, is false.
  bool derived = false;
};

struct FileListType {
  std::vector<FileType> file;
};

struct StandardActionType {
  std::vector<std::string> action;
};

struct StandardActionListType {
  std::vector<StandardActionType> standardAction;
};

struct ServicePackType {
  std::string id;
  std::string description;
  DependsType depends;
  RuntimeHierarchyType runtimeHierarchy;
  std::string customActionHandler;
  FileListType changedFrameworkFileList;
  FileListType newFrameworkFileList;
  FileListType affectedFrameworkDataFileList;
  FileListType changedEnvironmentFileList;
  FileListType newEnvironmentFileList;
  FileListType affectedEnvironmentDataFileList;
  StandardActionListType standardActionList;
};

class ServicePackUtil {
 public:
  // Reads a descriptor file. On any failure (missing file, not well-formed, root element other than
  // service_pack) logs "Failed to to service pack info: " + path with the cause and gives nothing.
  static std::optional<ServicePackType> getServicePack(const std::string& path);
};

}  // namespace tev
