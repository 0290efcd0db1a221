// The base of every processing object: the instance of a transaction class whose handlers the transaction
// processor calls by name. The transaction base class derives from it; the engine only needs this much.
#pragma once

namespace tev {

class ProcessingObject {
 public:
  virtual ~ProcessingObject() = default;
};

}  // namespace tev
