// The typed form of a help file (the help of one transaction, one text per form) and its reading and writing:
//
//   <help_display>
//     <transaction id="...">
//       <form id="..."><main_help>text</main_help></form>
//       ...
//     </transaction>
//   </help_display>
//
// Elements and attributes not listed here are ignored; a missing attribute or main_help reads as nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tev::help {

// The help of one form.
class FormType {
 public:
  FormType() = default;
  FormType(const FormType&) = default;
  FormType(FormType&&) noexcept = default;
  FormType& operator=(const FormType&) = default;
  FormType& operator=(FormType&&) noexcept = default;
  virtual ~FormType() = default;

  virtual const std::optional<std::string>& getId() const { return id; }
  virtual const std::optional<std::string>& getMainHelp() const { return mainHelp; }
  virtual void setId(std::optional<std::string> value) { id = std::move(value); }
  virtual void setMainHelp(std::optional<std::string> value) { mainHelp = std::move(value); }

  // "FormType[id=...]"; an absent id reads "null".
  std::string toString() const;

 private:
  std::optional<std::string> id;
  std::optional<std::string> mainHelp;
};

// The transaction a help file belongs to and its forms, in document order.
class TransactionType {
 public:
  TransactionType() = default;
  TransactionType(const TransactionType&) = default;
  TransactionType(TransactionType&&) noexcept = default;
  TransactionType& operator=(const TransactionType&) = default;
  TransactionType& operator=(TransactionType&&) noexcept = default;
  virtual ~TransactionType() = default;

  // The live list of forms.
  virtual std::vector<FormType>& getForm() { return form; }
  virtual const std::optional<std::string>& getId() const { return id; }
  virtual void setId(std::optional<std::string> value) { id = std::move(value); }
  const std::vector<FormType>& getForm() const { return form; }

  // "TransactionType[id=..., forms=[a, b]]"; an absent id reads "null".
  std::string toString() const;

 private:
  std::optional<std::string> id;
  std::vector<FormType> form;
};

// A whole help file; it may have no transaction.
class HelpDisplayType {
 public:
  HelpDisplayType() = default;
  HelpDisplayType(const HelpDisplayType&) = default;
  HelpDisplayType(HelpDisplayType&&) noexcept = default;
  HelpDisplayType& operator=(const HelpDisplayType&) = default;
  HelpDisplayType& operator=(HelpDisplayType&&) noexcept = default;
  virtual ~HelpDisplayType() = default;

  // The transaction, or null when the document has none.
  virtual TransactionType* getTransaction() { return transaction ? &*transaction : nullptr; }
  virtual void setTransaction(std::optional<TransactionType> value) { transaction = std::move(value); }
  const TransactionType* getTransaction() const { return transaction ? &*transaction : nullptr; }

  // "HelpDisplayType[transaction=...]", with "null" for no transaction.
  std::string toString() const;

 private:
  std::optional<TransactionType> transaction;
};

// The root element of a help file, named "help_display".
struct HelpDisplay {
  static inline const std::string ELEMENT_NAME = "help_display";
  HelpDisplayType value;
};

class ObjectFactory {
 public:
  FormType createFormType() const { return {}; }
  HelpDisplayType createHelpDisplayType() const { return {}; }
  TransactionType createTransactionType() const { return {}; }
  HelpDisplay createHelpDisplay(HelpDisplayType value) const { return HelpDisplay{std::move(value)}; }
};

// Reads a help file. Throws tev::Error (naming the file) when it cannot be read or parsed or its root element
// is not help_display.
HelpDisplayType readHelpDisplay(const std::string& path);

// The document as XML text: the help_display element, indented, without declaration.
std::string toXml(const HelpDisplayType& document);

}  // namespace tev::help
